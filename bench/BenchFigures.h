#pragma once
// Small helpers the benchmark programs share.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

// The median of the runs' figures (the upper one of the middle two for an even count).
inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The process's peak resident memory (VmHWM) in KiB, -1 when /proc does not tell.
inline long PeakRssKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

}  // namespace bench
