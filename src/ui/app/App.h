#pragma once
#include <functional>
#include <memory>
#include <string>

namespace fw {

class AppShell;

// The application: start-up prepares the folders (beside the program, or the user's own for an
// installed copy), the settings file and the process-wide values, shows the shell window and runs the event loop.
class App {
public:
  // `programFolder` ends in "/"; the program's own folder unless a test passes another.
  explicit App(std::string programFolder);
  ~App();

  // Runs start-up and the event loop until the program ends. Returns false when start-up
  // ended the program early (the settings file missing and not creatable).
  bool Start();

  AppShell* Shell() const { return shell_.get(); }
  // A table to open in the generation window once the shell shows (the command line's
  // TABLE.dbf; an absolute path in the file system's encoding). Empty: none.
  std::string TableToOpen;
  // Called once the shell window is shown, before the event loop runs (tests drive it here).
  std::function<void(AppShell&)> OnShown;

private:
  void OpenTable();

  std::string programFolder_;
  std::unique_ptr<AppShell> shell_;
};

}  // namespace fw
