// The cost of keeping index files true after a fill.
//
//   bench_index [DATA_FOLDER] [RUNS] [rss]
//
// A table of KDNR N(8), NAME C(40), VORNAME C(20), PLZ C(6), ORT C(20), UMSATZ N(10,2) and
// GEBDATUM D, filled by the suggested rules with 1,000,000 records, once without index files
// and once with three Clipper index files beside it (PLZ: 6-byte keys, UPPER(NAME): 40,
// LEFT(ORT, 6): 6), which the run then rebuilds from all records. Target: the run with the indexes
// <= 2.5 x the run without. Prints the medians of RUNS runs (default 3), CPU and wall.
// "rss" instead fills 10,000,000 records with one index (UPPER(NAME)) and prints the peak
// resident memory (VmHWM); target: at most 64 MiB, the keys sorted in runs on disk.
// With BENCH_INDEX_KEEP set in the environment the folder stays, with the table and index
// files of the last run, to compare the files two builds write.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "core/app/Utilities.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/RuleSuggestions.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/Random.h"
#include "core/index/TableIndexes.h"
#include "core/platform/DBServer.h"

namespace {

using namespace fw;

struct Times {
  double Cpu = 0, Wall = 0;
};

Times Now() {
  timespec c{}, w{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
  clock_gettime(CLOCK_MONOTONIC, &w);
  return {double(c.tv_sec) + double(c.tv_nsec) * 1e-9, double(w.tv_sec) + double(w.tv_nsec) * 1e-9};
}

struct NullHost : QuietFillHost {
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\nDie Messung ist ungültig und wird abgebrochen.\n",
                 caption.c_str(), text.c_str());
    std::exit(1);
  }
};

// An empty Clipper 5 index: the header page and an empty root page, as Clipper writes one for
// a table without records.
void WriteEmptyNtx(const std::string& path, const std::string& key, uint32_t keySize) {
  std::vector<uint8_t> file(2048, 0);
  const auto put16 = [&](size_t at, uint32_t v) {
    file[at] = uint8_t(v);
    file[at + 1] = uint8_t(v >> 8);
  };
  const uint32_t maxItems = 1022 / (keySize + 10) - 1;
  put16(0, 6);
  put16(2, 1);
  put16(4, 1024);
  put16(12, keySize + 8);
  put16(14, keySize);
  put16(18, maxItems);
  put16(20, maxItems / 2);
  std::memcpy(file.data() + 22, key.data(), key.size());
  for (uint32_t i = 0; i <= maxItems; ++i) put16(1024 + 2 + 2 * i, 2 + 2 * (maxItems + 1) + i * (keySize + 8));
  FILE* f = std::fopen(path.c_str(), "wb");
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
}

class Bench {
public:
  explicit Bench(std::string data) : data_(std::move(data)) {
    char pattern[] = "/tmp/bench-index-XXXXXX";
    folder_ = std::string(::mkdtemp(pattern)) + "/";
    DefinitionTables::CreateEmpty(folder_);
    RunContext tables;
    tables.DataFolder = folder_;
    tables_ = std::make_unique<DefinitionTables>(tables);
  }
  ~Bench() {
    tables_.reset();
    if (std::getenv("BENCH_INDEX_KEEP")) {
      std::printf("Ordner bleibt: %s\n", folder_.c_str());
      return;
    }
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
  }

  // One run of `records` into a new table with the index files of `keys` (expression, key
  // size) beside it; returns its times.
  Times Fill(uint32_t records, const std::vector<std::pair<std::string, uint32_t>>& keys) {
    const std::string table = folder_ + "kunden.dbf";
    for (const auto& entry : std::filesystem::directory_iterator(folder_))
      if (entry.path().filename().string().rfind("kunden", 0) == 0 ||
          entry.path().extension() == ".ntx")
        std::filesystem::remove(entry.path());
    DBServer::Create(table,
                     {{"KDNR", 'N', 8, 0}, {"NAME", 'C', 40, 0}, {"VORNAME", 'C', 20, 0},
                      {"PLZ", 'C', 6, 0}, {"ORT", 'C', 20, 0}, {"UMSATZ", 'N', 10, 2},
                      {"GEBDATUM", 'D', 8, 0}},
                     "DBFNTX");
    std::vector<std::string> named;
    for (size_t i = 0; i < keys.size(); ++i) {
      named.push_back(folder_ + "k" + std::to_string(i) + ".ntx");
      WriteEmptyNtx(named.back(), keys[i].first, keys[i].second);
    }
    tables_->DB_Zap();
    RandomStream random(2024);
    RunContext context;
    context.DataFolder = data_;
    context.Random = &random;
    AnalysisResult analysis = Analyse(table, *tables_, context);
    SuggestRules(*analysis.Table, *tables_, Date::Today());
    IndexPlan plan = PlanTableIndexes(table, named);
    NullHost host;
    FillRun run(host, *tables_, context);
    run.nVorhanden = analysis.RecordCount;
    run.dbAuswahl = std::move(analysis.Table);
    run.Indexes = &plan;
    const Times start = Now();
    run.PBFillDB(std::to_string(records), false);
    const Times end = Now();
    if (run.nGeschrieben != records || run.IndexesRebuilt.Rebuilt.size() != keys.size()) {
      std::fprintf(stderr, "Der Lauf schrieb nicht, was er sollte: %s\n", run.Summary().c_str());
      std::exit(1);
    }
    return {end.Cpu - start.Cpu, end.Wall - start.Wall};
  }

private:
  std::string data_, folder_;
  std::unique_ptr<DefinitionTables> tables_;
};

}  // namespace

int main(int argc, char** argv) {
  std::string data = argc > 1 && *argv[1] ? argv[1] : ProgramFolder() + "../bin/ProgrammDaten/";
  if (data.back() != '/') data += '/';
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  const bool rss = argc > 3 && std::string(argv[3]) == "rss";
  SetDateFormat(GermanDateFormat());
  Bench bench(data);
  if (rss) {
    const Times t = bench.Fill(10'000'000, {{"UPPER(NAME)", 40}});
    std::printf("10.000.000 Sätze mit einem Index (UPPER(NAME)): %.1f s CPU, %.1f s Uhr; "
                "Spitze des belegten Speichers %.1f MiB\n",
                t.Cpu, t.Wall, double(bench::PeakRssKiB()) / 1024.0);
    return 0;
  }
  const std::vector<std::pair<std::string, uint32_t>> three = {
      {"PLZ", 6}, {"UPPER(NAME)", 40}, {"LEFT(ORT, 6)", 6}};
  std::vector<double> cpuPlain, wallPlain, cpuIndexed, wallIndexed;
  for (int r = 0; r < runs; ++r) {
    const Times plain = bench.Fill(1'000'000, {});
    const Times indexed = bench.Fill(1'000'000, three);
    cpuPlain.push_back(plain.Cpu);
    wallPlain.push_back(plain.Wall);
    cpuIndexed.push_back(indexed.Cpu);
    wallIndexed.push_back(indexed.Wall);
  }
  const double cp = bench::Median(cpuPlain), ci = bench::Median(cpuIndexed);
  const double wp = bench::Median(wallPlain), wi = bench::Median(wallIndexed);
  std::printf("1.000.000 Sätze ohne Index:       %.3f s CPU, %.3f s Uhr\n", cp, wp);
  std::printf("1.000.000 Sätze mit drei NTX:     %.3f s CPU, %.3f s Uhr\n", ci, wi);
  std::printf("Verhältnis: %.2f x CPU, %.2f x Uhr (Ziel <= 2,5 x)\n", ci / cp, wi / wp);
  return 0;
}
