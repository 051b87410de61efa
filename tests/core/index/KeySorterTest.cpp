// The key sorter against a plain sort: in memory and through several runs on disk, ascending
// and descending, with and without unique keys, with repeated keys kept once and after going
// over to sorting the keys themselves; the runs leave no file behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>

#include "core/index/KeySorter.h"
#include "support/TempDir.h"

namespace fw {
namespace {

TEST(KeySorterTest, RunsOnDiskGiveTheOrderOfAPlainSort) {
  struct Entry {
    std::string Key;
    uint32_t RecNo;
  };
  std::vector<Entry> entries;
  uint32_t x = 12345;
  for (uint32_t recNo = 1; recNo <= 6000; ++recNo) {
    x = x * 1103515245 + 12345;
    if ((x >> 20) % 7 == 0) continue;  // a record without a key, as a FOR condition leaves it
    // Many duplicates, then keys that are all different.
    std::string key = recNo <= 4500 ? "K" + std::to_string((x >> 8) % 70) : "U" + std::to_string(recNo);
    key.resize(6, ' ');
    entries.push_back({key, recNo});
  }
  // 12000: the repeated keys go to disk as their numbers, then the distinct ones outgrow
  // their share and the keys themselves are sorted.
  for (size_t budget : {size_t(1) << 20, size_t(12000), size_t(3000), size_t(300)}) {
    for (bool descending : {false, true}) {
      for (bool unique : {false, true}) {
        SCOPED_TRACE(testing::Message() << budget << (descending ? " desc" : "")
                                        << (unique ? " unique" : ""));
        std::vector<Entry> expected = entries;
        std::stable_sort(expected.begin(), expected.end(), [&](const Entry& a, const Entry& b) {
          return descending ? a.Key > b.Key : a.Key < b.Key;
        });
        if (unique) {
          expected.erase(std::unique(expected.begin(), expected.end(),
                                     [](const Entry& a, const Entry& b) { return a.Key == b.Key; }),
                         expected.end());
        }
        test::TempDir dir;
        KeySorter sorter(dir.Path(), descending, unique, budget);
        for (const Entry& e : entries) sorter.Add(e.Key, e.RecNo);
        sorter.Finish();
        if (budget < 10000) {
          EXPECT_GT(sorter.RunCount(), 5u);
        }
        if (budget == 12000) {
          EXPECT_GE(sorter.RunCount(), 2u);
          EXPECT_FALSE(sorter.KeepsDistinctKeys());
        }
        if (budget == size_t(1) << 20) {
          EXPECT_EQ(sorter.RunCount(), 0u);
          EXPECT_TRUE(sorter.KeepsDistinctKeys());
        }
        EXPECT_EQ(sorter.Count(), expected.size());
        std::string key;
        uint32_t recNo = 0;
        size_t i = 0;
        while (sorter.Next(key, recNo)) {
          ASSERT_LT(i, expected.size());
          ASSERT_EQ(key, expected[i].Key) << i;
          ASSERT_EQ(recNo, expected[i].RecNo) << i;
          ++i;
        }
        EXPECT_EQ(i, expected.size());
        EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
      }
    }
  }
}


// Long keys that share most of their bytes and records added out of order: the order must be
// the one of a plain sort by key, then record number, in memory and across runs.
TEST(KeySorterTest, LongSharedPrefixesAndRecordsOutOfOrder) {
  std::vector<std::pair<std::string, uint32_t>> entries;
  uint32_t x = 777;
  for (uint32_t i = 0; i < 3000; ++i) {
    x = x * 1103515245 + 12345;
    std::string key(40, ' ');
    key.replace(0, 17, (x >> 9) % 3 ? "SCHNEIDERMANN-MAX" : "SCHNEIDERMANN-MAY");
    key[20 + (x >> 12) % 3] = char('A' + (x >> 16) % 4);  // ties beyond the first 16 bytes
    entries.emplace_back(key, ((x >> 4) % 5000) * 65536 + i);  // all four bytes of the number vary
  }
  auto expected = entries;
  std::sort(expected.begin(), expected.end());
  for (size_t budget : {size_t(1) << 20, size_t(4400)}) {
    SCOPED_TRACE(budget);
    test::TempDir dir;
    KeySorter sorter(dir.Path(), false, false, budget);
    for (const auto& [key, recNo] : entries) sorter.Add(key, recNo);
    std::string key;
    uint32_t recNo = 0;
    size_t i = 0;
    while (sorter.Next(key, recNo)) {
      ASSERT_LT(i, expected.size());
      ASSERT_EQ(key, expected[i].first) << i;
      ASSERT_EQ(recNo, expected[i].second) << i;
      ++i;
    }
    EXPECT_EQ(i, expected.size());
  }
}

}  // namespace
}  // namespace fw
