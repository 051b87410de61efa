#include <gtest/gtest.h>

#include <map>
#include <set>

#include "core/generate/FillTestSupport.h"
#include "core/generate/ReferenceColumns.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::RecordingWriter;
using test::TempDir;

TEST(ParentPickerTest, PerParentGivesEveryParentItsCountInTurnAndDistinctNeverRepeats) {
  ReferenceDraw draw{ReferenceDraw::Mode::PerParent, 11, 1000, 0, 4};
  const uint64_t total = ParentPicker::ChildCount(draw);
  ParentPicker picker(draw);
  std::map<uint32_t, uint32_t> children;
  uint32_t last = 0;
  for (uint64_t i = 0; i < total; ++i) {
    const uint32_t parent = picker.Next();
    EXPECT_GE(parent, last);  // the children of a parent follow each other
    last = parent;
    ++children[parent];
  }
  std::set<uint32_t> counts;
  for (const auto& [parent, n] : children) {
    EXPECT_LE(n, 4u);
    counts.insert(n);
  }
  EXPECT_LT(children.size(), 1000u);  // some parents got none
  EXPECT_GE(counts.size(), 4u);       // and the others varying counts
  // Two pickers of one draw name the same parents: the key and the looked-up fields agree.
  ParentPicker a(draw), b(draw);
  for (int i = 0; i < 500; ++i) EXPECT_EQ(a.Next(), b.Next());

  ReferenceDraw distinct{ReferenceDraw::Mode::Distinct, 3, 300, 0, 0};
  ParentPicker once(distinct);
  std::set<uint32_t> seen;
  for (int i = 0; i < 300; ++i) EXPECT_TRUE(seen.insert(once.Next()).second);
}

TEST(ParentValuesTest, ReadsTheRecordsNotDeletedAndChecksTheChildsField) {
  TempDir dir;
  const std::string path = dir.File("kunden.dbf");
  ASSERT_TRUE(DBServer::Create(path,
                               {{"KDNR", 'N', 6, 0, {}}, {"NAME", 'C', 20, 0, {}},
                                {"SEIT", 'D', 8, 0, {}}},
                               "DBFNTX"));
  {
    DBServer table(path, false, false);
    const char* names[] = {"Meier", "Schulze-Oberhausen", "Weg"};
    for (int i = 0; i < 3; ++i) {
      table.Append();
      table.FieldPut(1, Value(100 + i));
      table.FieldPut(2, Value(names[i]));
      table.FieldPut(3, Value(Date::FromYmd(2020, 1, 1 + i)));
    }
    table.Commit();
  }
  // The third customer is marked deleted by hand: its key must never be drawn.
  {
    std::string bytes = test::ReadFileBytes(path);
    DBServer table(path, true, true);
    const size_t header = bytes.size() - 1 - 3 * (1 + 6 + 20 + 8);
    bytes[header + 2 * (1 + 6 + 20 + 8)] = '*';
    table.Close();
    test::WriteFileBytes(path, bytes);
  }
  DBServer table(path, true, true);
  ParentValues parent;
  std::string error;
  ASSERT_TRUE(ReadParentValues(table, {"KDNR", "NAME", "SEIT"}, parent, error)) << error;
  EXPECT_EQ(parent.Records, 2u);
  ASSERT_NE(parent.Column("kdnr"), nullptr);
  EXPECT_EQ(parent.Column("KDNR")->Largest(), 101);
  EXPECT_EQ(parent.Column("NAME")->At(1), Value("Schulze-Oberhausen"));
  EXPECT_EQ(parent.Column("SEIT")->At(0), Value(Date::FromYmd(2020, 1, 1)));

  EXPECT_EQ(ParentFitsField(*parent.Column("KDNR"), {"KDNR", 'N', 3, 0, {}}), "");
  EXPECT_NE(ParentFitsField(*parent.Column("KDNR"), {"KDNR", 'N', 2, 0, {}}), "");
  EXPECT_NE(ParentFitsField(*parent.Column("KDNR"), {"KDNR", 'C', 6, 0, {}}), "");
  EXPECT_NE(ParentFitsField(*parent.Column("NAME"), {"NAME", 'C', 10, 0, {}}).find("18 Zeichen"),
            std::string::npos);
  EXPECT_FALSE(ReadParentValues(table, {"FEHLT"}, parent, error));
  EXPECT_NE(error.find("kein Feld FEHLT"), std::string::npos);

  auto shared = std::make_shared<ParentValues>(std::move(parent));
  ReferenceDraw draw{ReferenceDraw::Mode::Random, 5, shared->Records, 0, 0};
  ReferenceColumn keys(draw, shared, *shared->Column("KDNR"));
  ReferenceColumn names(draw, shared, *shared->Column("NAME"));
  RecordingWriter k, n;
  for (int i = 0; i < 50; ++i) {
    keys.Produce(k);
    names.Produce(n);
  }
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(n.Texts[size_t(i)], k.Numbers[size_t(i)] == 100 ? "Meier" : "Schulze-Oberhausen");
}

}  // namespace
}  // namespace fw
