#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>

#include "core/index/MdxFormat.h"
#include "core/platform/DBServer.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::string kData = std::string(FW_SOURCE_DIR) + "/tests/core/index/data/mdx/";

uint32_t Le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | uint8_t(s[at + size_t(i)]);
  return v;
}
uint16_t Le16(const std::string& s, size_t at) {
  return uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
}
void PutLe16(std::string& s, size_t at, uint16_t v) {
  s[at] = char(v & 0xFF);
  s[at + 1] = char(v >> 8);
}
void PutLe32(std::string& s, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

struct Entry {
  std::string Key;
  uint32_t RecNo;
};

// Walks one tag's tree of an MDX file image in index order, the way TDbf tells a leaf from an
// inner node (an inner node has fewer entries than a block holds and a child after the last).
std::vector<Entry> WalkTag(const std::string& mdx, size_t tagIndex) {
  const uint32_t blockBytes = Le16(mdx, 22);
  const uint32_t tagPage = Le32(mdx, 544 + 32 * tagIndex);
  const std::string tagHead = mdx.substr(size_t(tagPage) * 512, blockBytes);
  const uint32_t keyLength = Le16(tagHead, 12), maxKeys = Le16(tagHead, 14),
                 item = Le16(tagHead, 18);
  std::vector<Entry> out;
  std::vector<uint32_t> pending{Le32(tagHead, 0)};
  // Depth first, children in order: a stack of pages, pushed in reverse.
  while (!pending.empty()) {
    const uint32_t page = pending.back();
    pending.pop_back();
    const size_t at = size_t(page) * 512;
    const uint32_t n = Le32(mdx, at);
    const bool inner = n < maxKeys && Le32(mdx, at + 8 + size_t(n) * item) != 0;
    if (inner) {
      for (uint32_t i = n + 1; i-- > 0;) pending.push_back(Le32(mdx, at + 8 + size_t(i) * item));
    } else {
      for (uint32_t i = 0; i < n; ++i) {
        const size_t e = at + 8 + size_t(i) * item;
        out.push_back({mdx.substr(e + 4, keyLength), Le32(mdx, e)});
      }
    }
  }
  return out;
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
  }
  return out;
}

class VectorKeys final : public SortedKeys {
public:
  explicit VectorKeys(std::vector<Entry> entries) : entries_(std::move(entries)) {}
  bool Next(std::string& key, uint32_t& recNo) override {
    if (at_ == entries_.size()) return false;
    key = entries_[at_].Key;
    recNo = entries_[at_++].RecNo;
    return true;
  }
  uint64_t Count() const override { return entries_.size(); }

private:
  std::vector<Entry> entries_;
  size_t at_ = 0;
};

// The keys of the fixture's four tags for every record of `table`, computed here by hand
// (PERSNR; UPPER(NACHNAME); DTOS(EINTRITT); GEHALT descending), sorted the way the rebuild
// sorts them (by sort key, equal keys by record number) and turned into stored keys.
std::vector<std::vector<Entry>> KeysOf(const std::string& table, const IndexFileInfo& info) {
  const IndexFormatHandler& mdx = MdxHandler();
  std::vector<std::vector<Entry>> tags(info.Tags.size());
  DBServer db(table, false, true);
  EXPECT_TRUE(db.Used());
  for (uint32_t r = 1; r <= db.RecCount(); ++r) {
    db.GoTo(r);
    std::string name = db.FieldGet("NACHNAME").AsText();
    for (char& c : name) c = char(std::toupper(uint8_t(c)));
    const Value values[] = {db.FieldGet("PERSNR"), Value(name),
                            Value(db.FieldGet("EINTRITT").AsDate().ToDbf()),
                            db.FieldGet("GEHALT")};
    for (size_t t = 0; t < tags.size(); ++t)
      tags[t].push_back({mdx.SortKey(info, info.Tags[t], values[t]), r});
  }
  for (size_t t = 0; t < tags.size(); ++t) {
    const bool descending = info.Tags[t].Descending;
    std::stable_sort(tags[t].begin(), tags[t].end(), [&](const Entry& a, const Entry& b) {
      return descending ? a.Key > b.Key : a.Key < b.Key;
    });
    for (Entry& e : tags[t]) e.Key = mdx.StoredKey(info, info.Tags[t], e.Key);
  }
  return tags;
}

void Rebuild(const IndexFileInfo& info, std::vector<std::vector<Entry>> tags,
             const std::string& out) {
  std::vector<std::unique_ptr<VectorKeys>> sources;
  std::vector<SortedKeys*> keys;
  for (auto& t : tags) {
    sources.push_back(std::make_unique<VectorKeys>(std::move(t)));
    keys.push_back(sources.back().get());
  }
  MdxHandler().Write(info, keys, 0, out);
}

std::vector<uint32_t> RecNos(const std::vector<Entry>& entries) {
  std::vector<uint32_t> out;
  for (const Entry& e : entries) out.push_back(e.RecNo);
  return out;
}

TEST(MdxFormatTest, ReadsTheTdbfFixtureHeaderAndTags) {
  const IndexFileInfo info = MdxHandler().Read(kData + "personal.mdx");
  EXPECT_EQ(info.Format, IndexFormat::Mdx);
  EXPECT_TRUE(info.Structural);
  EXPECT_EQ(info.Unsupported, "");
  ASSERT_EQ(info.Tags.size(), 4u);
  const struct {
    const char* name;
    const char* expression;
    char type;
    uint32_t length;
    bool descending;
  } expected[] = {{"PERSNR", "PERSNR", 'N', 12, false},
                  {"NACHNAME", "UPPER(NACHNAME)", 'C', 20, false},
                  {"EINTRITT", "DTOS(EINTRITT)", 'C', 8, false},
                  {"GEHALT", "GEHALT", 'N', 12, true}};
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(expected[i].name);
    EXPECT_EQ(info.Tags[i].Name, expected[i].name);
    EXPECT_EQ(info.Tags[i].KeyExpression, expected[i].expression);
    EXPECT_EQ(info.Tags[i].ForExpression, "");
    EXPECT_EQ(info.Tags[i].KeyType, expected[i].type);
    EXPECT_EQ(info.Tags[i].KeyLength, expected[i].length);
    EXPECT_EQ(info.Tags[i].Descending, expected[i].descending);
    EXPECT_FALSE(info.Tags[i].Unique);
  }
  // Kept: the first 2048 bytes as they are, then each tag's header block.
  const std::string file = ReadFileBytes(kData + "personal.mdx");
  ASSERT_EQ(info.Kept.size(), 2048u + 4 * 1024);
  EXPECT_EQ(std::string(info.Kept.begin(), info.Kept.begin() + 2048), file.substr(0, 2048));
  EXPECT_EQ(std::string(info.Kept.begin() + 2048 + 1024, info.Kept.begin() + 2048 + 2048),
            file.substr(size_t(Le32(file, 544 + 32)) * 512, 1024));
}

TEST(MdxFormatTest, NumberAndDateKeysSortAndStoreAsDbaseDoes) {
  const IndexFileInfo info = MdxHandler().Read(kData + "personal.mdx");
  const IndexTag& number = info.Tags[0];
  // The example of the published description: 20.50 is 36h 0Dh 20h 50h.
  EXPECT_EQ(MdxNumberKey(20.5, "x"), std::string("\x36\x0D\x20\x50\0\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(MdxNumberKey(-0.0123, "x"), std::string("\x33\x8D\x12\x30\0\0\0\0\0\0\0\0", 12));
  EXPECT_EQ(MdxNumberKey(0, "x"), std::string("\x34\x01\0\0\0\0\0\0\0\0\0\0", 12));
  // The digits of the double, as TDbf keys it: 1234.56 is 1234.5599999999999454...
  EXPECT_EQ(MdxNumberKey(1234.56, "x"),
            std::string("\x38\x41\x12\x34\x55\x99\x99\x99\x99\x99\0\0", 12));
  // In numeric order but for zero, which dBase's trees keep after 0.0x.
  const double ordered[] = {-1e15, -12345.678, -100, -99.5, -1, -0.5, -0.01,
                            0.01, 0, 0.5, 1, 1.5, 9.99, 10, 100, 12345.678, 1e15};
  std::string previous;
  for (double v : ordered) {
    SCOPED_TRACE(v);
    const std::string sortKey = MdxHandler().SortKey(info, number, Value(v));
    EXPECT_LT(previous, sortKey);
    EXPECT_EQ(MdxHandler().StoredKey(info, number, sortKey), MdxNumberKey(v, "x"));
    previous = sortKey;
  }
  // Date keys: the Julian day as an 8-byte double; 1.1.2000 is day 2451545.
  IndexTag date{"TAG", "DATUM", "", 'D', 8, false, false, false, ""};
  const std::string d2000 =
      MdxHandler().SortKey(info, date, Value(Date::FromYmd(2000, 1, 1)));
  const std::string stored = MdxHandler().StoredKey(info, date, d2000);
  double julian = 0;
  std::memcpy(&julian, stored.data(), 8);
  EXPECT_EQ(julian, 2451545.0);
  EXPECT_LT(MdxHandler().SortKey(info, date, Value(Date::FromYmd(1999, 12, 31))), d2000);
  // Text under the fixture's language driver (58h) orders by weights, not bytes: only keys
  // of blanks, digits and capitals are built; under 57h (byte order) any text is.
  const IndexTag& text = info.Tags[1];
  EXPECT_EQ(MdxHandler().SortKey(info, text, Value("NAME 12")), "NAME 12             ");
  EXPECT_THROW(MdxHandler().SortKey(info, text, Value("Name12")), IndexFailure);
  IndexFileInfo binary = info;
  binary.Kept[31] = 0x57;
  EXPECT_EQ(MdxHandler().SortKey(binary, text, Value("Name12")), "Name12              ");
  EXPECT_THROW(MdxHandler().SortKey(info, number, Value("12")), IndexFailure);
}

TEST(MdxFormatTest, RebuildGivesEveryTagTheOrderTdbfBuilt) {
  TempDir dir;
  const std::string original = ReadFileBytes(kData + "personal.mdx");
  const IndexFileInfo info = MdxHandler().Read(kData + "personal.mdx");
  Rebuild(info, KeysOf(kData + "personal.dbf", info), dir.File("new.mdx"));
  const std::string rebuilt = ReadFileBytes(dir.File("new.mdx"));

  EXPECT_EQ(rebuilt.size(), size_t(Le32(rebuilt, 32)) * 512);
  EXPECT_EQ(rebuilt.substr(0, 32), original.substr(0, 32));  // version, name, block size, tags
  EXPECT_EQ(Le32(rebuilt, 36), 0u);                            // no free blocks
  EXPECT_EQ(MdxHandler().Read(dir.File("new.mdx")).Tags.size(), 4u);
  for (size_t t = 0; t < 4; ++t) {
    SCOPED_TRACE(info.Tags[t].Name);
    const std::vector<Entry> before = WalkTag(original, t), after = WalkTag(rebuilt, t);
    ASSERT_EQ(after.size(), 2000u);
    EXPECT_EQ(RecNos(after), RecNos(before));
    for (size_t i = 0; i < after.size(); ++i) {
      // TDbf counts the digits of a number key in pairs (byte 1) where dBase counts them one
      // by one; the digits agree, the binary noise of a double included (8978.44042969 is
      // keyed as 8978.440429689999).
      std::string a = after[i].Key, b = before[i].Key;
      if (info.Tags[t].KeyType == 'N') {
        ASSERT_EQ(a[1] & 0x80, b[1] & 0x80) << "entry " << i;
        a[1] = b[1] = 0;
      }
      ASSERT_EQ(a, b) << "entry " << i;
    }
    // DBD-XBase, a second outside reader, walks the tag the same way.
    if (std::system("perl -MXBase::Index -e 1 >/dev/null 2>&1") == 0) {
      std::istringstream out(RunCommand(
          "perl -MXBase::Index -e '$i = XBase::Index->new($ARGV[0], tag => $ARGV[1]) or die; "
          "$i->prepare_select; while (@x = $i->fetch) { print \"$x[1]\\n\" }' " +
          dir.File("new.mdx") + " " + info.Tags[t].Name));
      std::vector<uint32_t> order;
      for (uint32_t r; out >> r;) order.push_back(r);
      EXPECT_EQ(order, RecNos(after));
    }
  }
}

TEST(MdxFormatTest, HostileHeadersAreRefusedInGerman) {
  TempDir dir;
  const std::string good = ReadFileBytes(kData + "personal.mdx");
  const uint32_t tag0 = Le32(good, 544) * 512;
  const struct {
    const char* what;
    void (*damage)(std::string&, uint32_t);
    const char* words;
  } cases[] = {
      {"block size 0", [](std::string& f, uint32_t) { PutLe16(f, 22, 0); }, "Blockgröße 0"},
      {"48 tags", [](std::string& f, uint32_t) { PutLe16(f, 28, 48); }, "höchstens 47"},
      {"key beyond the block", [](std::string& f, uint32_t t) { PutLe16(f, t + 12, 600); },
       "Schlüssellänge 600"},
      {"root past the end", [](std::string& f, uint32_t t) { PutLe32(f, t, 0x7FFFFFF); },
       "Wurzelblock"},
      {"tag header past the end", [](std::string& f, uint32_t) { PutLe32(f, 544, 9999); },
       "Kopf außerhalb"},
      {"cut short", [](std::string& f, uint32_t) { f.resize(1000); }, "kürzer"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string bad = good;
    c.damage(bad, tag0);
    WriteFileBytes(dir.File("bad.mdx"), bad);
    try {
      MdxHandler().Read(dir.File("bad.mdx"));
      ADD_FAILURE() << "read without complaint";
    } catch (const IndexFailure& failure) {
      EXPECT_NE(failure.Description.find(c.words), std::string::npos) << failure.Description;
      EXPECT_EQ(failure.FileName, dir.File("bad.mdx"));
    }
    EXPECT_EQ(ReadFileBytes(dir.File("bad.mdx")), bad);
  }
}

// TDbf, built from tests/core/index/tdbf-mdxwalk.pas when Free Pascal is installed.
std::string TdbfWalker() {
  static const std::string exe = [] {
    if (std::system("command -v fpc >/dev/null 2>&1") != 0) return std::string();
    static TempDir build;
    const std::string command = "fpc -O1 -FE" + build.Path() + " -o" + build.File("mdxwalk") +
                                " " + FW_SOURCE_DIR + "/tests/core/index/tdbf-mdxwalk.pas" +
                                " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0 ? build.File("mdxwalk") : std::string();
  }();
  return exe;
}


TEST(MdxFormatTest, TdbfWalksAndSeeksTheRebuiltIndexAfterAppending) {
  const std::string walker = TdbfWalker();
  if (walker.empty()) GTEST_SKIP() << "Free Pascal (fpc, fp-units-db) is not installed";
  TempDir dir;
  WriteFileBytes(dir.File("personal.dbf"), ReadFileBytes(kData + "personal.dbf"));
  WriteFileBytes(dir.File("personal.mdx"), ReadFileBytes(kData + "personal.mdx"));
  {
    DBServer db(dir.File("personal.dbf"), false, false);
    ASSERT_TRUE(db.Used());
    for (int i = 0; i < 57; ++i) {
      ASSERT_TRUE(db.Append());
      db.FieldPut("PERSNR", Value(20000 + 7 * i));
      db.FieldPut("NACHNAME", Value("Neu" + std::to_string(i)));
      db.FieldPut("EINTRITT", Value(Date::FromYmd(2026, 1 + i % 12, 1 + i % 28)));
      db.FieldPut("GEHALT", Value(-12.34 * i));
    }
    ASSERT_TRUE(db.Close());
  }
  const IndexFileInfo info = MdxHandler().Read(dir.File("personal.mdx"));
  const auto tags = KeysOf(dir.File("personal.dbf"), info);
  Rebuild(info, tags, dir.File("new.mdx"));
  ASSERT_EQ(std::rename(dir.File("new.mdx").c_str(), dir.File("personal.mdx").c_str()), 0);

  const std::string base = walker + " " + dir.Path() + " personal.dbf ";
  for (size_t t = 0; t < tags.size(); ++t) {
    SCOPED_TRACE(info.Tags[t].Name);
    std::istringstream out(RunCommand(base + "walk " + info.Tags[t].Name));
    std::string word;
    uint64_t count = 0;
    out >> word >> count;
    EXPECT_EQ(count, 2057u);
    std::vector<uint32_t> order;
    for (uint32_t r; out >> r;) order.push_back(r);
    EXPECT_EQ(order, RecNos(tags[t]));
  }
  EXPECT_EQ(RunCommand(base + "seek PERSNR N 20392"), "found 2057\n");
  EXPECT_EQ(RunCommand(base + "seek PERSNR N 7919"), "found 1\n");
  // Numbers with decimals a double does not hold exactly, old records' and new ones'.
  EXPECT_EQ(RunCommand(base + "seek GEHALT N 6752.56982422"), "found 1043\n");
  EXPECT_EQ(RunCommand(base + "seek GEHALT N -691.04"), "found 2057\n");
  EXPECT_EQ(RunCommand(base + "seek EINTRITT C 20260909"), "found 2009\n");
}

}  // namespace
}  // namespace fw
