#include "cli/CliHost.h"

namespace fw::cli {
namespace {

std::string PlainLines(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

}  // namespace

int CliHost::Bar::Percent() const {
  if (Total == 0) return 100;
  const uint64_t p = Position * 100 / Total;
  return p > 100 ? 100 : int(p);
}

void CliHost::Bar::Update(int32_t increment) {
  Position += uint64_t(increment > 0 ? increment : 0);
  if (Host && Percent() != Shown) Host->Draw(*this);
}

void CliHost::Draw(const Bar& bar) {
  const_cast<Bar&>(bar).Shown = bar.Percent();
  if (progress_ != Progress::Bars || label_.empty() || Collect) return;
  constexpr int kWidth = 30;
  const int filled = bar.Shown * kWidth / 100;
  std::fprintf(out_, "\r%-36s [%s%s] %3d %%", label_.c_str(), std::string(size_t(filled), '#').c_str(),
               std::string(size_t(kWidth - filled), '.').c_str(), bar.Shown);
  std::fflush(out_);
  barOpen_ = true;
}

void CliHost::EndBar() {
  if (barOpen_) std::fputc('\n', out_);
  barOpen_ = false;
}

void CliHost::SetStatusText(FieldKind kind, const std::string& text) {
  if (text.empty() || progress_ == Progress::None || Collect) return;
  if (text == "Beendet") {
    if (progress_ == Progress::Bars && int(kind) == labelKind_) {
      Draw(gauges_[int(kind)]);
      std::fprintf(out_, "  Beendet");
      EndBar();
    } else if (progress_ == Progress::Lines) {
      std::fprintf(out_, "%s Beendet\n", label_.c_str());
    }
    label_.clear();
    labelKind_ = -1;
    std::fflush(out_);
    return;
  }
  EndBar();
  label_ = text;
  labelKind_ = int(kind);
  if (progress_ == Progress::Bars) Draw(gauges_[int(kind)]);
}

void CliHost::ShowMessage(const std::string& caption, const std::string& text, MessageIcon) {
  ++MessageCount;
  const std::string message = caption + ": " + PlainLines(text);
  if (Collect) {
    Collected.push_back(message);
    return;
  }
  EndBar();
  std::fprintf(stderr, "%s\n", message.c_str());
  std::fflush(stderr);
}

void CliHost::ShowWriteProgress(uint32_t written, uint32_t total) {
  if (progress_ != Progress::Bars || Collect) return;
  writeBar_.Total = total;
  writeBar_.Position = written;
  if (written != 0 && writeBar_.Percent() == writeBar_.Shown) return;
  const std::string fieldLabel = label_;
  label_ = "Datensätze werden geschrieben";
  Draw(writeBar_);
  label_ = fieldLabel;
  if (written >= total) EndBar();
}

void CliHost::Line(const std::string& text) {
  if (progress_ == Progress::None || Collect) return;
  EndBar();
  std::fprintf(out_, "%s\n", text.c_str());
  std::fflush(out_);
}

}  // namespace fw::cli
