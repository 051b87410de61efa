#include "core/app/SystemInfo.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace fw {
namespace {

TEST(InfoFiguresTest, FreeMemoryThroughTheTwelveDigitTemplate) {
  EXPECT_EQ(FormatFreeMemory(0), "0 KB frei");
  EXPECT_EQ(FormatFreeMemory(999), "999 KB frei");
  EXPECT_EQ(FormatFreeMemory(1000), "1.000 KB frei");
  EXPECT_EQ(FormatFreeMemory(1200), "1.200 KB frei");
  EXPECT_EQ(FormatFreeMemory(999999), "999.999 KB frei");
  // A machine with gigabytes free shows its real figure, not asterisks.
  EXPECT_EQ(FormatFreeMemory(1000000), "1.000.000 KB frei");
  EXPECT_EQ(FormatFreeMemory(16234567), "16.234.567 KB frei");
  EXPECT_EQ(FormatFreeMemory(999999999999), "999.999.999.999 KB frei");
  EXPECT_EQ(FormatFreeMemory(1000000000000), "***.***.***.*** KB frei");
  EXPECT_EQ(FormatFreeMemory(UINT64_MAX), "***.***.***.*** KB frei");
}

TEST(InfoFiguresTest, FreeResourcesRightAlignedInThreePlaces) {
  EXPECT_EQ(FormatFreeResources(5), "  5 % frei");
  EXPECT_EQ(FormatFreeResources(85), " 85 % frei");
  EXPECT_EQ(FormatFreeResources(100), "100 % frei");
  EXPECT_EQ(FormatFreeResources(1000), "*** % frei");
}

TEST(InfoFiguresTest, ResourcesAreTheAvailableShareOfTheTotal) {
  EXPECT_EQ(FreeResourcesPercent({850, 1000}), 85u);
  EXPECT_EQ(FreeResourcesPercent({859, 1000}), 85u);  // whole per cent, not rounded up
  EXPECT_EQ(FreeResourcesPercent({1000, 1000}), 100u);
  EXPECT_EQ(FreeResourcesPercent({2000, 1000}), 100u);
  EXPECT_EQ(FreeResourcesPercent({500, 0}), 0u);  // unknown total: no division by zero
  EXPECT_EQ(FreeResourcesPercent({UINT64_MAX / 2, UINT64_MAX / 2 + 1}), 99u);
}

TEST(InfoFiguresTest, ReadsTheKernelsMemoryFigures) {
  const MemoryFigures figures = ParseMemInfo(
      "MemTotal:        4028248 kB\n"
      "MemFree:          210000 kB\n"
      "MemAvailable:    3123456 kB\n"
      "Buffers:           12345 kB\n");
  EXPECT_EQ(figures.TotalKb, 4028248u);
  EXPECT_EQ(figures.AvailableKb, 3123456u);

  // Kernels before 3.14 have no MemAvailable.
  EXPECT_EQ(ParseMemInfo("MemTotal: 1000 kB\nMemFree: 300 kB\n").AvailableKb, 300u);
}

TEST(InfoFiguresTest, DamagedMemInfoGivesZerosNotGarbage) {
  for (const char* text : {"", "MemTotal:\n", "MemTotal: abc kB\n", "MemTotalX: 5 kB\n",
                           "MemTotal: 99999999999999999999999999 kB\n", "\n\n\n:::\n",
                           "MemAvailable"}) {
    const MemoryFigures figures = ParseMemInfo(text);
    EXPECT_EQ(figures.TotalKb, 0u) << text;
    EXPECT_EQ(figures.AvailableKb, 0u) << text;
  }
  const MemoryFigures figures = QueryMemory("/nonexistent/meminfo");
  EXPECT_EQ(figures.TotalKb, 0u);
  EXPECT_EQ(FormatFreeResources(FreeResourcesPercent(figures)), "  0 % frei");
}

TEST(InfoFiguresTest, QueriesAFileOfTheKernelsForm) {
  test::TempDir dir;
  test::WriteFileBytes(dir.File("meminfo"), "MemTotal: 2000 kB\nMemAvailable: 1500 kB\n");
  const MemoryFigures figures = QueryMemory(dir.File("meminfo"));
  EXPECT_EQ(figures.AvailableKb, 1500u);
  EXPECT_EQ(FreeResourcesPercent(figures), 75u);
}

}  // namespace
}  // namespace fw
