#include "cli/ProjectRun.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>
#include <vector>

#include "cli/CliHost.h"
#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/Random.h"
#include "core/project/FillOrder.h"
#include "core/project/ProjectFile.h"

namespace fw::cli {
namespace {

constexpr int kExitOk = 0, kExitRefused = 1, kExitStopped = 3;

FillRun* gRun = nullptr;  // the run a Ctrl+C stops

extern "C" void OnProjectInterrupt(int) {
  if (gRun) gRun->PBStop();  // stores to lock-free atomics only
}

// Ctrl+C and SIGTERM stop the table being written, for as long as it is.
struct StopOnSignal {
  explicit StopOnSignal(FillRun& run) {
    gRun = &run;
    struct sigaction action {};
    action.sa_handler = OnProjectInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
  }
  ~StopOnSignal() {
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    gRun = nullptr;
  }
};

std::string Lines(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

// Two paths of one file, also when written differently.
std::string SameFileKey(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
  return ec ? std::filesystem::absolute(path).lexically_normal().string() : canonical.string();
}

// One table of the project opened with its rules, ready for a run.
struct Prepared {
  AnalysisResult Analysis;
  RuleSet Rules;
};

bool Prepare(const ProjectTable& table, RunContext& context, Prepared& out) {
  out.Analysis = Analyse(table.Path, context);
  if (!out.Analysis.Ok || !out.Analysis.Table) {
    std::fprintf(stderr, "Fehlermeldung: %s (%s)\n", Lines(out.Analysis.Message).c_str(),
                 table.Path.c_str());
    return false;
  }
  out.Rules = BlankRules(out.Analysis);
  std::string error;
  if (!table.RulesPath.empty() &&
      !ApplyRules(table.RulesPath, *out.Analysis.Table, out.Rules, error)) {
    std::fprintf(stderr, "fuellwerk-fill: %s\n", error.c_str());
    return false;
  }
  return true;
}

std::string Names(const Project& project, const std::vector<size_t>& tables) {
  std::string text;
  for (size_t i : tables) text += (text.empty() ? "" : ", ") + project.Tables[i].Name;
  return text.empty() ? "keine" : text;
}

}  // namespace

uint64_t TableSeed(uint64_t projectSeed, size_t place) {
  // splitmix64 of the seed and the place: neighbouring places give unrelated seeds.
  uint64_t z = projectSeed + 0x9E3779B97F4A7C15ull * (uint64_t(place) + 1);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return z == 0 ? 1 : z;
}

int RunProject(const std::string& projectFile, std::optional<uint64_t> seedOption, bool quiet,
               RunContext& context, const uint32_t& tableErrors) {
  Project project;
  std::string error;
  if (!ReadProject(projectFile, project, error)) {
    std::fprintf(stderr, "fuellwerk-fill: %s\n", error.c_str());
    return kExitRefused;
  }
  uint64_t seed = seedOption ? *seedOption : project.Seed;
  if (seed == 0) seed = FreshSeed();

  // The tables with their rules, one open at a time (the analysis holds a table exclusively,
  // and a child reads its parents): first the references between them.
  const size_t count = project.Tables.size();
  std::vector<std::string> keys(count);
  for (size_t i = 0; i < count; ++i) keys[i] = SameFileKey(project.Tables[i].Path);
  std::vector<std::pair<size_t, size_t>> references;
  std::vector<std::vector<std::pair<size_t, std::string>>> parentsOf(count);  // (table, path)
  for (size_t i = 0; i < count; ++i) {
    Prepared prepared;
    if (!Prepare(project.Tables[i], context, prepared) || tableErrors > 0) {
      std::fprintf(stderr, "fuellwerk-fill: Das Projekt wurde abgelehnt; keine Tabelle wurde "
                           "verändert.\n");
      return kExitRefused;
    }
    for (const FieldRule& rule : prepared.Rules.Rules) {
      if (rule.Source.Kind != SourceKind::Table || rule.Reference.Path.empty()) continue;
      const std::string key = SameFileKey(rule.Reference.Path);
      for (size_t j = 0; j < count; ++j) {
        if (keys[j] != key || j == i) continue;
        references.emplace_back(i, j);
        parentsOf[i].emplace_back(j, rule.Reference.Path);
      }
    }
  }
  std::vector<size_t> circle;
  const std::optional<std::vector<size_t>> order = FillOrder(count, references, circle);
  if (!order) {
    std::string names;
    for (size_t i : circle) names += project.Tables[i].Name + " → ";
    if (!circle.empty()) names += project.Tables[circle.front()].Name;
    std::fprintf(stderr, "fuellwerk-fill: Die Tabellen verweisen im Kreis aufeinander: %s.\n"
                         "Das Projekt wurde abgelehnt; keine Tabelle wurde verändert.\n",
                 names.c_str());
    return kExitRefused;
  }

  RandomStream random;
  context.Random = &random;
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  const CliHost::Progress progress = quiet      ? CliHost::Progress::None
                                     : terminal ? CliHost::Progress::Bars
                                                : CliHost::Progress::Lines;

  // Every rule of every table is checked before anything is written.
  std::vector<size_t> before;  // tables checked so far, in fill order
  for (size_t i : *order) {
    const ProjectTable& table = project.Tables[i];
    Prepared prepared;
    if (!Prepare(table, context, prepared)) return kExitRefused;
    CliHost host(stderr, CliHost::Progress::None);
    host.Collect = true;
    FillRun run(host, context);
    for (const auto& [parent, path] : parentsOf[i])
      if (std::find(before.begin(), before.end(), parent) != before.end())
        run.PendingParents.push_back(path);
    run.Rules = std::move(prepared.Rules);
    run.nVorhanden = prepared.Analysis.RecordCount;
    run.dbAuswahl = std::move(prepared.Analysis.Table);
    run.lNurPruefen = true;
    random.Seed(TableSeed(seed, i));
    run.PBFillDB(std::to_string(table.Records), table.Empty);
    if (run.nSaetze == 0 && run.nAbgelehnt == 0)
      host.Collected.push_back("Die Tabelle braucht SAETZE= oder ein Feld mit JE=.");
    if (run.nAbgelehnt > 0 || tableErrors > 0 || run.nSaetze == 0) {
      for (const std::string& message : host.Collected)
        std::fprintf(stderr, "%s: %s\n", table.Name.c_str(), message.c_str());
      std::fprintf(stderr, "fuellwerk-fill: Die Regeln der Tabelle %s wurden abgelehnt; keine "
                           "Tabelle des Projekts wurde verändert.\n",
                   table.Name.c_str());
      return kExitRefused;
    }
    before.push_back(i);
  }

  // Then the tables are filled, parents first.
  std::vector<size_t> filled;
  for (size_t i : *order) {
    const ProjectTable& table = project.Tables[i];
    Prepared prepared;
    bool ok = Prepare(table, context, prepared);
    CliHost host(stderr, progress);
    FillRun run(host, context);
    bool stopped = false;
    if (ok) {
      run.Rules = std::move(prepared.Rules);
      run.nVorhanden = prepared.Analysis.RecordCount;
      run.dbAuswahl = std::move(prepared.Analysis.Table);
      random.Seed(TableSeed(seed, i));
      const uint32_t errorsBefore = tableErrors;
      {
        StopOnSignal stop(run);
        run.PBFillDB(std::to_string(table.Records), table.Empty);
      }
      host.Finish();
      stopped = !run.lRunning.load();
      ok = tableErrors == errorsBefore && run.nAbgelehnt == 0 && run.lGeschrieben;
    }
    if (!ok || stopped) {
      std::fprintf(stderr, "fuellwerk-fill: Die Tabelle %s wurde %s. Gefüllt wurden: %s.\n",
                   table.Name.c_str(), stopped && ok ? "nicht fertig gefüllt" : "nicht gefüllt",
                   Names(project, filled).c_str());
      return stopped && ok ? kExitStopped : kExitRefused;
    }
    std::printf("%s: %u Datensätze geschrieben, die Tabelle enthält jetzt %u.\n",
                table.Name.c_str(), run.nGeschrieben, run.nVorhanden);
    std::fflush(stdout);
    filled.push_back(i);
  }
  std::printf("Das Projekt %s ist gefüllt (Startwert %llu).\n", projectFile.c_str(),
              static_cast<unsigned long long>(seed));
  return kExitOk;
}

}  // namespace fw::cli
