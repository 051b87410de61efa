#include "core/project/ProjectRun.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <utility>

#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/Random.h"
#include "core/index/TableIndexes.h"
#include "core/project/FillOrder.h"

namespace fw {
namespace {

// Two paths of one file, also when written differently.
std::string SameFileKey(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
  return ec ? std::filesystem::absolute(path).lexically_normal().string() : canonical.string();
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// The host of the check before the run: shows nothing and keeps every message.
class CollectingHost : public QuietFillHost {
public:
  std::vector<std::string> Collected;
  void ShowMessage(const std::string& caption, const std::string& text, MessageIcon) override {
    Collected.push_back(caption + ": " + text);
  }
};

ProjectNote Note(std::string text) { return {ProjectNote::Kind::Project, std::move(text), {}}; }

constexpr const char* kNothingChanged =
    "Das Projekt wurde abgelehnt; keine Tabelle wurde verändert.";

}  // namespace

// One table of the project opened with its rules, ready for a run.
struct ProjectRun::Prepared {
  AnalysisResult Analysis;
  RuleSet Rules;
};

struct ProjectRun::State {
  RandomStream Random;
  std::vector<IndexPlan> Indexes;  // by place in the project file
};

ProjectRun::ProjectRun(ProjectHost& host, const RunContext& context)
    : host_(host), context_(context), state_(std::make_unique<State>()) {
  // Every table error also counts against the table it happens in, and then goes where it
  // would have gone: to the context's handling, else to the block in force now (taken here,
  // since while the run works its own handling is the one in force).
  const ErrorBlock outer = context.OnError ? context.OnError : GetErrorBlock();
  context_.OnError = [this, outer](Error& error) {
    ++errors_;
    return outer ? outer(error) : ThrowingErrorBlock(error);
  };
  context_.Random = &state_->Random;
}

ProjectRun::~ProjectRun() = default;

uint64_t TableSeed(uint64_t projectSeed, size_t place) {
  // splitmix64 of the seed and the place: neighbouring places give unrelated seeds.
  uint64_t z = projectSeed + 0x9E3779B97F4A7C15ull * (uint64_t(place) + 1);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  z ^= z >> 31;
  return z == 0 ? 1 : z;
}

std::string TableNames(const std::vector<FilledTable>& tables) {
  std::string text;
  for (const FilledTable& table : tables) text += (text.empty() ? "" : ", ") + table.Name;
  return text.empty() ? "keine" : text;
}

bool ProjectRun::Prepare(const ProjectTable& table, Prepared& out) {
  // The error handling of the context is in force while the table is read.
  RunErrorScope errors(context_);
  try {
    out.Analysis = Analyse(table.Path, context_);
    if (!out.Analysis.Ok || !out.Analysis.Table) {
      notes_.push_back({ProjectNote::Kind::Analysis, out.Analysis.Message, table.Path});
      return false;
    }
    out.Rules = BlankRules(out.Analysis);
    std::string error;
    if (!table.RulesPath.empty() &&
        !ApplyRules(table.RulesPath, *out.Analysis.Table, out.Rules, error)) {
      notes_.push_back(Note(error));
      return false;
    }
  } catch (const ErrorException&) {
    out.Analysis.Table.reset();
    return false;  // the error handling has shown it
  }
  return true;
}

bool ProjectRun::Plan(const Project& project) {
  tables_.clear();
  notes_.clear();
  errors_ = 0;
  state_->Indexes.clear();

  // The tables with their rules, one open at a time (the analysis holds a table exclusively,
  // and a child reads its parents): first the references between them.
  const size_t count = project.Tables.size();
  std::vector<std::string> keys(count);
  for (size_t i = 0; i < count; ++i) keys[i] = SameFileKey(project.Tables[i].Path);
  std::vector<std::pair<size_t, size_t>> references;
  std::vector<PlannedTable> planned(count);
  pendingParents_.assign(count, {});
  for (size_t i = 0; i < count; ++i) {
    const ProjectTable& table = project.Tables[i];
    Prepared prepared;
    if (!Prepare(table, prepared) || errors_ > 0) {
      notes_.push_back(Note(kNothingChanged));
      return false;
    }
    PlannedTable& plan = planned[i];
    plan.Place = i;
    plan.Name = table.Name;
    plan.Records = table.Records;
    for (const FieldRule& rule : prepared.Rules.Rules) {
      if (rule.Source.Kind != SourceKind::Table || rule.Reference.Path.empty()) continue;
      plan.PerParent = plan.PerParent || rule.Reference.PerParent;
      const std::string key = SameFileKey(rule.Reference.Path);
      for (size_t j = 0; j < count; ++j) {
        if (keys[j] != key || j == i) continue;
        references.emplace_back(i, j);
        pendingParents_[i].push_back(rule.Reference.Path);
      }
    }
    // The index files of the table, planned before anything is written: a file the rules name
    // must be there; one that cannot be rebuilt exactly is named with its reason.
    for (const std::string& file : prepared.Rules.IndexFiles) {
      if (IsRegularFile(file)) continue;
      notes_.push_back(Note("Die Indexdatei " + file + " der Tabelle " + table.Name +
                            " ist nicht vorhanden."));
      notes_.push_back(Note(kNothingChanged));
      return false;
    }
    prepared.Analysis.Table.reset();  // closed before its index files are read
    IndexPlan indexes = PlanTableIndexes(table.Path, prepared.Rules.IndexFiles);
    plan.IndexLines = indexes.Lines();
    plan.IndexesLeaveAny = indexes.LeavesAny();
    state_->Indexes.push_back(std::move(indexes));
  }
  std::vector<size_t> circle;
  const std::optional<std::vector<size_t>> order = FillOrder(count, references, circle);
  if (!order) {
    std::string names;
    for (size_t i : circle) names += project.Tables[i].Name + " → ";
    if (!circle.empty()) names += project.Tables[circle.front()].Name;
    notes_.push_back(Note("Die Tabellen verweisen im Kreis aufeinander: " + names + ".\n" +
                          kNothingChanged));
    return false;
  }
  for (size_t i : *order) tables_.push_back(std::move(planned[i]));
  return true;
}

bool ProjectRun::Check(const Project& project, uint64_t seed) {
  for (const PlannedTable& plan : tables_) {
    const ProjectTable& table = project.Tables[plan.Place];
    Prepared prepared;
    if (!Prepare(table, prepared)) return false;
    CollectingHost host;
    FillRun run(host, context_);
    // Parents filled before this table get their records first: a check takes them as empty.
    run.PendingParents = pendingParents_[plan.Place];
    run.Rules = std::move(prepared.Rules);
    run.nVorhanden = prepared.Analysis.RecordCount;
    run.dbAuswahl = std::move(prepared.Analysis.Table);
    run.lNurPruefen = true;
    state_->Random.Seed(TableSeed(seed, plan.Place));
    try {
      RunErrorScope errors(context_);
      run.PBFillDB(std::to_string(table.Records), table.Empty);
    } catch (const ErrorException&) {
      // Shown by the error handling and counted in errors_: the table is refused below.
    }
    if (run.nSaetze == 0 && run.nAbgelehnt == 0)
      host.Collected.push_back("Die Tabelle braucht SAETZE= oder ein Feld mit JE=.");
    if (run.nAbgelehnt > 0 || errors_ > 0 || run.nSaetze == 0) {
      for (const std::string& message : host.Collected)
        notes_.push_back({ProjectNote::Kind::Table, message, table.Name});
      notes_.push_back(Note("Die Regeln der Tabelle " + table.Name +
                            " wurden abgelehnt; keine Tabelle des Projekts wurde verändert."));
      return false;
    }
  }
  return true;
}

ProjectOutcome ProjectRun::Run(const Project& project, uint64_t seed) {
  ProjectOutcome outcome;
  outcome.Seed = seed == 0 ? FreshSeed() : seed;
  stopped_.store(false);
  // Every rule of every table is checked before anything is written.
  if (!Plan(project) || !Check(project, outcome.Seed)) {
    outcome.Notes = notes_;
    return outcome;
  }

  // Then the tables are filled, parents first.
  for (const PlannedTable& plan : tables_) {
    const ProjectTable& table = project.Tables[plan.Place];
    const bool skipped = stopped_.load();  // stopped before this table began
    Prepared prepared;
    bool ok = !skipped && Prepare(table, prepared);
    bool stopped = skipped;
    FilledTable filled;
    filled.Place = plan.Place;
    filled.Name = table.Name;
    if (ok) {
      FillHost& fillHost = host_.TableHost(plan);
      FillRun run(fillHost, context_);
      run.Rules = std::move(prepared.Rules);
      run.nVorhanden = prepared.Analysis.RecordCount;
      run.dbAuswahl = std::move(prepared.Analysis.Table);
      run.Indexes = &state_->Indexes[plan.Place];
      state_->Random.Seed(TableSeed(outcome.Seed, plan.Place));
      const uint32_t errorsBefore = errors_;
      current_.store(&run);
      host_.Running(&run);
      try {
        RunErrorScope errors(context_);
        run.PBFillDB(std::to_string(table.Records), table.Empty);
      } catch (const ErrorException&) {
        ++errors_;  // shown by the error handling: the table failed
      }
      host_.Running(nullptr);
      current_.store(nullptr);
      stopped = !run.lRunning.load();
      ok = errors_ == errorsBefore && run.nAbgelehnt == 0 && run.lGeschrieben;
      filled.Written = run.nGeschrieben;
      filled.InTable = run.nVorhanden;
      filled.Indexes = run.IndexesRebuilt.Text();
      filled.Complete = ok && !stopped;
      host_.TableFinished(filled);
    }
    if (!ok || stopped) {
      notes_.push_back(Note("Die Tabelle " + table.Name + " wurde " +
                            (stopped && ok ? "nicht fertig gefüllt" : "nicht gefüllt") +
                            ". Gefüllt wurden: " + TableNames(outcome.Filled) + "."));
      outcome.Of = (stopped && ok) || skipped ? ProjectOutcome::Result::Stopped
                                              : ProjectOutcome::Result::Failed;
      outcome.Notes = notes_;
      return outcome;
    }
    outcome.Filled.push_back(filled);
  }
  outcome.Of = ProjectOutcome::Result::Filled;
  outcome.Notes = notes_;
  return outcome;
}

void ProjectRun::Stop() {
  stopped_.store(true);
  if (FillRun* run = current_.load()) run->PBStop();
}

}  // namespace fw
