// The fill run advances a gauge once per record. Measures 1,000,000 Update(1) on a
// 250-pixel-wide gauge with BarTotal 1,000,000: shown on screen (each change repainted at
// once), hidden, and the picture class alone. Run with QT_QPA_PLATFORM=offscreen.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

#include "ui/gauge/GaugeControl.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kRuns = 7;

struct Times {
  double wallMs;
  double cpuMs;  // this thread only: unaffected by other processes on a busy machine
};

double ThreadCpuMs() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

class Clock {
public:
  Times Elapsed() const {
    return {std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall_)
                .count(),
            ThreadCpuMs() - cpu_};
  }

private:
  std::chrono::steady_clock::time_point wall_ = std::chrono::steady_clock::now();
  double cpu_ = ThreadCpuMs();
};

template <typename Gauge>
Times Run(Gauge& gauge) {
  gauge.SetBarTotal(kRecords);
  gauge.Clear();
  const Clock clock;
  for (int i = 0; i < kRecords; ++i) gauge.Update(1);
  return clock.Elapsed();
}

// The picture class under the same interface.
struct PainterOnly {
  fw::GaugePainter painter{QSize(250, 25), Qt::white, 96};
  void SetBarTotal(uint32_t total) { painter.BarTotal = total; }
  void Clear() { painter.Clear(); }
  void Update(int32_t n) { painter.Update(n); }
};

template <typename Gauge>
void Report(const char* name, Gauge& gauge) {
  std::vector<double> wall, cpu;
  for (int r = 0; r < kRuns; ++r) {
    const Times t = Run(gauge);
    wall.push_back(t.wallMs);
    cpu.push_back(t.cpuMs);
  }
  std::sort(wall.begin(), wall.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("%-30s wall: min %7.2f median %7.2f ms   CPU: min %7.2f median %7.2f ms\n", name,
              wall.front(), wall[kRuns / 2], cpu.front(), cpu[kRuns / 2]);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::printf("1,000,000 x Update(1), BarTotal 1,000,000, gauge 250 x 25 pixels, platform %s,"
              " %d runs each\n",
              qPrintable(QGuiApplication::platformName()), kRuns);

  fw::GaugeControl shown;
  shown.resize(250, 25);
  shown.show();
  QCoreApplication::processEvents();
  Report("GaugeControl, shown", shown);

  fw::GaugeControl hidden;
  hidden.resize(250, 25);
  Report("GaugeControl, hidden", hidden);

  PainterOnly painter;
  Report("GaugePainter alone", painter);

  // For comparison: the picture class drawing every advance in full (percentage box each
  // time), 100,000 advances.
  {
    PainterOnly full;
    full.painter.SetFullRedraw(true);
    full.painter.BarTotal = 100000;
    full.painter.Clear();
    const Clock clock;
    for (int i = 0; i < 100000; ++i) full.painter.Update(1);
    const Times t = clock.Elapsed();
    std::printf("%-30s %9.2f ms wall, %9.2f ms CPU for 100,000 advances\n",
                "every advance drawn in full", t.wallMs, t.cpuMs);
  }
  return 0;
}
