#include "core/index/TableIndexes.h"

#include "core/index/IndexAgreement.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <optional>

#include "core/expr/DbfRecordView.h"
#include "core/expr/Expression.h"
#include "core/index/IndexAgreement.h"
#include "core/index/IndexFormats.h"
#include "core/index/IndexRebuild.h"
#include "core/platform/DbfFailure.h"
#include "core/platform/DbfHeader.h"
#include "core/platform/FieldLayout.h"

namespace fw {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

std::string ShownName(const std::string& path) { return fs::path(path).filename().string(); }

// A German sentence's text without its closing full stop, to go on after a colon.
std::string WithoutStop(std::string text) {
  while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
  return text;
}

// "A, B und C".
std::string Listed(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " und " : ", ";
    text += names[i];
  }
  return text;
}

bool MultiTag(IndexFormat format) {
  return format == IndexFormat::Cdx || format == IndexFormat::Mdx;
}

// The table's fields as expressions read them: C, N and F, D and L fields stored as text;
// any other field is known by name only, so that a key reading it is refused with its type.
class TableFields final : public expr::FieldResolver {
public:
  explicit TableFields(const DbfHeader& header) {
    for (const DbfField& f : header.Fields) {
      const FieldLayout layout = LayoutOf(f.Info);
      std::optional<expr::ExprType> type;
      char letter = 'C';
      switch (layout) {
        case FieldLayout::Text: type = expr::ExprType::Text; letter = 'C'; break;
        case FieldLayout::Number: type = expr::ExprType::Number; letter = 'N'; break;
        case FieldLayout::Date: type = expr::ExprType::Date; letter = 'D'; break;
        case FieldLayout::Logic: type = expr::ExprType::Logic; letter = 'L'; break;
        default: break;
      }
      if (!type) {
        others_.emplace_back(f.Info.Name, f.Info.Type);
        continue;
      }
      const uint32_t index = uint32_t(slots_.size());
      slots_.push_back({f.Offset, f.Info.Length, letter});
      list_.Add(f.Info.Name, {index, *type, f.Info.Length, f.Info.Decimals});
    }
  }
  std::optional<expr::FieldInfo> Find(std::string_view upperName) const override {
    return list_.Find(upperName);
  }
  // The type letter of a field of that name that expressions cannot read, or 0.
  char OtherType(const std::string& upperName) const {
    for (const auto& [name, type] : others_)
      if (Lower(name) == Lower(upperName)) return type;
    return 0;
  }
  const std::vector<expr::FieldSlot>& Slots() const { return slots_; }

private:
  expr::FieldList list_;
  std::vector<expr::FieldSlot> slots_;
  std::vector<std::pair<std::string, char>> others_;
};

// The word of an expression's text that starts at a 1-based position (a field's name, when
// the compiler stopped at an unknown field).
std::string WordAt(const std::string& text, uint32_t position) {
  size_t at = position > 0 ? position - 1 : 0, end = at;
  while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_'))
    ++end;
  std::string word = text.substr(std::min(at, text.size()), end - std::min(at, text.size()));
  for (char& c : word) c = char(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

// Compiles one expression of a tag; on refusal sets `reason`.
std::unique_ptr<expr::Expression> CompileFor(const std::string& text, const char* what,
                                             const TableFields& fields,
                                             const expr::CompileOptions& options,
                                             const IndexTag& tag, std::string& reason) {
  expr::CompileResult result = expr::Compile(text, fields, options);
  if (!result) {
    const std::string word = WordAt(text, result.Error.Position);
    if (const char type = fields.OtherType(word))
      reason = std::string(what) + " von „" + tag.Name + "“ liest das Feld " + word +
               " vom Typ " + std::string(1, type) + ", das ein Indexausdruck hier nicht lesen kann.";
    else
      reason = std::string(what) + " „" + text + "“ von „" + tag.Name +
               "“ lässt sich nicht übersetzen: " + WithoutStop(result.Error.Message) + ".";
    return nullptr;
  }
  if (result.Compiled->UsesDateFormat()) {
    reason = std::string(what) + " von „" + tag.Name +
             "“ hängt mit DTOC oder CTOD vom Datumsformat der Anwendung ab (SET DATE).";
    return nullptr;
  }
  return std::move(result.Compiled);
}

std::string Bytes(uint32_t n) { return std::to_string(n) + (n == 1 ? " Byte" : " Bytes"); }

// Whether the key's type and length are what the file stores for the tag; else why not.
std::string KeyProblem(const IndexFileInfo& file, const IndexTag& tag,
                       const expr::Expression& key) {
  const std::string named = "Der Schlüssel von „" + tag.Name + "“";
  const IndexFormat f = file.Format;
  const bool fox = f == IndexFormat::Cdx || f == IndexFormat::Idx;
  const auto wrongType = [&](const char* type) {
    return named + " ergibt " + type + ", die Indexdatei hält aber Schlüssel eines anderen Typs.";
  };
  switch (key.Type()) {
    case expr::ExprType::Text:
      if ((f == IndexFormat::Mdx || f == IndexFormat::Ndx || f == IndexFormat::Ntx) &&
          tag.KeyType != 'C')
        return wrongType("Text");
      if (key.FixedLength() && key.Length() != tag.KeyLength)
        return named + " ist " + Bytes(key.Length()) + " lang, die Indexdatei hält Schlüssel von " +
               Bytes(tag.KeyLength) + ".";
      return {};
    case expr::ExprType::Number:
      if (f == IndexFormat::Mdx || f == IndexFormat::Ndx)
        return tag.KeyType == 'N' && (f == IndexFormat::Mdx || tag.KeyLength == 8)
                   ? std::string()
                   : wrongType("eine Zahl");
      if (fox) return tag.KeyLength == 8 ? std::string() : wrongType("eine Zahl");
      // NTX: the key is STR(value, key size, decimals); the header keeps the decimals.
      if (key.Width() == 0)
        return named + " ist eine berechnete Zahl ohne feste Breite; wie die Anwendung sie "
                       "in die Indexdatei schreibt, lässt sich nicht sicher nachbilden.";
      if (key.Width() != tag.KeyLength ||
          (file.Kept.size() >= 18 && (file.Kept[16] | file.Kept[17] << 8) != int(key.Decimals())))
        return named + " hat " + std::to_string(key.Width()) + " Stellen mit " +
               std::to_string(key.Decimals()) +
               " Nachkommastellen; die Indexdatei hält Schlüssel anderer Breite.";
      return {};
    case expr::ExprType::Date:
      if (f == IndexFormat::Mdx) return tag.KeyType == 'D' ? std::string() : wrongType("ein Datum");
      if (f == IndexFormat::Ndx)
        return tag.KeyType == 'N' && tag.KeyLength == 8 ? std::string() : wrongType("ein Datum");
      if (fox || f == IndexFormat::Ntx)
        return tag.KeyLength == 8 && tag.KeyType == 'C' ? std::string() : wrongType("ein Datum");
      return {};
    case expr::ExprType::Logic:
      if (f == IndexFormat::Mdx || f == IndexFormat::Ndx)
        return named + " ergibt einen Wahrheitswert; dieses Indexformat kennt solche Schlüssel nicht.";
      return tag.KeyLength == 1 && tag.KeyType == 'C' ? std::string()
                                                      : wrongType("einen Wahrheitswert");
  }
  return {};
}

// The DBF header of the table at `path`, read from a read-only descriptor of its own.
DbfHeader TableHeader(const std::string& path, File& file) {
  file = File::Open(path, true);
  return ReadDbfHeader(file);
}

// The records of the table straight from its file, in pieces of about 1 MiB, for one pass
// from the first record to the last.
class RecordPass {
public:
  RecordPass(const File& file, const DbfHeader& header)
      : file_(file), headerLength_(header.HeaderLength), recordLength_(header.RecordLength),
        count_(header.RecCount) {
    perPiece_ = std::max<uint32_t>(1, uint32_t((size_t(1) << 20) / recordLength_));
    buffer_.resize(size_t(perPiece_) * recordLength_);
  }
  // Reads the piece from `recNo` on; returns how many records it holds (At then reaches
  // them without reading).
  uint32_t PieceFrom(uint32_t recNo) {
    At(recNo);
    return first_ + inBuffer_ - recNo;
  }
  const char* At(uint32_t recNo) {
    if (recNo < first_ || recNo >= first_ + inBuffer_) {
      first_ = recNo;
      inBuffer_ = std::min(perPiece_, count_ - recNo + 1);
      file_.ReadExactly(headerLength_ + uint64_t(recNo - 1) * recordLength_, buffer_.data(),
                        size_t(inBuffer_) * recordLength_);
    }
    return buffer_.data() + size_t(recNo - first_) * recordLength_;
  }

private:
  const File& file_;
  uint64_t headerLength_;
  uint32_t recordLength_;
  uint32_t count_;
  uint32_t perPiece_ = 1;
  uint32_t first_ = 0, inBuffer_ = 0;
  std::vector<char> buffer_;
};

}  // namespace

// The compiled expressions of one rebuildable file, a key and a FOR condition (or none) per
// tag, in the order of the file's tags.
struct IndexPlan::Compiled {
  std::vector<std::unique_ptr<expr::Expression>> Keys, Fors;
  std::vector<expr::FieldSlot> Slots;
};

std::string IndexRebuildOutcome::Text() const {
  std::string text;
  if (!Rebuilt.empty()) text = Listed(Rebuilt) + " neu aufgebaut.";
  for (const auto& [name, reason] : Failed) {
    if (!text.empty()) text += ' ';
    text += name + " blieb, wie sie war: " + WithoutStop(reason) + ".";
  }
  return text;
}

IndexPlan::IndexPlan() = default;
IndexPlan::~IndexPlan() = default;
IndexPlan::IndexPlan(IndexPlan&&) noexcept = default;
IndexPlan& IndexPlan::operator=(IndexPlan&&) noexcept = default;

bool IndexPlan::RebuildsAny() const {
  for (const PlannedIndex& f : files_)
    if (f.Reason.empty()) return true;
  return false;
}

bool IndexPlan::LeavesAny() const {
  for (const PlannedIndex& f : files_)
    if (!f.Reason.empty()) return true;
  return !notes_.empty();
}

std::vector<std::string> IndexPlan::Lines() const {
  std::vector<std::string> lines;
  std::string rebuilt;
  size_t count = 0;
  for (const PlannedIndex& f : files_) {
    if (!f.Reason.empty()) continue;
    if (count++ > 0) rebuilt += ", ";
    rebuilt += f.Shown;
    if (MultiTag(f.Info.Format)) {
      const size_t tags = f.Info.Tags.size();
      rebuilt += " (" + std::to_string(tags) + (tags == 1 ? " Tag)" : " Tags)");
    }
  }
  if (count > 0)
    lines.push_back(rebuilt + (count == 1 ? " wird" : " werden") + " nach dem Füllen neu aufgebaut.");
  for (const PlannedIndex& f : files_)
    if (!f.Reason.empty()) lines.push_back(f.Shown + " bleibt, wie sie ist: " + WithoutStop(f.Reason) + ".");
  for (const std::string& note : notes_) lines.push_back(note);
  if (!candidates_.empty())
    lines.push_back("Weitere Indexdateien im Ordner passen zur Tabelle: " + Listed(candidates_) +
                    "; sie werden nur neu aufgebaut, wenn Sie sie nennen.");
  return lines;
}

std::string IndexPlan::Text() const {
  std::string text;
  for (const std::string& line : Lines()) text += (text.empty() ? "" : "\r\n") + line;
  return text;
}

bool IndexFormatOfName(const std::string& path, IndexFormat& format) {
  const std::string ext = Lower(fs::path(path).extension().string());
  if (ext == ".ntx") format = IndexFormat::Ntx;
  else if (ext == ".ndx") format = IndexFormat::Ndx;
  else if (ext == ".cdx") format = IndexFormat::Cdx;
  else if (ext == ".idx") format = IndexFormat::Idx;
  else if (ext == ".mdx") format = IndexFormat::Mdx;
  else return false;
  return true;
}

namespace {

// Reads `path` with its format's reader and compiles its expressions; sets entry.Reason when
// the file cannot be rebuilt exactly.
std::unique_ptr<IndexPlan::Compiled> ReadAndCompile(PlannedIndex& entry, const TableFields& fields,
                                                    const expr::CompileOptions& options) {
  IndexFormat format;
  if (!IndexFormatOfName(entry.Path, format)) {
    entry.Reason = "Die Endung der Datei nennt kein bekanntes Indexformat (.ntx, .ndx, .cdx, "
                   ".idx, .mdx).";
    return nullptr;
  }
  try {
    entry.Info = HandlerOf(format).Read(entry.Path);
  } catch (const IndexFailure& failure) {
    entry.Reason = failure.Description;
    return nullptr;
  } catch (const DbfFailure& failure) {
    entry.Reason = failure.Description;
    return nullptr;
  }
  if (!entry.Info.Unsupported.empty()) {
    entry.Reason = entry.Info.Unsupported;
    return nullptr;
  }
  if (entry.Info.Tags.empty()) {
    entry.Reason = "Die Indexdatei hat keine Tags.";
    return nullptr;
  }
  auto compiled = std::make_unique<IndexPlan::Compiled>();
  compiled->Slots = fields.Slots();
  for (IndexTag& tag : entry.Info.Tags) {
    if (!tag.Unsupported.empty()) {
      entry.Reason = (MultiTag(entry.Info.Format) ? "Tag „" + tag.Name + "“: " : std::string()) +
                     tag.Unsupported;
      return nullptr;
    }
    auto key = CompileFor(tag.KeyExpression, "Der Schlüssel", fields, options, tag, entry.Reason);
    if (!key) return nullptr;
    if (std::string problem = KeyProblem(entry.Info, tag, *key); !problem.empty()) {
      entry.Reason = problem;
      return nullptr;
    }
    // A FoxPro file does not say the type of its keys; its compressed pages leave out the
    // trailing blanks of a text key but the trailing zero bytes of a number or date key, and
    // FoxPro and Harbour read the left-out bytes back as such.
    const bool fox = entry.Info.Format == IndexFormat::Cdx || entry.Info.Format == IndexFormat::Idx;
    if (fox && (key->Type() == expr::ExprType::Number || key->Type() == expr::ExprType::Date))
      tag.KeyType = key->Type() == expr::ExprType::Number ? 'N' : 'D';
    std::unique_ptr<expr::Expression> condition;
    if (!tag.ForExpression.empty()) {
      condition = CompileFor(tag.ForExpression, "Die FOR-Bedingung", fields, options, tag,
                             entry.Reason);
      if (!condition) return nullptr;
      if (condition->Type() != expr::ExprType::Logic) {
        entry.Reason = "Die FOR-Bedingung von „" + tag.Name + "“ ergibt keinen Wahrheitswert.";
        return nullptr;
      }
    }
    compiled->Keys.push_back(std::move(key));
    compiled->Fors.push_back(std::move(condition));
  }
  return compiled;
}

bool SameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec) && !ec;
}

}  // namespace

IndexPlan PlanTableIndexes(const std::string& tablePath, const std::vector<std::string>& named) {
  IndexPlan plan;
  plan.table_ = tablePath;
  DbfHeader header;
  try {
    File file;
    header = TableHeader(tablePath, file);
  } catch (const DbfFailure& failure) {
    plan.notes_.push_back("Die Indexdateien werden nicht nachgeführt: " +
                          WithoutStop(failure.Description) + ".");
    return plan;
  }
  const TableFields fields(header);
  expr::CompileOptions options;
  options.Aliases.push_back(fs::path(tablePath).stem().string());

  const fs::path table(tablePath);
  const std::string stem = Lower(table.stem().string());
  const fs::path folder = table.has_parent_path() ? table.parent_path() : fs::path(".");
  std::vector<std::string> ofName, others;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    IndexFormat format;
    const std::string path = it->path().string();
    if (!IndexFormatOfName(path, format) || !it->is_regular_file(ec)) continue;
    (Lower(it->path().stem().string()) == stem ? ofName : others).push_back(path);
  }
  std::sort(ofName.begin(), ofName.end());
  std::sort(others.begin(), others.end());

  bool production = false;
  std::vector<std::string> wanted = ofName;
  for (const std::string& path : ofName) {
    IndexFormat format;
    IndexFormatOfName(path, format);
    production = production || MultiTag(format);
  }
  for (const std::string& path : named) {
    bool known = false;
    for (const std::string& w : wanted) known = known || w == path || SameFile(w, path);
    if (!known) wanted.push_back(path);
  }
  if ((header.ProductionIndex & 0x01) != 0 && !production)
    plan.notes_.push_back("Die Tabelle ist als Tabelle mit Produktionsindex gekennzeichnet, "
                          "doch neben ihr liegt keine .mdx- oder .cdx-Datei ihres Namens.");

  for (const std::string& path : wanted) {
    PlannedIndex entry;
    entry.Path = path;
    entry.Shown = ShownName(path);
    std::unique_ptr<IndexPlan::Compiled> compiled;
    if (!fs::is_regular_file(path, ec))
      entry.Reason = "Die Datei ist nicht vorhanden.";
    else
      compiled = ReadAndCompile(entry, fields, options);
    if (!entry.Reason.empty()) compiled.reset();
    // What the file holds for the records there are must be what a rebuild would write for
    // them; else the application builds its keys otherwise and keeps the file as it is.
    if (compiled) {
      std::vector<expr::Expression*> keys;
      for (const auto& key : compiled->Keys) keys.push_back(key.get());
      try {
        entry.Reason = IndexDisagreesWithTable(entry.Info, keys, compiled->Slots, tablePath);
      } catch (const IndexFailure& failure) {
        entry.Reason = failure.Description;
      } catch (const DbfFailure& failure) {
        entry.Reason = failure.Description;
      }
      if (!entry.Reason.empty()) compiled.reset();
    }
    plan.files_.push_back(std::move(entry));
    plan.compiled_.push_back(std::move(compiled));
  }
  for (const std::string& path : others) {
    bool known = false;
    for (const std::string& w : wanted) known = known || w == path || SameFile(w, path);
    if (known) continue;
    PlannedIndex entry;
    entry.Path = path;
    // A file whose keys and conditions all compile against this table's fields.
    if (ReadAndCompile(entry, fields, options)) plan.candidates_.push_back(ShownName(path));
  }
  return plan;
}

namespace {

// Why a rebuild failed, from what it raised.
std::string FailureReason(const std::exception_ptr& raised) {
  try {
    std::rethrow_exception(raised);
  } catch (const IndexFailure& failure) {
    return failure.Description;
  } catch (const DbfFailure& failure) {
    return failure.Description;
  } catch (const std::exception& e) {
    return e.what();
  }
}

}  // namespace

IndexRebuildOutcome IndexPlan::Rebuild(size_t memoryBudget) {
  IndexRebuildOutcome outcome;
  if (!RebuildsAny()) return outcome;
  File file;
  DbfHeader header;
  try {
    header = TableHeader(table_, file);
  } catch (const DbfFailure& failure) {
    for (const PlannedIndex& f : files_)
      if (f.Reason.empty()) outcome.Failed.emplace_back(f.Shown, failure.Description);
    return outcome;
  }
  const uint32_t count = header.RecCount;

  // One pass over the records feeds every file; the files share the pass's budget.
  struct Feed {
    size_t File;
    Compiled* Expressions;
    std::unique_ptr<IndexFileRebuild> Rebuild;
    expr::DbfRecordView View;
    std::vector<TagKey> Keys;
  };
  std::vector<std::string> failed(files_.size());
  std::vector<Feed> feeds;
  size_t rebuildable = 0;
  for (size_t i = 0; i < files_.size(); ++i) rebuildable += files_[i].Reason.empty() && compiled_[i];
  const size_t share = std::min(memoryBudget, kRebuildPassBudget / std::max<size_t>(rebuildable, 1));
  feeds.reserve(rebuildable);
  for (size_t i = 0; i < files_.size(); ++i) {
    const PlannedIndex& entry = files_[i];
    Compiled* compiled = compiled_[i].get();
    if (!entry.Reason.empty() || !compiled) continue;
    try {
      auto rebuild = std::make_unique<IndexFileRebuild>(entry.Info, HandlerOf(entry.Info.Format),
                                                        count, share);
      feeds.push_back({i, compiled, std::move(rebuild), expr::DbfRecordView(compiled->Slots),
                       std::vector<TagKey>(entry.Info.Tags.size())});
    } catch (...) {
      failed[i] = FailureReason(std::current_exception());
    }
  }

  const auto giveUp = [&](Feed& feed, const std::exception_ptr& raised) {
    failed[feed.File] = FailureReason(raised);
    feed.Rebuild.reset();
  };
  if (!feeds.empty()) {
    RecordPass pass(file, header);
    // A piece of records at a time for one file after the other: each file's expressions
    // and sorters stay in the cache for a whole piece.
    for (uint32_t first = 1; first <= count;) {
      uint32_t inPiece = 0;
      try {
        inPiece = pass.PieceFrom(first);
      } catch (...) {
        for (Feed& feed : feeds)
          if (feed.Rebuild) giveUp(feed, std::current_exception());
        break;
      }
      for (Feed& feed : feeds) {
        if (!feed.Rebuild) continue;
        try {
          for (uint32_t recNo = first; recNo < first + inPiece; ++recNo) {
            feed.View.Bind(pass.At(recNo), recNo);
            for (size_t t = 0; t < feed.Keys.size(); ++t) {
              expr::Expression& key = *feed.Expressions->Keys[t];
              TagKey& out = feed.Keys[t];
              if (key.Type() == expr::ExprType::Text) {
                out.Text = key.EvalText(feed.View);
                out.IsText = true;
              } else {
                out.Key = key.Evaluate(feed.View);
              }
              out.Included =
                  !feed.Expressions->Fors[t] || feed.Expressions->Fors[t]->EvalLogic(feed.View);
            }
            feed.Rebuild->Take(recNo, feed.Keys);
          }
        } catch (...) {
          giveUp(feed, std::current_exception());
        }
      }
      if (std::none_of(feeds.begin(), feeds.end(), [](const Feed& f) { return f.Rebuild != nullptr; }))
        break;
      first += inPiece;
    }
  }
  // Written one after the other: each file's sorted runs are read back while it is written.
  for (Feed& feed : feeds) {
    if (!feed.Rebuild) continue;
    try {
      feed.Rebuild->Complete();
    } catch (...) {
      failed[feed.File] = FailureReason(std::current_exception());
    }
    feed.Rebuild.reset();
  }
  for (size_t i = 0; i < files_.size(); ++i) {
    if (!files_[i].Reason.empty() || !compiled_[i]) continue;
    if (failed[i].empty())
      outcome.Rebuilt.push_back(files_[i].Shown);
    else
      outcome.Failed.emplace_back(files_[i].Shown, failed[i]);
  }
  return outcome;
}

}  // namespace fw
