#include "core/platform/OpenTables.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace fw
