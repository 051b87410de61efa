#include "support/DbfTestTables.h"

#include <gtest/gtest.h>

namespace fw::test {

std::vector<FieldInfo> MixedFields() {
  return {{"NAME", 'C', 20, 0}, {"BETRAG", 'N', 10, 2}, {"DATUM", 'D', 8, 0},
          {"AKTIV", 'L', 1, 0}, {"NOTIZ", 'M', 10, 0},  {"ZAHL", 'F', 8, 3}};
}

std::string CreateTable(const std::string& path, const std::vector<FieldInfo>& fields,
                        const std::string& driver) {
  EXPECT_TRUE(DBServer::Create(path, fields, driver)) << path;
  return path;
}

}  // namespace fw::test
