// Cost of reporting an error: raising it (its call stack's return addresses read), naming that
// call stack from the debug information (the first time, then warm), and a full report by
// DefError with its log entry.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

#include "core/errors/DefError.h"

namespace {

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}
double WallMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

class SilentUi : public fw::ErrorUi {
public:
  uint32_t ErrorBox(const fw::ErrorBoxRequest&) override { return fw::kChoiceDefault; }
  void Tone(unsigned, unsigned) override {}
  void PlainMessage(const std::string&, const std::string&) override {}
};

__attribute__((noinline)) fw::ErrorAction Raise() {
  fw::Error e;
  e.GenCode = fw::gen::kWrite;
  e.CanDefault = true;
  return e.Throw();
}

template <typename F>
void Measure(const char* name, int count, F&& body) {
  std::vector<double> wall, cpu;
  for (int run = 0; run < 7; ++run) {
    const double w0 = WallMs(), c0 = CpuMs();
    for (int i = 0; i < count; ++i) body();
    wall.push_back((WallMs() - w0) * 1000.0 / count);
    cpu.push_back((CpuMs() - c0) * 1000.0 / count);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("| %s | %.1f us | %.1f us | %.1f us | %.1f us |\n", name, wall[0], wall[3], cpu[0],
              cpu[3]);
}

}  // namespace

int main() {
  bool name = false;
  fw::ScopedErrorBlock block([&name](fw::Error& e) {
    if (name) e.CallStack.Frames();
    return fw::ErrorAction::Default;
  });
  Raise();
  name = true;
  const double w0 = WallMs(), c0 = CpuMs();
  Raise();
  std::printf("first call stack named (reads the debug information): wall %.1f ms, CPU %.1f ms\n\n",
              WallMs() - w0, CpuMs() - c0);
  std::printf("| Case | wall min | wall median | CPU min | CPU median |\n|---|---|---|---|---|\n");
  name = false;
  Measure("raise an error (return addresses), per error", 2000, [] { Raise(); });
  name = true;
  Measure("raise an error and name its call stack, per error", 2000, [] { Raise(); });

  const std::string folder = (std::filesystem::temp_directory_path() /
                              ("fw-bench-errors-" + std::to_string(getpid())))
                                 .string() + "/";
  mkdir(folder.c_str(), 0700);
  SilentUi ui;
  fw::ErrorSysSettings settings;
  settings.LogFolder = folder;
  settings.Ui = &ui;
  settings.Beep = false;
  fw::Error e;
  e.GenCode = fw::gen::kWrite;
  e.CanDefault = true;
  e.CallStack = {{"fw::A", 1}, {"fw::B", 2}};
  Measure("DefError with log entry, per error", 500, [&] { fw::DefError(e, settings); });
  std::filesystem::remove_all(folder);
  return 0;
}
