#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/app/RunContext.h"
#include "core/generate/FillHost.h"
#include "core/project/ProjectFile.h"

namespace fw {

class FillRun;

// One table of a planned project: what the window lists before a run, and what the run fills.
struct PlannedTable {
  size_t Place = 0;      // 0-based in the project file
  std::string Name;      // as the project file writes it
  uint32_t Records = 0;  // SAETZE
  bool PerParent = false;  // a field with JE: the record count follows from the parent's records
  // Every index file that belongs to the table or its rules name (INDEX=): the German lines
  // of its plan ("KDNR.NTX werden nach dem Füllen neu aufgebaut.", "X.NTX bleibt, wie sie
  // ist: <Grund>."); empty without index files.
  std::vector<std::string> IndexLines;
  bool IndexesLeaveAny = false;  // a file of the table stays as it is (its reason is a line)
};

// One note of why a project was refused, or where its run ended (UTF-8, German).
struct ProjectNote {
  enum class Kind {
    Project,   // a sentence about the whole project
    Analysis,  // the analysis refused a table: Text is its message, Table the table's path
    Table,     // a message of the table's rules ("Achtung: ..."), Table its name
  };
  Kind Of = Kind::Project;
  std::string Text;
  std::string Table;
};

// A table whose fill ended: how many records it got and what its index files became.
struct FilledTable {
  size_t Place = 0;
  std::string Name;
  uint32_t Written = 0;  // records appended
  uint32_t InTable = 0;  // records the table holds now
  bool Complete = false;  // filled as planned (not stopped, not failed)
  std::string Indexes;    // "KDNR.NTX neu aufgebaut." and the files left; empty without any
};

// How a project run ended.
struct ProjectOutcome {
  enum class Result {
    Filled,   // every table filled
    Refused,  // nothing was written in any table
    Failed,   // a table failed while it was written; those filled before it stay filled
    Stopped,  // a table was stopped while it was written
  };
  Result Of = Result::Refused;
  uint64_t Seed = 0;                  // the seed the run used
  std::vector<FilledTable> Filled;    // the tables filled completely, in fill order
  std::vector<ProjectNote> Notes;     // why it was refused or where it ended, in order
};

// What a project run needs of its host: the window that shows one table's fill (its gauges,
// status texts and messages), a moment around each fill to wire up a stop, and a line per
// finished table. The command-line filler and the project dialog implement it.
class ProjectHost {
public:
  virtual ~ProjectHost() = default;
  // The host of the fill of `table`, asked just before it is filled; it stays in use until
  // TableFinished for the same table.
  virtual FillHost& TableHost(const PlannedTable& table) = 0;
  // `run` fills a table from now on and may be stopped (FillRun::PBStop); nullptr once it has
  // ended.
  virtual void Running(FillRun* /*run*/) {}
  // The fill of a table has ended, complete or not.
  virtual void TableFinished(const FilledTable& table) = 0;
};

// The run of a project file: every table read with its rules, the tables ordered parents
// before their children (a circle refused), every table's index files planned, every rule of
// every table checked, and only then the tables filled in that order, each under a seed of
// its own from the project's seed and its place in the file, its index files rebuilt after
// its fill. A refusal at any point before the first table is written leaves every table and
// every index file as it was. A table that fails while it is written is cut back by the
// engine; the tables filled before it stay filled, and the outcome names them.
//
// Table errors go to the context's error handling (or the one in force) and also count as a
// refusal or a failure of the table they happen in.
class ProjectRun {
public:
  ProjectRun(ProjectHost& host, const RunContext& context);
  ~ProjectRun();
  ProjectRun(const ProjectRun&) = delete;
  ProjectRun& operator=(const ProjectRun&) = delete;

  // Reads every table of `project` with its rules and plans the order and the index files.
  // False when the project is refused; Notes() then says why.
  bool Plan(const Project& project);
  // The tables in fill order, after a successful Plan.
  const std::vector<PlannedTable>& Tables() const { return tables_; }
  const std::vector<ProjectNote>& Notes() const { return notes_; }

  // Plans `project` again (the files may have changed since), checks, and fills. A seed of 0
  // takes a fresh one.
  ProjectOutcome Run(const Project& project, uint64_t seed);

  // Stops the table being filled and every one after it. Only stores to lock-free atomics:
  // safe from a signal handler.
  void Stop();

private:
  struct Prepared;
  struct State;
  bool Prepare(const ProjectTable& table, Prepared& out);
  bool Check(const Project& project, uint64_t seed);

  ProjectHost& host_;
  RunContext context_;
  uint32_t errors_ = 0;  // table errors the error handling was handed during this run
  std::vector<PlannedTable> tables_;
  std::vector<std::vector<std::string>> pendingParents_;  // by place: parents filled before
  std::vector<ProjectNote> notes_;
  std::unique_ptr<State> state_;  // the run's random source and the tables' index plans
  std::atomic<FillRun*> current_{nullptr};
  std::atomic<bool> stopped_{false};
};

// The seed of the table at `place` (0-based in the project file) under `projectSeed`: the same
// project and seed give every table the same seed, whatever order the tables are filled in.
uint64_t TableSeed(uint64_t projectSeed, size_t place);

// "kunden.dbf, auftrag.dbf", or "keine" for no table.
std::string TableNames(const std::vector<FilledTable>& tables);

}  // namespace fw
