// Fill benchmark through the core, without a window.
//
//   bench_fill [DATA_FOLDER] [RUNS] [PART]
//
// PART "acht" or "memo" runs only that table (for profiling one of them); "vorschlag" runs
// only 3. and 4.; "rss" only fills 10,000,000 records of table 3 and prints the peak memory.
// 1. A table of C(20) "Namen", C(25) "Strassen", C(5) "PLZ", C(20) "Orte", N(10,2), N(8,0), L
//    and D, filled with 1,000,000 records.
// 2. A table with one memo field, filled with 100,000 memos of 5 to 20 words from "Worte".
// 3. A table of eight fields with the names xBase programmers give them (KDNR, VORNAME, NAME,
//    STRASSE, PLZ, ORT, UMSATZ, GEBDATUM), filled with 1,000,000 records by the suggested
//    rules: unique numbers, linked person and place columns, streets with house numbers.
// 4. The sample table TestDaten/Kunden.dbf (ten fields with a memo), 1,000,000 records by the
//    suggested rules.
// For each it also times (a) producing the same values into memory, without any table, and
// (b) one raw sequential write of as many bytes as the fill wrote. The target: fill <= 1.5 x
// (a + b). Prints the median of RUNS runs (default 5) and the peak resident memory (VmHWM).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "core/app/Utilities.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/RuleSuggestions.h"
#include "core/generate/ColumnOptions.h"
#include "core/generate/GeneratedSources.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/Generators.h"
#include "core/generate/Random.h"
#include "core/generate/WordSource.h"

namespace {

using namespace fw;
// Process CPU time (user + system): the machine is shared, and CPU time is what the work
// costs whatever else runs. Wall time is printed beside it.
struct Clock {
  struct time_point {
    double cpu, wall;
  };
  static time_point now() {
    timespec c{}, w{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
    clock_gettime(CLOCK_MONOTONIC, &w);
    return {double(c.tv_sec) + double(c.tv_nsec) * 1e-9, double(w.tv_sec) + double(w.tv_nsec) * 1e-9};
  }
};
double gLastWall = 0;  // wall time of the last Seconds() measurement

double Seconds(Clock::time_point since) {
  const Clock::time_point now = Clock::now();
  gLastWall = now.wall - since.wall;
  return now.cpu - since.cpu;
}

using bench::Median;
using bench::PeakRssKiB;

uint64_t FileSize(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? uint64_t(st.st_size) : 0;
}

struct NullHost : QuietFillHost {
  // Any message means the run did not do the work being timed (a missing word source, say):
  // its figures would mislead.
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\nDie Messung ist ungültig und wird abgebrochen.\n",
                 caption.c_str(), text.c_str());
    std::exit(1);
  }
};

// Keeps the values of one record in memory the cheapest sensible way: text copied into a
// record-sized slot, numbers, logicals and dates as they come.
struct MemoryWriter : FieldWriter {
  char* slot = nullptr;
  size_t width = 0;
  std::string memo;  // the memo text, reused
  double number = 0;
  bool logic = false;
  Date date;
  uint64_t bytes = 0;
  void PutText(std::string_view text) override {
    if (width == 0) {
      memo.assign(text);
      bytes += text.size();
      return;
    }
    const size_t n = std::min(width, text.size());
    std::memcpy(slot, text.data(), n);
    std::memset(slot + n, ' ', width - n);
  }
  void PutNumber(double n) override { number += n; }
  void PutLogic(bool l) override { logic ^= l; }
  void PutDate(Date d) override { date = d; }
};

struct Rule {
  FieldKind Kind;
  std::string Field;
  std::vector<std::pair<std::string, Value>> Columns;
};

class Bench {
public:
  explicit Bench(std::string data) : data_(std::move(data)) {
    char pattern[] = "/tmp/bench-fill-XXXXXX";
    folder_ = std::string(::mkdtemp(pattern)) + "/";
    DefinitionTables::CreateEmpty(folder_);
    RunContext tables;
    tables.DataFolder = folder_;
    tables_ = std::make_unique<DefinitionTables>(tables);
  }
  ~Bench() {
    tables_.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // One fill of `records` into a new table; returns seconds, sets the bytes written.
  double Fill(const std::vector<FieldInfo>& fields, const std::vector<Rule>& rules,
              uint32_t records, uint64_t& bytes, bool suggest = false) {
    const std::string table = folder_ + "ziel.dbf";
    std::remove(table.c_str());
    std::remove((folder_ + "ziel.dbt").c_str());
    DBServer::Create(table, fields, "DBFNTX");
    tables_->DB_Zap();
    RandomStream random(2024);
    RunContext context;
    context.DataFolder = data_;
    context.Random = &random;
    AnalysisResult analysis = Analyse(table, *tables_, context);
    if (suggest) SuggestRules(*analysis.Table, *tables_, Date::Today());
    for (const Rule& rule : rules) {
      DBServer& t = tables_->Table(rule.Kind);
      for (uint32_t i = 1; i <= t.RecCount(); ++i) {
        t.GoTo(i);
        std::string name = t.FieldGet("FELDNAMEN").AsText();
        name.erase(name.find_last_not_of(' ') + 1);
        if (name != rule.Field) continue;
        for (const auto& [column, value] : rule.Columns) t.FieldPut(column, value);
      }
    }
    NullHost host;
    FillRun run(host, *tables_, context);
    run.nVorhanden = analysis.RecordCount;
    run.dbAuswahl = std::move(analysis.Table);
    const auto start = Clock::now();
    run.PBFillDB(std::to_string(records), false);
    run.dbAuswahl.reset();  // closes and commits: part of the fill
    const double seconds = Seconds(start);
    bytes = FileSize(table) + FileSize(folder_ + "ziel.dbt");
    if (run.nVorhanden != records) std::fprintf(stderr, "Fehler: %u Sätze\n", run.nVorhanden);
    return seconds;
  }

  // (b): one sequential write of `bytes` into a new file, in 1 MiB pieces, then closed.
  double RawWrite(uint64_t bytes) {
    const std::string path = folder_ + "roh.bin";
    std::vector<char> buffer(1 << 20, 'x');
    const auto start = Clock::now();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    for (uint64_t done = 0; done < bytes;) {
      const size_t n = size_t(std::min<uint64_t>(buffer.size(), bytes - done));
      if (::write(fd, buffer.data(), n) != ssize_t(n)) break;
      done += n;
    }
    ::close(fd);
    const double seconds = Seconds(start);
    std::remove(path.c_str());
    return seconds;
  }

  std::shared_ptr<const WordList> Words(const char* name) {
    std::string text;
    ReadWordFile(FindSourceFile(data_, name), text);
    return std::make_shared<const WordList>(NonEmptyEntries(SplitWordList(text)));
  }

private:
  std::string data_, folder_;
  std::unique_ptr<DefinitionTables> tables_;
};

// (a) for a list of column sources and slot widths (0 = memo): every value of every record.
double Generate(std::vector<std::unique_ptr<ColumnSource>>& sources,
                const std::vector<size_t>& widths, uint32_t records) {
  size_t recordLength = 1;
  for (size_t w : widths) recordLength += w;
  std::vector<char> record(recordLength);
  MemoryWriter writer;
  const auto start = Clock::now();
  for (uint32_t r = 0; r < records; ++r) {
    size_t offset = 1;
    for (size_t i = 0; i < sources.size(); ++i) {
      writer.slot = record.data() + offset;
      writer.width = widths[i];
      sources[i]->Produce(writer);
      offset += widths[i];
    }
  }
  const double seconds = Seconds(start);
  if (writer.number == 12345.678) std::puts("");  // keep the values alive
  return seconds;
}

void Report(const char* name, uint32_t records, const std::vector<double>& fill,
            const std::vector<double>& fillWall, const std::vector<double>& generate,
            const std::vector<double>& write, uint64_t bytes) {
  const double f = Median(fill), a = Median(generate), b = Median(write);
  const double w = Median(fillWall);
  std::printf("%s\n", name);
  std::printf("  Datensätze            %u (%.1f MB geschrieben)\n", records, double(bytes) / 1e6);
  std::printf("  Füllen                %.3f s CPU, %.3f s Uhrzeit (%.0f Sätze/s CPU)\n", f, w,
              records / f);
  std::printf("  (a) Werte im Speicher %.3f s\n", a);
  std::printf("  (b) rohes Schreiben   %.3f s\n", b);
  std::printf("  Füllen / (a + b)      %.2f  (Ziel <= 1.50)  %s\n", f / (a + b),
              f / (a + b) <= 1.5 ? "erreicht" : "VERFEHLT");
  // Minimums: what each costs when nothing else disturbs it (the machine may be shared).
  const double fMin = *std::min_element(fill.begin(), fill.end());
  const double aMin = *std::min_element(generate.begin(), generate.end());
  const double bMin = *std::min_element(write.begin(), write.end());
  std::printf("  Minimum: Füllen %.3f s, (a) %.3f s, (b) %.3f s, Verhältnis %.2f\n", fMin, aMin,
              bMin, fMin / (aMin + bMin));
}

}  // namespace

int main(int argc, char** argv) {
  std::string data = argc > 1 && *argv[1] ? argv[1] : ProgramFolder() + "../bin/ProgrammDaten/";
  if (data.back() != '/') data += '/';
  std::printf("CPU-Zeiten des Prozesses (Benutzer + System), Median aus den Läufen.\n");
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  SetDateFormat(GermanDateFormat());
  const std::string part = argc > 3 ? argv[3] : "";
  Bench bench(data);

  // ---- 1. eight fields, 1,000,000 records -------------------------------------------------
  const uint32_t n1 = 1000000;
  const std::vector<FieldInfo> fields = {
      {"NAME", 'C', 20, 0},   {"STRASSE", 'C', 25, 0}, {"PLZ", 'C', 5, 0},
      {"ORT", 'C', 20, 0},    {"BETRAG", 'N', 10, 2},  {"NUMMER", 'N', 8, 0},
      {"AKTIV", 'L', 1, 0},   {"DATUM", 'D', 8, 0}};
  const Date start = Date::FromYmd(1950, 1, 1), end = Date::FromYmd(2024, 12, 31);
  const std::vector<Rule> rules = {
      {FieldKind::Character, "NAME", {{"QUELLE", Value("Namen")}}},
      {FieldKind::Character, "STRASSE", {{"QUELLE", Value("Strassen")}}},
      {FieldKind::Character, "PLZ", {{"QUELLE", Value("PLZ")}}},
      {FieldKind::Character, "ORT", {{"QUELLE", Value("Orte")}}},
      {FieldKind::Numeric, "BETRAG",
       {{"MINIMUM", Value(0)}, {"MAXIMUM", Value(99999)}, {"NEGATIV", Value(true)},
        {"PERCENTNEG", Value(10)}}},
      {FieldKind::Numeric, "NUMMER", {{"MINIMUM", Value(1)}, {"MAXIMUM", Value(99999999)}}},
      {FieldKind::Logic, "AKTIV", {{"PERCENTTRU", Value(50)}}},
      {FieldKind::Date, "DATUM", {{"STARTDATE", Value(start)}, {"ENDDATE", Value(end)}}}};
  std::vector<double> fill, generate, write, fillWall;
  uint64_t bytes = 0;
  for (int i = 0; i < runs && (part == "" || part == "acht"); ++i) {
    fill.push_back(bench.Fill(fields, rules, n1, bytes));
    fillWall.push_back(gLastWall);
    std::vector<std::unique_ptr<ColumnSource>> sources;
    sources.push_back(std::make_unique<WordColumn>(1, bench.Words("Namen")));
    sources.push_back(std::make_unique<WordColumn>(2, bench.Words("Strassen")));
    sources.push_back(std::make_unique<WordColumn>(3, bench.Words("PLZ")));
    sources.push_back(std::make_unique<WordColumn>(4, bench.Words("Orte")));
    sources.push_back(std::make_unique<NumberColumn>(5, 0, 99999, true, 10));
    sources.push_back(std::make_unique<NumberColumn>(6, 1, 99999999, false, 0));
    sources.push_back(std::make_unique<LogicColumn>(7, 50));
    sources.push_back(std::make_unique<DateColumn>(8, start, end));
    generate.push_back(Generate(sources, {20, 25, 5, 20, 0, 0, 0, 0}, n1));
    write.push_back(bench.RawWrite(bytes));
  }
  if (!fill.empty())
    Report("Tabelle mit 8 Feldern (C20 Namen, C25 Strassen, C5 PLZ, C20 Orte, N10.2, N8, L, D)",
           n1, fill, fillWall, generate, write, bytes);

  // ---- 2. one memo field, 100,000 records of 5 to 20 words --------------------------------
  const uint32_t n2 = 100000;
  const std::vector<FieldInfo> memoFields = {{"NOTIZ", 'M', 10, 0}};
  const std::vector<Rule> memoRules = {
      {FieldKind::Memo, "NOTIZ",
       {{"MINWORDS", Value(5)}, {"MAXWORDS", Value(20)}, {"QUELLE", Value("Worte")}}}};
  fill.clear();
  generate.clear();
  write.clear();
  fillWall.clear();
  for (int i = 0; i < runs && (part == "" || part == "memo"); ++i) {
    fill.push_back(bench.Fill(memoFields, memoRules, n2, bytes));
    fillWall.push_back(gLastWall);
    std::vector<std::unique_ptr<ColumnSource>> sources;
    sources.push_back(std::make_unique<MemoColumn>(9, 5, 20, bench.Words("Worte")));
    generate.push_back(Generate(sources, {0}, n2));
    write.push_back(bench.RawWrite(bytes));
  }
  if (!fill.empty())
    Report("Tabelle mit einem Memofeld (5 bis 20 Wörter aus \"Worte\")", n2, fill, fillWall,
           generate, write, bytes);

  // ---- 3. and 4.: suggested rules ---------------------------------------------------------
  const std::vector<FieldInfo> named = {
      {"KDNR", 'N', 8, 0}, {"VORNAME", 'C', 15, 0}, {"NAME", 'C', 20, 0}, {"STRASSE", 'C', 25, 0},
      {"PLZ", 'C', 5, 0},  {"ORT", 'C', 20, 0},     {"UMSATZ", 'N', 10, 2}, {"GEBDATUM", 'D', 8, 0}};
  const std::vector<FieldInfo> kunden = {
      {"NAME", 'C', 20, 0},    {"VORNAME", 'C', 15, 0}, {"STRASSE", 'C', 25, 0},
      {"PLZ", 'C', 5, 0},      {"ORT", 'C', 20, 0},     {"UMSATZ", 'N', 10, 2},
      {"KUNDENNR", 'N', 8, 0}, {"AKTIV", 'L', 1, 0},    {"GEBDATUM", 'D', 8, 0},
      {"NOTIZ", 'M', 10, 0}};
  const SuggestedRule birth = SuggestRule({"GEBDATUM", 'D', 8, 0}, {}, Date::Today());
  const std::vector<std::shared_ptr<const WordList>> people{
      bench.Words("VornamenMaennlich"), bench.Words("VornamenWeiblich"), bench.Words("Namen")};
  const std::vector<std::shared_ptr<const WordList>> places{bench.Words("PLZOrte")};
  const std::vector<std::shared_ptr<const WordList>> streets{bench.Words("Strassen")};
  // The columns the suggested rules give, in the order of `fields`, for (a).
  auto suggestedSources = [&](const std::vector<FieldInfo>& fields) {
    std::vector<std::unique_ptr<ColumnSource>> sources;
    const GroupSeeds groups{11, 12};
    uint64_t seed = 100;
    for (const FieldInfo& f : fields) {
      const SuggestedRule rule = SuggestRule(f, fields, Date::Today());
      if (f.Type == 'N' && rule.Options.Unique)
        sources.push_back(std::make_unique<UniqueNumberColumn>(++seed, rule.Minimum, rule.Maximum,
                                                               f.Decimals, false, 0));
      else if (f.Type == 'N')
        sources.push_back(std::make_unique<NumberColumn>(++seed, rule.Minimum, rule.Maximum,
                                                         rule.Negativ, rule.PercentNeg));
      else if (f.Type == 'L') sources.push_back(std::make_unique<LogicColumn>(++seed, 50));
      else if (f.Type == 'D')
        sources.push_back(std::make_unique<DateColumn>(++seed, birth.Start, birth.End));
      else if (f.Type == 'M')
        sources.push_back(std::make_unique<MemoColumn>(++seed, 5, 30, bench.Words("Worte")));
      else {
        const Generated g = *FindGenerated(rule.Quelle);
        const auto& files = g == Generated::StreetNumber ? streets
                            : (g == Generated::Postcode || g == Generated::Town) ? places
                                                                                  : people;
        sources.push_back(MakeGeneratedColumn(g, ++seed, groups, files, f.Length, false));
      }
    }
    return sources;
  };
  auto widths = [](const std::vector<FieldInfo>& fields) {
    std::vector<size_t> w;
    for (const FieldInfo& f : fields) w.push_back(f.Type == 'C' ? f.Length : 0);
    return w;
  };
  const struct {
    const char* Name;
    const std::vector<FieldInfo>* Fields;
  } suggested[] = {
      {"Vorgeschlagene Regeln, 8 Felder (KDNR, VORNAME, NAME, STRASSE, PLZ, ORT, UMSATZ, "
       "GEBDATUM)", &named},
      {"Vorgeschlagene Regeln, Beispieltabelle Kunden.dbf (10 Felder mit Memo)", &kunden}};
  for (const auto& table : suggested) {
    if (part != "" && part != "vorschlag") break;
    fill.clear();
    generate.clear();
    write.clear();
    fillWall.clear();
    for (int i = 0; i < runs; ++i) {
      fill.push_back(bench.Fill(*table.Fields, {}, n1, bytes, true));
      fillWall.push_back(gLastWall);
      auto sources = suggestedSources(*table.Fields);
      generate.push_back(Generate(sources, widths(*table.Fields), n1));
      write.push_back(bench.RawWrite(bytes));
    }
    Report(table.Name, n1, fill, fillWall, generate, write, bytes);
  }
  if (part == "rss") {
    const uint32_t n10 = 10000000;
    fill.push_back(bench.Fill(named, {}, n10, bytes, true));
    std::printf("Vorgeschlagene Regeln, 8 Felder, %u Datensätze: %.3f s CPU, %.1f MB\n", n10,
                fill.back(), double(bytes) / 1e6);
  }

  std::printf("Höchster Speicherbedarf (VmHWM): %.1f MiB (Ziel < 64 MiB)\n",
              double(PeakRssKiB()) / 1024.0);
  return 0;
}
