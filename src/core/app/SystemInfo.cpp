#include "core/app/SystemInfo.h"

#include "core/platform/TextTrim.h"

#include <charconv>
#include <fstream>

namespace fw {
namespace {

// Lines "Name:   12345 kB". Returns false unless the line names `key` and holds a number.
bool FieldOf(std::string_view line, std::string_view key, uint64_t& value) {
  if (line.size() <= key.size() || line.substr(0, key.size()) != key || line[key.size()] != ':')
    return false;
  line.remove_prefix(key.size() + 1);
  line = TrimLeft(line);
  uint64_t number = 0;
  const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), number);
  if (ec != std::errc() || end == line.data()) return false;
  value = number;
  return true;
}

}  // namespace

MemoryFigures ParseMemInfo(std::string_view text) {
  MemoryFigures figures;
  uint64_t freeKb = 0;
  bool haveAvailable = false;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    uint64_t value = 0;
    if (FieldOf(line, "MemTotal", value)) figures.TotalKb = value;
    else if (FieldOf(line, "MemAvailable", value)) figures.AvailableKb = value, haveAvailable = true;
    else if (FieldOf(line, "MemFree", value)) freeKb = value;
  }
  if (!haveAvailable) figures.AvailableKb = freeKb;
  return figures;
}

MemoryFigures QueryMemory(const std::string& memInfoPath) {
  std::ifstream in(memInfoPath, std::ios::binary);
  if (!in) return {};
  std::string text;
  // The kernel's file is small; a bound keeps a stray path from reading without end.
  constexpr size_t kMaxBytes = 64 * 1024;
  char c;
  while (text.size() < kMaxBytes && in.get(c)) text.push_back(c);
  return ParseMemInfo(text);
}

uint32_t FreeResourcesPercent(const MemoryFigures& figures) {
  if (figures.TotalKb == 0) return 0;
  if (figures.AvailableKb >= figures.TotalKb) return 100;
  // Wide enough for any figures a damaged file may hold; the share is below 100.
  return uint32_t((unsigned __int128)figures.AvailableKb * 100 / figures.TotalKb);
}

std::string FormatFreeMemory(uint64_t kb) {
  // Twelve digits: room for a petabyte of memory. Six, as in the older template, showed only
  // asterisks on any machine with more than about a gigabyte free.
  constexpr uint64_t kLargest = 999'999'999'999;
  std::string number;
  if (kb > kLargest) {
    number = "***.***.***.***";
  } else {
    const std::string digits = std::to_string(kb);
    for (size_t i = 0; i < digits.size(); ++i) {
      if (i > 0 && (digits.size() - i) % 3 == 0) number += '.';
      number += digits[i];
    }
  }
  return number + " KB frei";
}

std::string FormatFreeResources(uint32_t percent) {
  std::string number = percent > 999 ? "***" : std::to_string(percent);
  if (number.size() < 3) number.insert(0, 3 - number.size(), ' ');
  return number + " % frei";
}

}  // namespace fw
