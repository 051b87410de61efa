// FoxPro compound indexes: the fixtures Harbour wrote read back exactly, every tag rebuilt from
// its table's records and read back by our walk and by DBD-XBase, hostile headers refused.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/index/CdxFormat.h"
#include "core/index/FoxKeys.h"
#include "core/platform/DbfFailure.h"
#include "core/index/FoxIndexTestSupport.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::KeyRecipe;
using test::TempDir;

const std::string kData = FW_SOURCE_DIR "/tests/core/index/data/cdx/";

Value Field(DBServer& t, const char* name) { return t.FieldGet(name); }

std::map<std::string, KeyRecipe> BestandRecipes() {
  return {
      {"LAGERTEIL", {'C', [](DBServer& t) {
         return Value(Field(t, "LAGER").AsText() + Field(t, "TEIL").AsText());
       }}},
      {"MENGE", {'N', [](DBServer& t) { return Field(t, "MENGE"); }}},
      {"WERT", {'N', [](DBServer& t) { return Field(t, "WERT"); }}},
      {"INVENTUR", {'D', [](DBServer& t) { return Field(t, "INVENTUR"); }}},
      {"FREI", {'C', [](DBServer& t) { return Field(t, "TEIL"); },
                [](DBServer& t) { return !Field(t, "GESPERRT").AsLogic(); }}},
      {"LAGER", {'C', [](DBServer& t) { return Value(test::AsciiUpper(Field(t, "LAGER").AsText())); }}},
  };
}

std::map<std::string, KeyRecipe> GrossfoxRecipes() {
  return {
      {"NR", {'N', [](DBServer& t) { return Field(t, "NR"); }}},
      {"NAME", {'C', [](DBServer& t) { return Value(test::AsciiUpper(Field(t, "NAME").AsText())); }}},
      {"DATUM", {'D', [](DBServer& t) { return Field(t, "DATUM"); }}},
  };
}

// Rebuilds every tag of `cdx` from the records of `dbf` into `out`; returns the keys each tag
// was given, in the file's tag order, and the info with the key types set.
std::vector<std::vector<FoxIndexEntry>> Rebuild(const std::string& dbf, const std::string& cdx,
                                             const std::map<std::string, KeyRecipe>& recipes,
                                             const std::string& out, IndexFileInfo& info) {
  info = CdxHandler().Read(cdx);
  std::vector<std::vector<FoxIndexEntry>> expected;
  std::vector<test::VectorKeys> sources;
  for (IndexTag& tag : info.Tags) {
    tag.KeyType = recipes.at(tag.Name).Type;
    expected.push_back(test::KeysOfTable(dbf, CdxHandler(), info, tag, recipes.at(tag.Name)));
  }
  for (const auto& keys : expected) sources.emplace_back(keys);
  std::vector<SortedKeys*> pointers;
  for (auto& s : sources) pointers.push_back(&s);
  DBServer table(dbf, false, true);
  CdxHandler().Write(info, pointers, table.RecCount(), out);
  return expected;
}

// The tags' leaf pages of a .cdx but for their neighbour pointers, which depend on where the
// pages lie: the tag directory's root is left out, its record numbers are header offsets.
std::multiset<std::string> TagLeafPages(const std::string& path) {
  const std::string b = test::ReadFileBytes(path);
  auto le = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = n; i-- > 0;) v = v << 8 | uint8_t(b[at + size_t(i)]);
    return v;
  };
  std::multiset<std::string> pages;
  for (size_t at = 1024; at + 512 <= b.size(); at += 512) {
    const uint32_t attributes = le(at, 2);
    if (at == le(0, 4) || (attributes != 2 && attributes != 3)) continue;
    pages.insert(b.substr(at, 4) + b.substr(at + 12, 500));
  }
  return pages;
}

TEST(CdxFormatTest, ReadsTheTagsHarbourWroteInTheirOrderWithExpressionsAndOptions) {
  const IndexFileInfo bestand = CdxHandler().Read(kData + "bestand.cdx");
  ASSERT_EQ(bestand.Tags.size(), 6u);
  struct Expect { const char* name; const char* key; const char* forExpr; uint32_t length;
                  bool unique, descending; };
  const Expect expect[] = {{"LAGERTEIL", "LAGER + TEIL", "", 16, false, false},
                           {"MENGE", "MENGE", "", 8, false, false},
                           {"WERT", "WERT", "", 8, false, true},
                           {"INVENTUR", "INVENTUR", "", 8, false, false},
                           {"FREI", "TEIL", "! GESPERRT", 12, false, false},
                           {"LAGER", "Upper( LAGER )", "", 4, true, false}};
  for (size_t i = 0; i < 6; ++i) {
    const IndexTag& tag = bestand.Tags[i];
    EXPECT_EQ(tag.Name, expect[i].name);
    EXPECT_EQ(tag.KeyExpression, expect[i].key) << tag.Name;
    EXPECT_EQ(tag.ForExpression, expect[i].forExpr) << tag.Name;
    EXPECT_EQ(tag.KeyLength, expect[i].length) << tag.Name;
    EXPECT_EQ(tag.Unique, expect[i].unique) << tag.Name;
    EXPECT_EQ(tag.Descending, expect[i].descending) << tag.Name;
    EXPECT_EQ(tag.Unsupported, "") << tag.Name;
  }
  EXPECT_EQ(bestand.Unsupported, "");
  const IndexFileInfo gross = CdxHandler().Read(kData + "grossfox.cdx");
  ASSERT_EQ(gross.Tags.size(), 3u);
  EXPECT_EQ(gross.Tags[0].Name, "NR");
  EXPECT_EQ(gross.Tags[1].KeyExpression, "Upper( NAME )");
  EXPECT_EQ(gross.Tags[1].KeyLength, 20u);
  EXPECT_EQ(gross.Tags[2].Name, "DATUM");
}

TEST(CdxFormatTest, SortKeysOfWhatTheFixturesLack) {
  // The fixtures' numbers and dates are Harbour's keys (see the rebuild below); -0, the empty
  // date and a tiny positive number are not among them.
  EXPECT_EQ(FoxSortKey(Value(-0.0), 8), FoxSortKey(Value(0.0), 8));
  EXPECT_EQ(FoxSortKey(Value(Date()), 8), FoxSortKey(Value(0.0), 8));
  EXPECT_LT(FoxSortKey(Value(0.0), 8), FoxSortKey(Value(1e-300), 8));
  EXPECT_EQ(FoxJulianDay(Date::FromYmd(2000, 1, 1)), 2451545.0);
}

TEST(CdxFormatTest, EachTagRebuiltFromTheRecordsReadsBackAsTheOriginal) {
  TempDir dir;
  for (const auto& [table, recipes] :
       {std::pair{std::string("bestand"), BestandRecipes()}, std::pair{std::string("grossfox"), GrossfoxRecipes()}}) {
    SCOPED_TRACE(table);
    const std::string original = kData + table + ".cdx", written = dir.File(table + ".cdx");
    IndexFileInfo info;
    const auto expected = Rebuild(kData + table + ".dbf", original, recipes, written, info);
    IndexFileInfo originalInfo = info;
    originalInfo.Path = original;
    // Every leaf packed byte for byte as Harbour packed it.
    EXPECT_EQ(TagLeafPages(written), TagLeafPages(original));
    EXPECT_EQ(TagLeafPages(original).size(), table == "bestand" ? 6u : 131u);
    IndexFileInfo reread = CdxHandler().Read(written);
    ASSERT_EQ(reread.Tags.size(), info.Tags.size());
    for (size_t i = 0; i < info.Tags.size(); ++i) {
      const IndexTag& tag = info.Tags[i];
      SCOPED_TRACE(tag.Name);
      EXPECT_EQ(reread.Tags[i].Name, tag.Name);
      EXPECT_EQ(reread.Tags[i].KeyExpression, tag.KeyExpression);
      EXPECT_EQ(reread.Tags[i].ForExpression, tag.ForExpression);
      EXPECT_EQ(reread.Tags[i].KeyLength, tag.KeyLength);
      EXPECT_EQ(reread.Tags[i].Unique, tag.Unique);
      EXPECT_EQ(reread.Tags[i].Descending, tag.Descending);
      // The keys computed by hand are Harbour's, and ours hold them in the same order.
      EXPECT_EQ(ReadCdxKeys(originalInfo, i), expected[i]);
      reread.Tags[i].KeyType = tag.KeyType;
      EXPECT_EQ(ReadCdxKeys(reread, i), expected[i]);
      if (test::HaveXBaseIndex()) {
        const auto outside = test::XBaseIndexEntries(written, tag.Name, tag.KeyType);
        EXPECT_EQ(outside, test::XBaseIndexEntries(original, tag.Name, tag.KeyType));
        EXPECT_EQ(test::RecordsOf(outside), test::RecordsOf(expected[i]));
      }
    }
  }
  if (!test::HaveXBaseIndex()) GTEST_SKIP() << "perl with XBase::Index (libdbd-xbase-perl) fehlt";
}

TEST(CdxFormatTest, AfterAppendingRecordsEveryTagHoldsEveryKeyInOrder) {
  TempDir dir;
  for (const char* ext : {".dbf", ".fpt", ".cdx"})
    test::WriteFileBytes(dir.File(std::string("bestand") + ext),
                         test::ReadFileBytes(kData + "bestand" + ext));
  const std::string dbf = dir.File("bestand.dbf");
  {
    DBServer t(dbf, false, false);
    for (int i = 0; i < 1500; ++i) {
      ASSERT_TRUE(t.Append());
      const std::string lager = (i % 3 ? "l" : "L") + std::to_string(100 + i % 7);
      t.FieldPut("LAGER", Value(lager));
      t.FieldPut("TEIL", Value("N-" + std::to_string((i * 7919) % 1000)));
      t.FieldPut("MENGE", Value(double((i * 37) % 201 - 100)));
      t.FieldPut("WERT", Value((i % 11) * 12.5 - 40));
      t.FieldPut("INVENTUR", Value(i % 5 ? Date::FromYmd(2020, 1 + i % 12, 1 + i % 28) : Date()));
      t.FieldPut("GESPERRT", Value(i % 4 == 0));
    }
    ASSERT_TRUE(t.Close());
  }
  IndexFileInfo info;
  const auto expected =
      Rebuild(dbf, dir.File("bestand.cdx"), BestandRecipes(), dir.File("neu.cdx"), info);
  IndexFileInfo written = CdxHandler().Read(dir.File("neu.cdx"));
  // The keys computed from every record (each the expression's on its record, FOR and
  // UNIQUE applied) are what the file holds, in order.
  ASSERT_EQ(DBServer(dbf, false, true).RecCount(), 1545u);
  for (size_t i = 0; i < info.Tags.size(); ++i) {
    const IndexTag& tag = info.Tags[i];
    SCOPED_TRACE(tag.Name);
    written.Tags[i].KeyType = tag.KeyType;
    const std::vector<FoxIndexEntry> keys = ReadCdxKeys(written, i);
    EXPECT_EQ(keys, expected[i]);
    EXPECT_EQ(keys.size(), tag.Name == "LAGER" ? 12u : tag.Name == "FREI" ? 38u + 1125u : 1545u);
    if (test::HaveXBaseIndex()) {
      EXPECT_EQ(test::RecordsOf(test::XBaseIndexEntries(dir.File("neu.cdx"), tag.Name, tag.KeyType)),
                test::RecordsOf(keys));
    }
  }
}

TEST(CdxFormatTest, LargeRecordNumbersWidenTheLeafEntries) {
  // Record numbers up to 30 million need 25 bits: entries of an 8-byte key grow from three to
  // five bytes. Beyond 2^30 a 20-byte key's entries would have 38 record bits; the mask holds
  // 32, and the counts must follow those.
  TempDir dir;
  IndexFileInfo info;
  info.Format = IndexFormat::Cdx;
  IndexTag tag;
  tag.Name = "BETRAG";
  tag.KeyExpression = "BETRAG";
  tag.KeyType = 'N';
  tag.KeyLength = 8;
  info.Tags.push_back(tag);
  tag.Name = "NAME";
  tag.KeyType = 'C';
  tag.KeyLength = 20;
  info.Tags.push_back(tag);
  std::vector<FoxIndexEntry> numbers, names;
  for (uint32_t i = 1; i <= 3000; ++i)
    numbers.push_back({FoxSortKey(Value(double(i / 3) - 400.0), 8), i * 9973});
  for (uint32_t i = 1; i <= 100; ++i)
    names.push_back({FoxSortKey(Value("N" + std::to_string(1000 + i / 2)), 20), i * 40000000});
  test::VectorKeys numberKeys(numbers), nameKeys(names);
  std::vector<SortedKeys*> pointers{&numberKeys, &nameKeys};
  CdxHandler().Write(info, pointers, 0xFFFFFFFFu, dir.File("gross.cdx"));
  IndexFileInfo written = CdxHandler().Read(dir.File("gross.cdx"));
  ASSERT_EQ(written.Tags.size(), 2u);
  written.Tags[0].KeyType = 'N';
  EXPECT_EQ(ReadCdxKeys(written, 0), numbers);
  EXPECT_EQ(ReadCdxKeys(written, 1), names);
  if (!test::HaveXBaseIndex()) GTEST_SKIP() << "perl with XBase::Index (libdbd-xbase-perl) fehlt";
  EXPECT_EQ(test::RecordsOf(test::XBaseIndexEntries(dir.File("gross.cdx"), "BETRAG", 'N')),
            test::RecordsOf(numbers));
  EXPECT_EQ(test::RecordsOf(test::XBaseIndexEntries(dir.File("gross.cdx"), "NAME", 'C')),
            test::RecordsOf(names));
}

TEST(CdxFormatTest, KeysOutOfOrderOrOfTheWrongLengthAreRefusedBeforeTheFileIsWhole) {
  TempDir dir;
  IndexFileInfo info = CdxHandler().Read(kData + "bestand.cdx");
  info.Tags.resize(1);  // LAGERTEIL, 16 bytes
  info.Kept.clear();
  auto write = [&](std::vector<FoxIndexEntry> entries, const std::string& name) {
    test::VectorKeys keys(std::move(entries));
    std::vector<SortedKeys*> pointers{&keys};
    CdxHandler().Write(info, pointers, 45, dir.File(name));
  };
  const std::string a(16, 'A'), b(16, 'B');
  EXPECT_THROW(write({{b, 1}, {a, 2}}, "1.cdx"), DbfFailure);
  EXPECT_THROW(write({{a, 2}, {a, 1}}, "2.cdx"), DbfFailure);
  EXPECT_THROW(write({{"kurz", 1}}, "3.cdx"), DbfFailure);
  EXPECT_THROW(write({{a, 46}}, "4.cdx"), DbfFailure);
  EXPECT_NO_THROW(write({{a, 1}, {a, 2}, {b, 45}}, "5.cdx"));
}

// The fixture with `change` applied, written beside the test.
std::string Damaged(const TempDir& dir, const std::function<void(std::string&)>& change) {
  std::string bytes = test::ReadFileBytes(kData + "bestand.cdx");
  change(bytes);
  const std::string path = dir.File("kaputt.cdx");
  test::WriteFileBytes(path, bytes);
  return path;
}

void Put16(std::string& b, size_t at, uint32_t v) { b[at] = char(v & 0xFF), b[at + 1] = char(v >> 8); }
void Put32(std::string& b, size_t at, uint32_t v) { Put16(b, at, v & 0xFFFF), Put16(b, at + 2, v >> 16); }

TEST(CdxFormatTest, HostileHeadersRaiseAGermanFailure) {
  TempDir dir;
  constexpr size_t kFirstTag = 1536;  // LAGERTEIL's header in bestand.cdx
  const std::vector<std::pair<const char*, std::function<void(std::string&)>>> cases = {
      {"Schlüssellänge 0", [](std::string& b) { Put16(b, 12, 0); }},
      {"Schlüssellänge 241", [](std::string& b) { Put16(b, kFirstTag + 12, 241); }},
      {"Wurzelknoten", [](std::string& b) { Put32(b, kFirstTag, 0x100000); }},
      {"Wurzelknoten", [](std::string& b) { Put32(b, 0, 700); }},
      {"Seitengröße 700", [](std::string& b) { Put16(b, 18, 700); }},
      {"im Kreis", [](std::string& b) {
         // The directory's root made an inner node whose one child is itself.
         std::string node(512, '\0');
         Put16(node, 0, 1), Put16(node, 2, 1), Put32(node, 4, 0xFFFFFFFF), Put32(node, 8, 0xFFFFFFFF);
         node.replace(12, 10, "LAGER     ");
         node.replace(22, 8, std::string("\0\0\x24\0\0\0\x04\0", 8));  // record 9216, child 1024
         b.replace(1024, 512, node);
       }},
      {"zu kurz", [](std::string& b) { b.resize(1000); }},
      {"Tag-Kopf", [](std::string& b) { b.resize(9216 + 600); }},
  };
  for (const auto& [expect, change] : cases) {
    SCOPED_TRACE(expect);
    try {
      CdxHandler().Read(Damaged(dir, change));
      ADD_FAILURE() << "keine IndexFailure";
    } catch (const IndexFailure& failure) {
      EXPECT_NE(failure.Description.find(expect), std::string::npos) << failure.Description;
      EXPECT_EQ(failure.FileName, dir.File("kaputt.cdx"));
    }
  }
}

TEST(CdxFormatTest, AVisualFoxProCollationOtherThanMachineIsReportedNotRebuilt) {
  TempDir dir;
  const IndexFileInfo info = CdxHandler().Read(Damaged(dir, [](std::string& b) {
    b.replace(3072 + 0x1E6, 7, "GENERAL");  // MENGE's header
  }));
  EXPECT_EQ(info.Tags[0].Unsupported, "");
  EXPECT_NE(info.Tags[1].Unsupported.find("GENERAL"), std::string::npos);
}

}  // namespace
}  // namespace fw
