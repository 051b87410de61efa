#include "core/platform/OpenTables.h"

#include <gtest/gtest.h>

#include "core/platform/DBServer.h"
#include "support/TempDir.h"

#include <stdexcept>
#include <vector>

namespace fw {
namespace {

TEST(OpenTablesTest, CloseAllClosesNewestFirstEvenWhenOneThrows) {
  OpenTables::CloseAll();
  std::vector<int> order;
  OpenTables::Register([&] { order.push_back(1); });
  const OpenTables::Id gone = OpenTables::Register([&] { order.push_back(2); });
  OpenTables::Id self = 0;
  self = OpenTables::Register([&] {
    order.push_back(3);
    OpenTables::Unregister(self);  // a close unregisters its own table
    throw std::runtime_error("close failed");
  });
  OpenTables::Register([&] { order.push_back(4); });
  OpenTables::Unregister(gone);
  EXPECT_EQ(OpenTables::Count(), 3u);
  EXPECT_EQ(OpenTables::CloseAll(), 3u);
  EXPECT_EQ(order, (std::vector<int>{4, 3, 1}));
  EXPECT_EQ(OpenTables::Count(), 0u);
  EXPECT_EQ(OpenTables::CloseAll(), 0u);
}

TEST(OpenTablesTest, TableServersRegisterWhileOpenAndCloseAllWritesTheirHeaders) {
  OpenTables::CloseAll();
  test::TempDir dir;
  const std::string path = dir.File("T.DBF");
  ASSERT_TRUE(DBServer::Create(path, {{"NAME", 'C', 10, 0}}, "DBFNTX"));
  {
    DBServer table(path, false, false, "DBFNTX");
    ASSERT_TRUE(table.Used());
    EXPECT_EQ(OpenTables::Count(), 1u);
    ASSERT_TRUE(table.Append());
    ASSERT_TRUE(table.FieldPut("NAME", Value("Otto")));
    EXPECT_EQ(OpenTables::CloseAll(), 1u);
    EXPECT_FALSE(table.Used());
    EXPECT_EQ(OpenTables::Count(), 0u);
  }
  DBServer reopened(path, false, false, "DBFNTX");
  EXPECT_EQ(reopened.RecCount(), 1u);
  EXPECT_EQ(reopened.FieldGet("NAME").AsText(), "Otto      ");
  reopened.Close();
  EXPECT_EQ(OpenTables::Count(), 0u);
}

}  // namespace
}  // namespace fw
