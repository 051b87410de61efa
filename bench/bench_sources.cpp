// The sources with parameters against the ordinary ones, through the command-line filler.
//
//   bench_sources [FILLER] [RECORDS] [RUNS]
//
// An invoice table of eleven fields without a memo (RECHNR C(12), ORDNR N(6), POS N(3),
// STATUS C(10), WAEHRUNG C(3), KUNDE C(8), BRUTTO N(10,2), NETTO N(10,2), FAELLIG D, DATUM D,
// NOTIZ C(60)) is filled with RECORDS records (default 900,000) twice per run: once with the
// ordinary rules of its fields (words, number ranges, date ranges), once with a running
// invoice number in a mask, a list for the order, positions per order, a weighted status, a
// constant currency, a unique customer mask, gross from net and a due date by formula and
// sentences for the note. Prints the median CPU time (user + system of the filler) of each
// and their ratio; the target is at most 2.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/app/Utilities.h"
#include "core/platform/DBServer.h"

namespace {

using namespace fw;

const char* const kPlain =
    "[RECHNR]\nQUELLE=Nummer\n[ORDNR]\nMINIMUM=1000\nMAXIMUM=1999\n[POS]\nMINIMUM=1\nMAXIMUM=9\n"
    "[STATUS]\nQUELLE=Worte\n[WAEHRUNG]\nQUELLE=Random\nMAXLENGTH=3\n[KUNDE]\nQUELLE=Nummer\n"
    "[BRUTTO]\nMINIMUM=0\nMAXIMUM=6000\n[NETTO]\nMINIMUM=0\nMAXIMUM=5000\n"
    "[FAELLIG]\nSTARTDATE=01.01.2026\nENDDATE=31.12.2026\n"
    "[DATUM]\nSTARTDATE=01.01.2026\nENDDATE=31.12.2026\n[NOTIZ]\nQUELLE=Worte\n";

const char* const kSources =
    "[RECHNR]\nQUELLE=Folge\nMASKE=R2026-######\n"
    "[ORDNR]\nQUELLE=Liste\nWERTE=1001:5,1002:3,1003:2\n"
    "[POS]\nQUELLE=Folge\nGRUPPE=ORDNR\n"
    "[STATUS]\nQUELLE=Liste\nWERTE=offen:6,bezahlt:3,storniert:1\n"
    "[WAEHRUNG]\nQUELLE=Wert\nWERT=EUR\n"
    "[KUNDE]\nQUELLE=Maske\nMASKE=KD-AX###\nEINDEUTIG=1\n"
    "[BRUTTO]\nQUELLE=Formel\nFORMEL=ROUND(NETTO*1.19,2)\n"
    "[NETTO]\nMINIMUM=0\nMAXIMUM=5000\n"
    "[FAELLIG]\nQUELLE=Formel\nFORMEL=DATUM+14\n"
    "[DATUM]\nSTARTDATE=01.01.2026\nENDDATE=31.12.2026\n"
    "[NOTIZ]\nQUELLE=Saetze\n";

// CPU seconds of one run of the filler, -1 when it fails.
double Run(const std::string& filler, const std::string& rules, const std::string& table,
           const std::string& records) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::execl(filler.c_str(), filler.c_str(), "-q", "--zap", "-n", records.c_str(), "--rules",
            rules.c_str(), "--seed", "1", table.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const std::string filler = argc > 1 && *argv[1] ? argv[1] : ProgramFolder() + "../bin/fuellwerk-fill";
  const std::string records = argc > 2 ? argv[2] : "900000";
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 3;
  char folder[] = "/tmp/fw-bench-sources-XXXXXX";
  if (!::mkdtemp(folder)) return 1;
  const std::string dir = folder, table = dir + "/Rechnung.dbf";
  if (!DBServer::Create(table, {{"RECHNR", 'C', 12, 0}, {"ORDNR", 'N', 6, 0}, {"POS", 'N', 3, 0},
                                {"STATUS", 'C', 10, 0}, {"WAEHRUNG", 'C', 3, 0},
                                {"KUNDE", 'C', 8, 0}, {"BRUTTO", 'N', 10, 2},
                                {"NETTO", 'N', 10, 2}, {"FAELLIG", 'D', 8, 0},
                                {"DATUM", 'D', 8, 0}, {"NOTIZ", 'C', 60, 0}},
                        "DBFNTX"))
    return 1;
  std::ofstream(dir + "/plain.ini") << kPlain;
  std::ofstream(dir + "/sources.ini") << kSources;
  std::vector<double> plain, sources;
  for (int i = 0; i < runs; ++i) {
    plain.push_back(Run(filler, dir + "/plain.ini", table, records));
    sources.push_back(Run(filler, dir + "/sources.ini", table, records));
    if (plain.back() < 0 || sources.back() < 0) {
      std::fprintf(stderr, "the filler failed (%s)\n", filler.c_str());
      return 1;
    }
  }
  const double a = Median(plain), b = Median(sources);
  std::printf("%s records, median of %d runs (CPU s): ordinary rules %.3f, sources with "
              "parameters %.3f, ratio %.2f (target <= 2)\n",
              records.c_str(), runs, a, b, b / a);
  std::filesystem::remove_all(dir);
  return 0;
}
