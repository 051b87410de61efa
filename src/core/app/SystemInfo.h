#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace fw {

// The memory figures of the info dialog, in KB as the kernel reports them. Zero when unknown.
struct MemoryFigures {
  uint64_t AvailableKb = 0;  // memory available to new programs without swapping
  uint64_t TotalKb = 0;
};

// Reads "MemAvailable:" and "MemTotal:" from text in the form of /proc/meminfo. A kernel
// without MemAvailable gives MemFree instead. Lines that do not parse are passed over.
MemoryFigures ParseMemInfo(std::string_view text);
// The figures of this machine; zero when /proc/meminfo cannot be read.
MemoryFigures QueryMemory(const std::string& memInfoPath = "/proc/meminfo");

// The share of available memory in the total, in whole per cent (0 to 100).
uint32_t FreeResourcesPercent(const MemoryFigures& figures);

// "16.234.567 KB frei": the number through the template "@E 999,999,999,999" ("." separates
// thousands), leading blanks removed. A number of more than twelve digits shows asterisks in
// place of the digits: "***.***.***.*** KB frei".
std::string FormatFreeMemory(uint64_t kb);
// " 85 % frei": the number right-aligned in three characters; "*** % frei" when it has more
// than three digits.
std::string FormatFreeResources(uint32_t percent);

}  // namespace fw
