#include "cli/ProjectCommand.h"

#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <memory>

#include "cli/CliHost.h"
#include "core/project/ProjectFile.h"
#include "core/project/ProjectRun.h"

namespace fw::cli {
namespace {

constexpr int kExitOk = 0, kExitRefused = 1, kExitStopped = 3;

ProjectRun* gProject = nullptr;  // the run a Ctrl+C stops

extern "C" void OnProjectInterrupt(int) {
  if (gProject) gProject->Stop();  // stores to lock-free atomics only
}

std::string Lines(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

// The terminal of a project run: a CliHost per table, whose progress shows while it is
// filled, and Ctrl+C and SIGTERM stop it for as long as it is.
class TerminalProject : public ProjectHost {
public:
  explicit TerminalProject(CliHost::Progress progress) : progress_(progress) {}
  ProjectRun* Run = nullptr;

  FillHost& TableHost(const PlannedTable& table) override {
    for (const std::string& line : table.IndexLines)
      std::fprintf(stderr, "%s: %s\n", table.Name.c_str(), line.c_str());
    host_ = std::make_unique<CliHost>(stderr, progress_);
    return *host_;
  }
  void Running(FillRun* run) override {
    if (run) {
      gProject = Run;
      struct sigaction action {};
      action.sa_handler = OnProjectInterrupt;
      sigemptyset(&action.sa_mask);
      sigaction(SIGINT, &action, nullptr);
      sigaction(SIGTERM, &action, nullptr);
    } else {
      signal(SIGINT, SIG_DFL);
      signal(SIGTERM, SIG_DFL);
      gProject = nullptr;
    }
  }
  void TableFinished(const FilledTable& table) override {
    if (host_) host_->Finish();
    if (!table.Complete) return;
    std::printf("%s: %u Datensätze geschrieben, die Tabelle enthält jetzt %u.\n",
                table.Name.c_str(), table.Written, table.InTable);
    if (!table.Indexes.empty())
      std::printf("%s: %s\n", table.Name.c_str(), Lines(table.Indexes).c_str());
    std::fflush(stdout);
  }

private:
  CliHost::Progress progress_;
  std::unique_ptr<CliHost> host_;
};

void PrintNote(const ProjectNote& note) {
  switch (note.Of) {
    case ProjectNote::Kind::Analysis:
      std::fprintf(stderr, "Fehlermeldung: %s (%s)\n", Lines(note.Text).c_str(),
                   note.Table.c_str());
      break;
    case ProjectNote::Kind::Table:
      std::fprintf(stderr, "%s: %s\n", note.Table.c_str(), Lines(note.Text).c_str());
      break;
    case ProjectNote::Kind::Project:
      std::fprintf(stderr, "fuellwerk-fill: %s\n", Lines(note.Text).c_str());
      break;
  }
}

}  // namespace

int RunProject(const std::string& projectFile, std::optional<uint64_t> seedOption, bool quiet,
               RunContext& context) {
  Project project;
  std::string error;
  if (!ReadProject(projectFile, project, error)) {
    std::fprintf(stderr, "fuellwerk-fill: %s\n", error.c_str());
    return kExitRefused;
  }
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  TerminalProject host(quiet      ? CliHost::Progress::None
                       : terminal ? CliHost::Progress::Bars
                                  : CliHost::Progress::Lines);
  ProjectRun run(host, context);
  host.Run = &run;
  const ProjectOutcome outcome = run.Run(project, seedOption ? *seedOption : project.Seed);
  for (const ProjectNote& note : outcome.Notes) PrintNote(note);
  switch (outcome.Of) {
    case ProjectOutcome::Result::Filled:
      std::printf("Das Projekt %s ist gefüllt (Startwert %llu).\n", projectFile.c_str(),
                  static_cast<unsigned long long>(outcome.Seed));
      return kExitOk;
    case ProjectOutcome::Result::Stopped: return kExitStopped;
    default: return kExitRefused;
  }
}

}  // namespace fw::cli
