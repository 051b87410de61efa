// FoxPro single-key indexes: an old-format .idx that DBD-XBase wrote read back and rebuilt,
// compact ones written with inner pages and read back, hostile headers refused.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/index/IdxFormat.h"
#include "core/index/FoxIndexTestSupport.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::TempDir;

const std::string kData = FW_SOURCE_DIR "/tests/core/index/data/cdx/";

const test::KeyRecipe kTeil{'C', [](DBServer& t) { return t.FieldGet("TEIL"); }};

TEST(IdxFormatTest, AnOldIndexDbdXBaseWroteIsReadAndRebuiltKeyForKey) {
  if (!test::HaveXBaseIndex()) GTEST_SKIP() << "perl with XBase::Index (libdbd-xbase-perl) fehlt";
  TempDir dir;
  const std::string dbf = dir.File("bestand.dbf"), idx = dir.File("teil.idx");
  for (const char* ext : {".dbf", ".fpt"})
    test::WriteFileBytes(dir.File(std::string("bestand") + ext),
                         test::ReadFileBytes(kData + "bestand" + ext));
  ASSERT_EQ(std::system(("perl -MXBase -MXBase::Index -e 'XBase::idx->create(XBase->new($ARGV[0]), "
                         "$ARGV[1], \"TEIL\")' '" + dbf + "' '" + idx + "'").c_str()),
            0);
  const IndexFileInfo info = IdxHandler().Read(idx);
  ASSERT_EQ(info.Tags.size(), 1u);
  EXPECT_EQ(info.Tags[0].Name, "TEIL");
  EXPECT_EQ(info.Tags[0].KeyExpression, "TEIL");
  EXPECT_EQ(info.Tags[0].KeyLength, 12u);
  const std::vector<FoxIndexEntry> expected = test::KeysOfTable(dbf, IdxHandler(), info, info.Tags[0], kTeil);
  EXPECT_EQ(ReadIdxKeys(info), expected);

  test::VectorKeys keys(expected);
  std::vector<SortedKeys*> pointers{&keys};
  IdxHandler().Write(info, pointers, 45, dir.File("neu.idx"));
  const IndexFileInfo written = IdxHandler().Read(dir.File("neu.idx"));
  EXPECT_EQ(written.Kept, info.Kept.size() ? written.Kept : info.Kept);
  EXPECT_EQ(ReadIdxKeys(written), expected);
  EXPECT_EQ(test::XBaseIndexEntries(dir.File("neu.idx"), "", 'C'),
            test::XBaseIndexEntries(idx, "", 'C'));
  // The old header's third word is the file's size.
  const std::string bytes = test::ReadFileBytes(dir.File("neu.idx"));
  EXPECT_EQ(uint8_t(bytes[8]) | uint8_t(bytes[9]) << 8, int(bytes.size()));
}

TEST(IdxFormatTest, CompactAndOldIndexesWithInnerPagesReadBackInOrder) {
  TempDir dir;
  const std::string dbf = kData + "grossfox.dbf";
  const test::KeyRecipe name{'C', [](DBServer& t) { return Value(test::AsciiUpper(t.FieldGet("NAME").AsText())); }};
  for (const char* kept : {"", "IDX1O"}) {
    SCOPED_TRACE(kept);
    IndexFileInfo info;
    info.Format = IndexFormat::Idx;
    IndexTag tag;
    tag.Name = "NAME";
    tag.KeyExpression = "UPPER(NAME)";
    tag.ForExpression = "NR > 100";
    tag.KeyLength = 20;
    info.Tags.push_back(tag);
    std::string header = kept;
    if (!header.empty()) header.resize(header.size() + 512, '\0');
    info.Kept.assign(header.begin(), header.end());
    const std::vector<FoxIndexEntry> expected = test::KeysOfTable(
        dbf, IdxHandler(), info, tag,
        {'C', name.Key, [](DBServer& t) { return t.FieldGet("NR").AsNumber() > 100; }});
    test::VectorKeys keys(expected);
    std::vector<SortedKeys*> pointers{&keys};
    const std::string path = dir.File(std::string("name") + kept + ".idx");
    IdxHandler().Write(info, pointers, 5000, path);
    const IndexFileInfo written = IdxHandler().Read(path);
    ASSERT_EQ(written.Tags.size(), 1u);
    EXPECT_EQ(written.Tags[0].KeyExpression, "UPPER(NAME)");
    EXPECT_EQ(written.Tags[0].ForExpression, "NR > 100");
    EXPECT_EQ(ReadIdxKeys(written), expected);
    EXPECT_GT(test::ReadFileBytes(path).size(), 20u * 512);  // many pages, hence inner ones
  }
}

TEST(IdxFormatTest, HostileHeadersRaiseAGermanFailure) {
  TempDir dir;
  std::string header(1024, '\0');
  header[12] = 0;  // key length 0
  test::WriteFileBytes(dir.File("a.idx"), header);
  EXPECT_THROW(IdxHandler().Read(dir.File("a.idx")), IndexFailure);
  header[12] = 10, header[1] = 0x40;  // root at 16384, past the end
  test::WriteFileBytes(dir.File("b.idx"), header);
  try {
    IdxHandler().Read(dir.File("b.idx"));
    ADD_FAILURE();
  } catch (const IndexFailure& failure) {
    EXPECT_NE(failure.Description.find("Wurzelknoten"), std::string::npos);
  }
  header[14] = 0x60;  // compound: a .cdx under another name
  test::WriteFileBytes(dir.File("c.idx"), header);
  EXPECT_THROW(IdxHandler().Read(dir.File("c.idx")), IndexFailure);
}

}  // namespace
}  // namespace fw
