// Fill benchmark of a field that refers to another table.
//
//   bench_reference [DATA_FOLDER] [RUNS]
//
// 100,000 customers (KDNR N(8) distinct, NAME C(30)); then orders (AUFNR N(8), KDNR N(8),
// NAME C(30), BETRAG N(10,2)) whose KDNR refers to the customers with JE=8..12 and whose NAME
// is looked up with it (about 1,000,000 orders), against a plain fill of as many orders
// (KDNR a random number, NAME random letters). Target: the reference fill within 1.5 x the
// plain one. Also the memory that reading 1,000,000 parent keys (N(8)) takes.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BenchFigures.h"
#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillHost.h"
#include "core/generate/FillRun.h"
#include "core/generate/ParentValues.h"
#include "core/generate/Random.h"

namespace {

using namespace fw;

double CpuSeconds() {
  timespec c{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c);
  return double(c.tv_sec) + double(c.tv_nsec) * 1e-9;
}

long RssKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

struct LoudHost : QuietFillHost {
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    std::fprintf(stderr, "%s: %s\nDie Messung ist ungültig und wird abgebrochen.\n",
                 caption.c_str(), text.c_str());
    std::exit(1);
  }
};

// Fills `table` (made new with `fields`) by the rules text; returns CPU seconds, sets the count.
double Fill(const std::string& folder, const std::string& table,
            const std::vector<FieldInfo>& fields, const std::string& rules, uint32_t records,
            const std::string& data, uint32_t& written) {
  std::remove(table.c_str());
  DBServer::Create(table, fields, "DBFNTX");
  std::ofstream(folder + "regeln.ini") << rules;
  RandomStream random(2024);
  RunContext context;
  context.DataFolder = data;
  context.Random = &random;
  AnalysisResult analysis = Analyse(table, context);
  RuleSet set = BlankRules(analysis);
  std::string error;
  if (!ApplyRules(folder + "regeln.ini", *analysis.Table, set, error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    std::exit(1);
  }
  LoudHost host;
  FillRun run(host, context);
  run.Rules = std::move(set);
  run.nVorhanden = analysis.RecordCount;
  run.dbAuswahl = std::move(analysis.Table);
  const double start = CpuSeconds();
  run.PBFillDB(std::to_string(records), false);
  run.dbAuswahl.reset();
  written = run.nGeschrieben;
  return CpuSeconds() - start;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string data = argc > 1 ? std::string(argv[1]) + "/" : "data/ProgrammDaten/";
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
  char pattern[] = "/tmp/bench-reference-XXXXXX";
  const std::string folder = std::string(::mkdtemp(pattern)) + "/";
  const std::vector<FieldInfo> kunden = {{"KDNR", 'N', 8, 0}, {"NAME", 'C', 30, 0}};
  const std::vector<FieldInfo> auftrag = {
      {"AUFNR", 'N', 8, 0}, {"KDNR", 'N', 8, 0}, {"NAME", 'C', 30, 0}, {"BETRAG", 'N', 10, 2}};
  const std::string parentRules =
      "[KDNR]\nMINIMUM=1\nMAXIMUM=9999999\nEINDEUTIG=1\n[NAME]\nQUELLE=Random\nMAXLENGTH=25\n";
  const std::string common = "[AUFNR]\nMINIMUM=1\nMAXIMUM=99999999\n"
                             "[BETRAG]\nMINIMUM=1\nMAXIMUM=9999\n";
  const std::string referring = common +
      "[KDNR]\nQUELLE=Tabelle\nTABELLE=kunden.dbf\nFELD=KDNR\nJE=8..12\n"
      "[NAME]\nQUELLE=Tabelle\nFELD=NAME\nMIT=KDNR\n";
  const std::string plain = common + "[KDNR]\nMINIMUM=1\nMAXIMUM=9999999\n"
                                     "[NAME]\nQUELLE=Random\nMAXLENGTH=25\n";
  uint32_t parents = 0, orders = 0, plainOrders = 0;
  Fill(folder, folder + "kunden.dbf", kunden, parentRules, 100000, data, parents);

  std::vector<double> withReference, without;
  for (int i = 0; i < runs; ++i) {
    withReference.push_back(
        Fill(folder, folder + "auftrag.dbf", auftrag, referring, 1, data, orders));
    without.push_back(
        Fill(folder, folder + "auftrag.dbf", auftrag, plain, orders, data, plainOrders));
  }
  const double a = bench::Median(withReference), b = bench::Median(without);
  std::printf("%u Kunden, %u Aufträge mit JE=8..12 und nachgeschlagenem Namen: %.3f s CPU\n",
              parents, orders, a);
  std::printf("%u Aufträge ohne Verweis: %.3f s CPU; Verhältnis %.2f (Ziel ≤ 1.5)\n",
              plainOrders, b, a / b);

  // Memory of 1,000,000 parent keys.
  uint32_t many = 0;
  Fill(folder, folder + "viele.dbf", kunden, parentRules, 1000000, data, many);
  {
    DBServer parent(folder + "viele.dbf", true, true);
    const long before = RssKiB();
    ParentValues keys;
    std::string error;
    ReadParentValues(parent, {"KDNR"}, keys, error);
    const long after = RssKiB();
    ParentValues withNames;
    ReadParentValues(parent, {"KDNR", "NAME"}, withNames, error);
    const long both = RssKiB();
    std::printf("%u Elternschlüssel N(8): %.1f MiB; mit NAME C(30) dazu %.1f MiB mehr\n",
                keys.Records, double(after - before) / 1024, double(both - after) / 1024);
  }
  std::printf("Höchster Speicherbedarf (VmHWM): %.1f MiB\n", double(bench::PeakRssKiB()) / 1024);
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  return 0;
}
