#include "core/platform/GetRdd.h"

#include <gtest/gtest.h>

#include "support/TempDir.h"

namespace fw {
namespace {

TEST(GetRddTest, PicksTheDriverFromTheVersionByte) {
  test::TempDir dir;
  const struct {
    unsigned char byte;
    const char* driver;
  } cases[] = {{0x03, "DBFNTX"}, {0x07, "DBFNTX"}, {0x83, "DBFNTX"}, {0x87, "DBFNTX"},
               {0x8B, "DBFMDX"}, {0xF5, "DBFCDX"}, {0x30, "DBFCDX"}, {0x31, "DBFCDX"}, {0x32, "DBFCDX"},
               {0x04, "DBFMDX"}, {0x8C, "DBFMDX"}, {0x7B, "DBFMDX"}, {0xFB, "DBFNTX"},
               {0x84, "DBFMDX"},
               {0xE5, ""},       {0x02, ""}};
  for (const auto& c : cases) {
    std::string path = dir.File("t.dbf");
    test::WriteFileBytes(path, std::string(1, char(c.byte)) + std::string(40, '\0'));
    EXPECT_EQ(GetRDD(path), c.driver) << int(c.byte);
  }
}

TEST(GetRddTest, UnreadableOrEmptyFilesGiveNoDriver) {
  test::TempDir dir;
  EXPECT_EQ(GetRDD(""), "");
  EXPECT_EQ(GetRDD(dir.File("missing.dbf")), "");
  test::WriteFileBytes(dir.File("empty.dbf"), "");
  EXPECT_EQ(GetRDD(dir.File("empty.dbf")), "");
  EXPECT_EQ(GetRDD(dir.Path()), "");  // a folder
}

}  // namespace
}  // namespace fw
