// The cost of producing values with the sources testers otherwise type by hand, without any
// table: weighted list, mask (random and distinct), running number (plain, in a mask, counted
// per group), constant and sentences, beside the word list and number sources of the usual
// rules. Prints nanoseconds per value (median of RUNS runs, CPU time).
//
//   bench_value_sources [DATA_FOLDER] [RUNS]
#include <ctime>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "core/generate/ConstantColumn.h"
#include "core/generate/Generators.h"
#include "core/generate/MaskColumns.h"
#include "core/generate/SentenceColumn.h"
#include "core/generate/SequenceColumn.h"
#include "core/generate/WeightedListColumn.h"
#include "core/generate/WordSource.h"

namespace {

using namespace fw;

double CpuSeconds() {
  timespec c{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
  return double(c.tv_sec) + double(c.tv_nsec) * 1e-9;
}

// Keeps a byte of every value so that nothing is optimised away.
struct SinkWriter final : FieldWriter {
  uint64_t sum = 0;
  void PutText(std::string_view t) override { sum += t.size() + (t.empty() ? 0 : uint8_t(t[0])); }
  void PutNumber(double n) override { sum += uint64_t(n); }
  void PutLogic(bool l) override { sum += l; }
  void PutDate(Date d) override { sum += uint64_t(d.DayNumber()); }
  void PutBlank() override { ++sum; }
};

Mask ParsedMask(const char* text) {
  Mask mask;
  std::string error;
  if (!Mask::Parse(text, 0, mask, error)) std::fprintf(stderr, "%s\n", error.c_str());
  return mask;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string folder = argc > 1 ? std::string(argv[1]) + "/" : "data/ProgrammDaten/";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  std::string text, error;
  if (ReadWordFile(folder + "Namen.txt", text) != WordFileRead::Ok) {
    std::fprintf(stderr, "Namen.txt fehlt in %s\n", folder.c_str());
    return 1;
  }
  auto names = std::make_shared<const std::vector<std::string>>(NonEmptyEntries(SplitWordList(text)));
  auto status = std::make_shared<WeightedList>();
  ParseWeightedValues("offen:6,bezahlt:3,storniert:1", 0, *status, error);
  auto parts = std::make_shared<SentenceParts>();
  if (!LoadSentenceParts(folder, *parts, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  const std::shared_ptr<const SentenceParts> sentenceParts = parts;

  struct Case {
    const char* name;
    uint32_t records;
    std::function<std::unique_ptr<ColumnSource>()> make;
  };
  const uint32_t n = 900000;
  const std::vector<Case> cases = {
      {"Wortliste (Namen)", n, [&] { return std::make_unique<WordColumn>(1, names); }},
      {"Zahl N(10,2)", n, [&] { return std::make_unique<NumberColumn>(1, 0, 99999, false, 0); }},
      {"Liste mit Gewichten", n,
       [&] { return std::make_unique<WeightedListColumn>(1, status); }},
      {"Maske KD-#####", n,
       [&] { return std::make_unique<RandomMaskColumn>(1, ParsedMask("KD-#####")); }},
      {"Maske KD-###### eindeutig", n,
       [&] { return std::make_unique<UniqueMaskColumn>(1, ParsedMask("KD-######")); }},
      {"Folge Zahl", n, [&] { return std::make_unique<SequenceColumn>(SequenceRule{1, 1}); }},
      {"Folge R2026-######", n,
       [&] {
         return std::make_unique<SequenceColumn>(SequenceRule{1, 1}, ParsedMask("R2026-######"));
       }},
      {"Folge je Gruppe (Namen)", n,
       [&] {
         return std::make_unique<SequenceColumn>(
             SequenceRule{1, 1}, std::nullopt,
             std::make_unique<GroupChanges>(std::make_unique<WordColumn>(1, names), 20, 0));
       }},
      {"Wert EUR", n, [&] { return std::make_unique<ConstantColumn>(Value("EUR")); }},
      {"Saetze 5-20 Worte (Memo)", 100000,
       [&] { return std::make_unique<SentenceColumn>(1, sentenceParts, 5, 20, 0); }},
      {"Saetze in C(80)", n,
       [&] { return std::make_unique<SentenceColumn>(1, sentenceParts, 5, 20, 80); }},
  };
  std::printf("%-28s %10s %12s\n", "Quelle", "Werte", "ns je Wert");
  for (const Case& c : cases) {
    std::vector<double> perValue;
    SinkWriter sink;
    for (int r = 0; r < runs; ++r) {
      auto column = c.make();
      const double start = CpuSeconds();
      for (uint32_t i = 0; i < c.records; ++i) column->Produce(sink);
      perValue.push_back((CpuSeconds() - start) * 1e9 / double(c.records));
    }
    std::printf("%-28s %10u %12.1f   (%llu)\n", c.name, c.records, bench::Median(perValue),
                (unsigned long long)(sink.sum % 10));
  }
  return 0;
}
