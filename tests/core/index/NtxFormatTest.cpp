// Clipper indexes: the headers Harbour wrote read back, each fixture rebuilt from its
// table's records into the same keys in the same order, and a rebuilt index after appended
// records read by DBD-XBase.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <functional>
#include <string>

#include "core/index/IndexFormats.h"
#include "core/index/IndexRebuild.h"
#include "core/index/NtxFormat.h"
#include "core/index/IndexTestFiles.h"
#include "core/platform/DBServer.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::RawTable;
using Record = std::map<std::string, std::string>;
using KeyOf = std::function<TagKey(const Record&, bool deleted)>;

double Number(const std::string& field) { return std::stod(field); }

struct Fixture {
  const char* Table;
  const char* Index;
  KeyOf Key;
};

// The fixtures' key expressions, computed by hand.
std::vector<Fixture> Fixtures() {
  return {
      {"liefer.dbf", "liefer.ntx",
       [](const Record& r, bool) { return TagKey{Value(Number(r.at("LIEFNR"))), true}; }},
      {"liefer.dbf", "lfirma.ntx",
       [](const Record& r, bool) { return TagKey{Value(test::Upper(r.at("FIRMA"))), true}; }},
      {"liefer.dbf", "lplzseit.ntx",
       [](const Record& r, bool) { return TagKey{Value(r.at("PLZ") + r.at("SEIT")), true}; }},
      {"liefer.dbf", "lsaldo.ntx",
       [](const Record& r, bool) { return TagKey{Value(Number(r.at("SALDO"))), true}; }},
      {"liefer.dbf", "lnrakt.ntx",
       [](const Record& r, bool deleted) {
         return TagKey{Value(test::Str(Number(r.at("LIEFNR")), 6)),
                       r.at("AKTIV") == "T" && !deleted};
       }},
      {"liefer.dbf", "lfirma6.ntx",
       [](const Record& r, bool) {
         return TagKey{Value(test::Upper(r.at("FIRMA").substr(0, 6))), true};
       }},
      {"gross.dbf", "gross.ntx",
       [](const Record& r, bool) { return TagKey{Value(Number(r.at("NR"))), true}; }},
      {"gross.dbf", "grname.ntx",
       [](const Record& r, bool) {
         return TagKey{Value(test::Upper(r.at("NAME")) + test::Str(Number(r.at("NR")), 7)),
                       true};
       }},
  };
}

void Rebuild(const std::string& indexPath, const RawTable& table, const KeyOf& keyOf,
             size_t budget = KeySorter::kDefaultBudget) {
  const IndexFormatHandler& handler = HandlerOf(IndexFormat::Ntx);
  const IndexFileInfo info = handler.Read(indexPath);
  RebuildIndexFile(
      info, handler, uint32_t(table.Records.size()),
      [&](uint32_t recNo, std::vector<TagKey>& keys) {
        keys[0] = keyOf(table.Records[recNo - 1], table.Deleted[recNo - 1]);
      },
      budget);
}

TEST(NtxFormatTest, ReadsTheHeadersHarbourWrote) {
  struct Expected {
    const char* File;
    const char* Key;
    const char* For;
    uint32_t KeyLength;
    bool Unique, Descending;
  };
  const Expected expected[] = {
      {"liefer.ntx", "LIEFNR", "", 6, false, false},
      {"lfirma.ntx", "Upper( FIRMA )", "", 30, false, false},
      {"lplzseit.ntx", "PLZ + DToS( SEIT )", "", 13, false, false},
      {"lsaldo.ntx", "SALDO", "", 12, false, false},
      {"lnrakt.ntx", "Str( LIEFNR, 6 )", "AKTIV .AND. ! Deleted()", 6, false, false},
      {"lfirma6.ntx", "Upper( Left( FIRMA, 6 ) )", "", 6, true, true},
      {"grname.ntx", "Upper( NAME ) + Str( NR, 7 )", "", 27, false, false},
  };
  for (const Expected& e : expected) {
    SCOPED_TRACE(e.File);
    const IndexFileInfo info = NtxHandler().Read(test::IndexData(e.File));
    EXPECT_EQ(info.Format, IndexFormat::Ntx);
    EXPECT_TRUE(info.Unsupported.empty());
    ASSERT_EQ(info.Tags.size(), 1u);
    const IndexTag& tag = info.Tags[0];
    EXPECT_EQ(tag.KeyExpression, e.Key);
    EXPECT_EQ(tag.ForExpression, e.For);
    EXPECT_EQ(tag.KeyLength, e.KeyLength);
    EXPECT_EQ(tag.Unique, e.Unique);
    EXPECT_EQ(tag.Descending, e.Descending);
    EXPECT_EQ(info.Kept, [&] {
      const std::string bytes = test::ReadFileBytes(test::IndexData(e.File)).substr(0, 1024);
      return std::vector<uint8_t>(bytes.begin(), bytes.end());
    }());
  }
  EXPECT_EQ(NtxHandler().Read(test::IndexData("lsaldo.ntx")).Tags[0].KeyType, 'N');
  EXPECT_EQ(NtxHandler().Read(test::IndexData("lfirma.ntx")).Tags[0].Name, "LFIRMA");
}

// Negative numbers, descending and unique keys, a FOR condition and trees with inner pages:
// the rebuilt file holds the same keys with the same records in the same order as Harbour's,
// and keeps its header but for the root.
TEST(NtxFormatTest, RebuildGivesHarbourKeysInHarbourOrder) {
  for (const Fixture& f : Fixtures()) {
    SCOPED_TRACE(f.Index);
    test::TempDir dir;
    const std::string original = test::IndexData(f.Index);
    const std::string copy = dir.File(f.Index);
    test::WriteFileBytes(copy, test::ReadFileBytes(original));
    const RawTable table = test::ReadRawTable(test::IndexData(f.Table));
    Rebuild(copy, table, f.Key);

    EXPECT_EQ(test::WalkNtx(copy), test::WalkNtx(original));
    const std::string before = test::ReadFileBytes(original).substr(0, 1024);
    const std::string after = test::ReadFileBytes(copy).substr(0, 1024);
    EXPECT_EQ(after.substr(8), before.substr(8));
    EXPECT_EQ(after.substr(0, 4), before.substr(0, 4));
    EXPECT_EQ(test::ReadFileBytes(copy).size() % 1024, 0u);
    // A tree of one page comes out as Harbour writes it, byte for byte.
    if (test::ReadFileBytes(original).size() == 2048) {
      EXPECT_EQ(test::ReadFileBytes(copy), test::ReadFileBytes(original));
    }
    EXPECT_FALSE(test::FileExists(RebuildTemporaryPath(copy)));
  }
}

// The same with a budget so small that every tag sorts through runs on disk.
TEST(NtxFormatTest, RebuildThroughRunsOnDiskGivesTheSameFile) {
  for (const char* index : {"grname.ntx", "lfirma6.ntx"}) {
    SCOPED_TRACE(index);
    for (const Fixture& f : Fixtures()) {
      if (std::string(f.Index) != index) continue;
      test::TempDir dir;
      const RawTable table = test::ReadRawTable(test::IndexData(f.Table));
      const std::string inMemory = dir.File("a.ntx"), onDisk = dir.File("b.ntx");
      test::WriteFileBytes(inMemory, test::ReadFileBytes(test::IndexData(index)));
      test::WriteFileBytes(onDisk, test::ReadFileBytes(test::IndexData(index)));
      Rebuild(inMemory, table, f.Key);
      Rebuild(onDisk, table, f.Key, 100);  // a few keys per run, runs merged early
      EXPECT_EQ(test::ReadFileBytes(onDisk), test::ReadFileBytes(inMemory));
      EXPECT_EQ(test::ReadFileBytes(onDisk).size(), test::ReadFileBytes(inMemory).size());
    }
  }
}

void ExpectRefused(const std::string& path, const char* what) {
  SCOPED_TRACE(what);
  const std::string before = test::ReadFileBytes(path);
  try {
    NtxHandler().Read(path);
    ADD_FAILURE() << "no failure";
  } catch (const IndexFailure& failure) {
    EXPECT_NE(failure.Description.find(what), std::string::npos) << failure.Description;
    EXPECT_EQ(failure.FileName, path);
  }
  EXPECT_EQ(test::ReadFileBytes(path), before);
}

TEST(NtxFormatTest, HostileHeadersAreRefusedWithAGermanSentence) {
  test::TempDir dir;
  const std::string good = test::ReadFileBytes(test::IndexData("lfirma.ntx"));
  const std::string path = dir.File("x.ntx");
  auto with = [&](size_t at, std::string bytes) {
    std::string b = good;
    b.replace(at, bytes.size(), bytes);
    test::WriteFileBytes(path, b);
  };
  with(14, std::string("\0\0", 2));
  ExpectRefused(path, "Schlüssellänge");
  with(14, std::string("\x01\x01", 2));  // 257 bytes
  ExpectRefused(path, "Schlüssellänge");
  with(12, std::string("\xF0\x03", 2));  // item size beyond a page
  ExpectRefused(path, "Seite");
  with(18, std::string("\x40\x00", 2));  // more items than a page holds
  ExpectRefused(path, "Seite");
  with(4, std::string("\x00\x10\x00\x00", 4));  // root at 4096: the file's end
  ExpectRefused(path, "Wurzelseite");
  with(4, std::string("\x10\x04\x00\x00", 4));  // root inside a page
  ExpectRefused(path, "Wurzelseite");
  with(22, std::string(256, 'A'));
  ExpectRefused(path, "nicht abgeschlossen");
  with(0, std::string("\x05\x00", 2));
  ExpectRefused(path, "keine Clipper-Indexdatei");
  test::WriteFileBytes(path, good.substr(0, 700));
  ExpectRefused(path, "kürzer");
  // A FOR expression without its end, in a file that says it has one.
  std::string b = good;
  b[0] = 7;
  b.replace(282, 256, std::string(256, 'B'));
  test::WriteFileBytes(path, b);
  ExpectRefused(path, "FOR-Ausdruck");
}

TEST(NtxFormatTest, IndexesTheApplicationKeepsItselfAreLeftWithTheirReason) {
  test::TempDir dir;
  std::string b = test::ReadFileBytes(test::IndexData("liefer.ntx"));
  b[0] = 0x26;  // Harbour's custom index flag
  const std::string path = dir.File("c.ntx");
  test::WriteFileBytes(path, b);
  const IndexFileInfo info = NtxHandler().Read(path);
  EXPECT_NE(info.Unsupported.find("selbst gepflegt"), std::string::npos);
  EXPECT_THROW(RebuildIndexFile(info, NtxHandler(), 1, [](uint32_t, std::vector<TagKey>&) {}),
               IndexFailure);
  EXPECT_EQ(test::ReadFileBytes(path), b);
}

// What DBD-XBase's XBase::Index reads from an index: one "key<TAB>record" line per key.
std::string XBaseIndexDump(const std::string& path, char type) {
  const std::string command = std::string("perl -MXBase::Index -e '") +
                              "my $i = XBase::Index->new($ARGV[0], type => $ARGV[1]) or die;"
                              "$i->prepare_select;"
                              "while (my ($k, $r) = $i->fetch) { print \"$k\\t$r\\n\" }' '" +
                              path + "' " + type + " 2>&1";
  return test::CommandOutput(command);
}

bool HaveXBaseIndex() { return std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0; }

TEST(NtxFormatTest, DbdXBaseReadsAnIndexRebuiltAfterAppendedRecords) {
  if (!HaveXBaseIndex()) GTEST_SKIP() << "perl with XBase::Index is not installed";
  test::TempDir dir;
  for (const char* name : {"gross.dbf", "gross.ntx", "grname.ntx"}) {
    test::WriteFileBytes(dir.File(name), test::ReadFileBytes(test::IndexData(name)));
  }
  {
    DBServer table(dir.File("gross.dbf"), false, false);
    for (int i = 0; i < 1500; ++i) {
      ASSERT_TRUE(table.Append());
      table.FieldPut("NR", Value(double(100003 + (i * 37) % 1500 - (i % 3 == 0 ? 200000 : 0))));
      table.FieldPut("NAME", Value("Neu " + std::to_string(i % 50)));
      table.FieldPut("DATUM", Value(Date::FromYmd(2024, 1 + i % 12, 1 + i % 28)));
    }
    ASSERT_TRUE(table.Close());
  }
  const RawTable table = test::ReadRawTable(dir.File("gross.dbf"));
  ASSERT_EQ(table.Records.size(), 6500u);
  for (const Fixture& f : Fixtures()) {
    if (std::string(f.Table) != "gross.dbf") continue;
    SCOPED_TRACE(f.Index);
    Rebuild(dir.File(f.Index), table, f.Key);
    const bool numeric = std::string(f.Index) == "gross.ntx";
    const std::string dump = XBaseIndexDump(dir.File(f.Index), numeric ? 'N' : 'C');
    std::vector<std::pair<std::string, uint32_t>> read;
    size_t at = 0;
    while (at < dump.size()) {
      const size_t end = dump.find('\n', at);
      const std::string line = dump.substr(at, end - at);
      at = end == std::string::npos ? dump.size() : end + 1;
      const size_t tab = line.find('\t');
      ASSERT_NE(tab, std::string::npos) << line;
      read.emplace_back(line.substr(0, tab), uint32_t(std::stoul(line.substr(tab + 1))));
    }
    ASSERT_EQ(read.size(), table.Records.size());
    std::vector<bool> seen(table.Records.size() + 1);
    for (size_t i = 0; i < read.size(); ++i) {
      const auto& [key, recNo] = read[i];
      ASSERT_TRUE(recNo >= 1 && recNo <= table.Records.size() && !seen[recNo]) << recNo;
      seen[recNo] = true;
      const Value expected = f.Key(table.Records[recNo - 1], false).Key;
      if (numeric) {
        EXPECT_DOUBLE_EQ(std::stod(key), expected.AsNumber()) << i;
        if (i > 0) {
          EXPECT_LE(std::stod(read[i - 1].first), std::stod(key)) << i;
        }
      } else {
        EXPECT_EQ(key, expected.AsText().substr(0, key.size())) << i;
        if (i > 0) {
          EXPECT_LE(read[i - 1].first, key) << i;
        }
      }
    }
  }
}

}  // namespace
}  // namespace fw
