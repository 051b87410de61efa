// What compiled xBase expressions cost per record: three index keys and two formulas over a
// table of records in memory (100-byte records: C 30, C 20, N 10.2, N 8, D, L, C 15, N 7),
// against the same values written by hand in C++ for these very expressions (read the field
// text, upper-case, format the number with the field bytes' rounding), the least a key builder
// can do. CPU time of the process; each figure the median of RUNS runs.
//
//     build/bench/bench_expression [RECORDS] [RUNS]     # default 1,000,000 and 5
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "core/expr/DbfRecordView.h"
#include "core/expr/Expression.h"
#include "core/expr/XbaseText.h"
#include "core/platform/FieldBytes.h"

namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

constexpr uint32_t kRecordLength = 100;
const std::vector<fw::expr::FieldSlot> kSlots = {{1, 30, 'C'}, {31, 20, 'C'}, {51, 10, 'N'}, {61, 8, 'N'},
                                                 {69, 8, 'D'}, {77, 1, 'L'}, {78, 15, 'C'}, {93, 7, 'N'}};

std::vector<char> MakeRecords(uint32_t count) {
  static const char* names[] = {"Meier", "Schulze", "M\xFCller", "Schmidt", "Wagner", "Becker"};
  static const char* first[] = {"Hans", "Anna", "J\xFCrgen", "Petra", "Klaus"};
  std::vector<char> records(size_t(count) * kRecordLength, ' ');
  uint64_t x = 88172645463325252ull;
  for (uint32_t i = 0; i < count; ++i) {
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    char* r = records.data() + size_t(i) * kRecordLength;
    std::memcpy(r + 1, names[x % 6], std::strlen(names[x % 6]));
    std::memcpy(r + 31, first[(x >> 8) % 5], std::strlen(first[(x >> 8) % 5]));
    char buf[32];
    std::snprintf(buf, sizeof buf, "%10.2f", double(x % 10000000) / 100 - 20000);
    std::memcpy(r + 51, buf, 10);
    std::snprintf(buf, sizeof buf, "%8u", uint32_t(i + 1));
    std::memcpy(r + 61, buf, 8);
    std::snprintf(buf, sizeof buf, "%04u%02u%02u", 1950 + uint32_t(x >> 20) % 70, 1 + uint32_t(x >> 30) % 12,
                  1 + uint32_t(x >> 40) % 28);
    std::memcpy(r + 69, buf, 8);
    r[77] = (x >> 50) & 1 ? 'T' : 'F';
    std::snprintf(buf, sizeof buf, "%7u", uint32_t(x >> 33) % 1000000);
    std::memcpy(r + 93, buf, 7);
  }
  return records;
}

}  // namespace

int main(int argc, char** argv) {
  const uint32_t count = argc > 1 ? uint32_t(std::strtoul(argv[1], nullptr, 10)) : 1000000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const std::vector<char> records = MakeRecords(count);

  fw::expr::FieldList fields;
  const char* names[] = {"NAME", "VORNAME", "UMSATZ", "NUMMER", "DATUM", "AKTIV", "ORT", "PUNKTE"};
  const fw::expr::ExprType types[] = {fw::expr::ExprType::Text, fw::expr::ExprType::Text,
                                      fw::expr::ExprType::Number, fw::expr::ExprType::Number,
                                      fw::expr::ExprType::Date, fw::expr::ExprType::Logic,
                                      fw::expr::ExprType::Text, fw::expr::ExprType::Number};
  const uint32_t decimals[] = {0, 0, 2, 0, 0, 0, 0, 0};
  for (uint32_t i = 0; i < 8; ++i) fields.Add(names[i], {i, types[i], kSlots[i].Length, decimals[i]});

  const char* keys[] = {"UPPER(NAME)+UPPER(VORNAME)", "DTOS(DATUM)+STR(NUMMER,8)", "STR(UMSATZ,10,2)"};
  const char* formulas[] = {"ROUND(UMSATZ*1.19,2)", "TRIM(VORNAME)+\" \"+NAME"};
  std::vector<std::unique_ptr<fw::expr::Expression>> compiledKeys, compiledFormulas;
  for (const char* k : keys) compiledKeys.push_back(std::move(fw::expr::Compile(k, fields).Compiled));
  for (const char* f : formulas) compiledFormulas.push_back(std::move(fw::expr::Compile(f, fields).Compiled));

  fw::expr::DbfRecordView view(kSlots);
  std::vector<double> copyTimes, handFormulaTimes, keyTimes, formulaTimes;
  uint64_t sink = 0;
  for (int run = 0; run < runs; ++run) {
    // (a) The same keys and formulas by hand.
    double t = CpuSeconds();
    char key[64];
    for (uint32_t i = 0; i < count; ++i) {
      const char* r = records.data() + size_t(i) * kRecordLength;
      for (int k = 0; k < 50; ++k) {
        const char c = r[1 + k];
        key[k] = c >= 'a' && c <= 'z' ? char(c - 32) : c;
      }
      sink += uint8_t(key[3]);
      fw::DateBytes(fw::Date::FromDbf(std::string_view(r + 69, 8)), key);
      fw::NumberBytes(fw::expr::NumberOfFieldText(std::string_view(r + 61, 8)), 8, 0, key + 8);
      sink += uint8_t(key[3]);
      fw::NumberBytes(fw::expr::NumberOfFieldText(std::string_view(r + 51, 10)), 10, 2, key);
      sink += uint8_t(key[3]);
    }
    copyTimes.push_back(CpuSeconds() - t);
    t = CpuSeconds();
    std::string text;
    for (uint32_t i = 0; i < count; ++i) {
      const char* r = records.data() + size_t(i) * kRecordLength;
      sink += uint64_t(fw::expr::RoundDecimal(fw::expr::NumberOfFieldText(std::string_view(r + 51, 10)) * 1.19, 2));
      std::string_view first(r + 31, 20);
      while (!first.empty() && first.back() == ' ') first.remove_suffix(1);
      text.assign(first);
      text += ' ';
      text.append(r + 1, 30);
      sink += text.size();
    }
    handFormulaTimes.push_back(CpuSeconds() - t);

    t = CpuSeconds();
    for (uint32_t i = 0; i < count; ++i) {
      view.Bind(records.data() + size_t(i) * kRecordLength, i + 1);
      for (auto& k : compiledKeys) sink += uint8_t(k->EvalText(view)[3]);
    }
    keyTimes.push_back(CpuSeconds() - t);

    t = CpuSeconds();
    for (uint32_t i = 0; i < count; ++i) {
      view.Bind(records.data() + size_t(i) * kRecordLength, i + 1);
      sink += uint64_t(compiledFormulas[0]->EvalNumber(view));
      sink += compiledFormulas[1]->EvalText(view).size();
    }
    formulaTimes.push_back(CpuSeconds() - t);
  }
  const double hand = bench::Median(copyTimes), handFormulas = bench::Median(handFormulaTimes),
               keysTime = bench::Median(keyTimes), formulasTime = bench::Median(formulaTimes);
  std::printf("%u records, median of %d runs (CPU)\n", count, runs);
  std::printf("3 keys by hand                 %8.3f s  %6.1f ns/record\n", hand, hand / count * 1e9);
  std::printf("3 compiled keys                %8.3f s  %6.1f ns/record  %5.2f x by hand\n", keysTime,
              keysTime / count * 1e9, keysTime / hand);
  std::printf("2 formulas by hand             %8.3f s  %6.1f ns/record\n", handFormulas,
              handFormulas / count * 1e9);
  std::printf("2 compiled formulas            %8.3f s  %6.1f ns/record  %5.2f x by hand\n", formulasTime,
              formulasTime / count * 1e9, formulasTime / handFormulas);
  std::printf("(checksum %llu)\n", static_cast<unsigned long long>(sink));
  return 0;
}
