// Cross-check with a DBF reader that is not ours: GDAL's ogrinfo, where it is installed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>

#include "core/platform/DBServer.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

namespace fw {
namespace {

std::string RunOgrinfo(const std::string& path) {
  std::string command = "/usr/bin/ogrinfo -q -al -ro '" + path + "' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
    pclose(pipe);
  }
  return output;
}

// A source that writes a fixed value, for the bulk-append path.
class FixedNumber : public ColumnSource {
public:
  void Produce(FieldWriter& out) override { out.PutNumber(4711.125); }
};

TEST(DbfOgrinfoTest, GdalReadsTheSameValuesForEveryDriver) {
  if (access("/usr/bin/ogrinfo", X_OK) != 0) GTEST_SKIP() << "ogrinfo is not installed";
  for (const char* driver : {"DBFNTX", "DBFMDX", "DBFCDX"}) {
    SCOPED_TRACE(driver);
    test::TempDir dir;
    std::string path = test::CreateTable(dir.File("kunden.dbf"),
                                         {{"NAME", 'C', 20, 0}, {"BETRAG", 'N', 10, 2},
                                          {"NUMMER", 'N', 8, 0}, {"DATUM", 'D', 8, 0},
                                          {"AKTIV", 'L', 1, 0}, {"NOTIZ", 'M', 10, 0}},
                                         driver);
    {
      DBServer table(path, false, false);
      table.Append();
      table.FieldPut("NAME", Value("M\xFCller & S\xF6hne"));  // Windows-1252
      table.FieldPut("BETRAG", Value(-12.345));
      table.FieldPut("NUMMER", Value(12345678.0));
      table.FieldPut("DATUM", Value(Date::FromYmd(2020, 5, 17)));
      table.FieldPut("AKTIV", Value(true));
      table.FieldPut("NOTIZ", Value("ein Memo"));
      FixedNumber number;
      ColumnPlan plan{2, 2, &number};
      ASSERT_TRUE(table.AppendRecords(3, std::span(&plan, 1)));
    }
    std::string out = RunOgrinfo(path);
    EXPECT_NE(out.find("OGRFeature(kunden):0\n"
                       "  NAME (String) = M\xC3\xBCller & S\xC3\xB6hne\n"
                       "  BETRAG (Real) = -12.35\n"
                       "  NUMMER (Integer) = 12345678\n"
                       "  DATUM (Date) = 2020/05/17\n"
                       "  AKTIV (String) = T\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("OGRFeature(kunden):2\n  NAME (String) = (null)\n  BETRAG (Real) = 4711.13\n"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("OGRFeature(kunden):3\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("OGRFeature(kunden):4\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("ERROR"), std::string::npos) << out;
  }
}

}  // namespace
}  // namespace fw
