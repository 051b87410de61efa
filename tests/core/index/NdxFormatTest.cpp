// dBase III indexes: TDbf's header read back, the index rebuilt from its table into the
// same keys in the same order, numbers in an order-preserving form and back, and a rebuilt
// index read by DBD-XBase.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/index/IndexFormats.h"
#include "core/index/IndexRebuild.h"
#include "core/index/IndexTestFiles.h"
#include "core/index/NdxFormat.h"
#include "support/TempDir.h"

namespace fw {
namespace {

TEST(NdxFormatTest, ReadsTheHeaderTdbfWrote) {
  const IndexFileInfo info = NdxHandler().Read(test::IndexData("kasse.ndx"));
  EXPECT_EQ(info.Format, IndexFormat::Ndx);
  ASSERT_EQ(info.Tags.size(), 1u);
  EXPECT_EQ(info.Tags[0].Name, "KASSE");
  EXPECT_EQ(info.Tags[0].KeyExpression, "BELEG");
  EXPECT_EQ(info.Tags[0].KeyType, 'C');
  EXPECT_EQ(info.Tags[0].KeyLength, 10u);
  EXPECT_FALSE(info.Tags[0].Unique);
  EXPECT_EQ(info.Kept.size(), 512u);
}

TEST(NdxFormatTest, RebuildGivesTheKeysInTdbfOrder) {
  test::TempDir dir;
  const std::string copy = dir.File("kasse.ndx");
  test::WriteFileBytes(copy, test::ReadFileBytes(test::IndexData("kasse.ndx")));
  const test::RawTable table = test::ReadRawTable(test::IndexData("kasse.dbf"));
  const IndexFileInfo info = NdxHandler().Read(copy);
  RebuildIndexFile(info, NdxHandler(), uint32_t(table.Records.size()),
                   [&](uint32_t recNo, std::vector<TagKey>& keys) {
                     keys[0].Key = Value(table.Records[recNo - 1].at("BELEG"));
                   });
  const test::KeyList rebuilt = test::WalkNdx(copy);
  EXPECT_EQ(rebuilt, test::WalkNdx(test::IndexData("kasse.ndx")));
  ASSERT_EQ(rebuilt.size(), table.Records.size());
  const std::string after = test::ReadFileBytes(copy);
  EXPECT_EQ(after.size() % 512, 0u);
  EXPECT_EQ(uint8_t(after[4]) | uint8_t(after[5]) << 8, after.size() / 512);  // blocks
  EXPECT_EQ(after.substr(8, 504), test::ReadFileBytes(test::IndexData("kasse.ndx")).substr(8, 504));
}

// Numbers and dates: the sort keys compare as the values do, and the stored keys are the
// values' little-endian doubles (dates as Julian days).
TEST(NdxFormatTest, NumberKeysSortAsTheirValuesAndStoreAsDoubles) {
  IndexFileInfo file;
  IndexTag tag;
  tag.KeyType = 'N';
  tag.KeyLength = 8;
  const double values[] = {-1e300, -12345.5, -1, -0.25, -0.0, 0, 1e-300, 0.25, 1, 99999.99, 1e300};
  std::string previous;
  for (double v : values) {
    SCOPED_TRACE(v);
    const std::string sortKey = NdxHandler().SortKey(file, tag, Value(v));
    ASSERT_EQ(sortKey.size(), 8u);
    if (!previous.empty()) {
      EXPECT_LE(previous, sortKey);
    }
    if (v == 0) {
      EXPECT_EQ(sortKey, NdxHandler().SortKey(file, tag, Value(0.0)));  // -0 is 0
    } else if (!previous.empty()) {
      EXPECT_LT(previous, sortKey);
    }
    previous = sortKey;
    const std::string stored = NdxHandler().StoredKey(file, tag, sortKey);
    double back = 0;
    std::memcpy(&back, stored.data(), 8);
    EXPECT_EQ(back, v);
  }
  const std::string stored = NdxHandler().StoredKey(
      file, tag, NdxHandler().SortKey(file, tag, Value(Date::FromYmd(2000, 1, 1))));
  double day = 0;
  std::memcpy(&day, stored.data(), 8);
  EXPECT_EQ(day, 2451545.0);
}

TEST(NdxFormatTest, HostileHeadersAreRefusedWithAGermanSentence) {
  test::TempDir dir;
  const std::string good = test::ReadFileBytes(test::IndexData("kasse.ndx"));
  const std::string path = dir.File("x.ndx");
  struct Case {
    size_t At;
    std::string Bytes;
    const char* What;
  };
  const Case cases[] = {
      {12, std::string("\0\0", 2), "Schlüssellänge"},
      {16, std::string("\x01\x00", 2), "Schlüssellänge"},  // a number of 10 bytes
      {18, std::string("\x00\x02", 2), "Block"},           // entries beyond a block
      {14, std::string("\x40\x00", 2), "Block"},
      {0, std::string("\x55\x00\x00\x00", 4), "Wurzelblock"},
      {24, std::string(488, 'A'), "nicht abgeschlossen"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    std::string b = good;
    b.replace(c.At, c.Bytes.size(), c.Bytes);
    test::WriteFileBytes(path, b);
    try {
      NdxHandler().Read(path);
      ADD_FAILURE() << "no failure";
    } catch (const IndexFailure& failure) {
      EXPECT_NE(failure.Description.find(c.What), std::string::npos) << failure.Description;
    }
    EXPECT_EQ(test::ReadFileBytes(path), b);
  }
}

// A numeric index with more keys than TDbf's (three levels), read by DBD-XBase.
TEST(NdxFormatTest, DbdXBaseReadsARebuiltNumericIndex) {
  if (std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "perl with XBase::Index is not installed";
  }
  test::TempDir dir;
  // The kasse.ndx header made numeric: key type 1, key length 8, entry size 16.
  std::string b = test::ReadFileBytes(test::IndexData("kasse.ndx"));
  b.replace(12, 8, std::string("\x08\x00\x1f\x00\x01\x00\x10\x00", 8));
  b.replace(24, 6, std::string("BETRAG"));
  const std::string path = dir.File("betrag.ndx");
  test::WriteFileBytes(path, b);
  const IndexFileInfo info = NdxHandler().Read(path);
  ASSERT_EQ(info.Tags[0].KeyType, 'N');
  const uint32_t count = 20000;
  auto amount = [](uint32_t recNo) { return double(int(recNo * 7919 % 20011) - 10000) / 4; };
  RebuildIndexFile(info, NdxHandler(), count, [&](uint32_t recNo, std::vector<TagKey>& keys) {
    keys[0].Key = Value(amount(recNo));
  });
  const std::string dump = test::CommandOutput(
      "perl -MXBase::Index -e 'my $i = XBase::Index->new($ARGV[0]) or die; $i->prepare_select;"
      "while (my ($k, $r) = $i->fetch) { print \"$k $r\\n\" }' '" + path + "' 2>&1");
  std::vector<std::pair<double, uint32_t>> read;
  size_t at = 0;
  while (at < dump.size()) {
    const size_t end = dump.find('\n', at);
    const std::string line = dump.substr(at, end - at);
    at = end + 1;
    const size_t space = line.find(' ');
    ASSERT_NE(space, std::string::npos) << line;
    read.emplace_back(std::stod(line.substr(0, space)),
                      uint32_t(std::stoul(line.substr(space + 1))));
  }
  ASSERT_EQ(read.size(), count);
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].first, amount(read[i].second));
    if (i > 0) {
      EXPECT_TRUE(read[i - 1] < read[i]) << i;
    }
  }
}

}  // namespace
}  // namespace fw
