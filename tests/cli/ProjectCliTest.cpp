// Runs the real fuellwerk-fill on the delivered order example: four tables that refer to each
// other, built from empty ones by one project file.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>

#include "core/platform/DBServer.h"
#include "support/TempDir.h"

#ifdef FW_FILL_EXE

namespace fw {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const char* const kTables[] = {"kunden.dbf", "artikel.dbf", "auftrag.dbf", "position.dbf"};

struct Result {
  int Status = -1;
  std::string Out, Err;
};

// `fileLimit` > 0: no file of the run may grow beyond so many bytes (a full disk).
Result Fill(const TempDir& dir, const std::vector<std::string>& args, rlim_t fileLimit = 0) {
  const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (fileLimit > 0) {
      ::signal(SIGXFSZ, SIG_IGN);
      const rlimit limit{fileLimit, fileLimit};
      ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(o, 1);
    ::dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(FW_FILL_EXE)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(FW_FILL_EXE, argv.data());
    ::_exit(127);
  }
  Result r;
  int status = 0;
  ::waitpid(pid, &status, 0);
  r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  r.Out = ReadFileBytes(out);
  r.Err = ReadFileBytes(err);
  return r;
}

// The example as delivered: empty tables, rules, project file.
void CopyExample(const TempDir& dir) {
  const std::filesystem::path from =
      std::filesystem::path(FW_SOURCE_DIR) / "data/TestDaten/Bestellungen";
  for (const auto& entry : std::filesystem::directory_iterator(from))
    std::filesystem::copy_file(entry.path(), dir.File(entry.path().filename().string()));
}

Result FillProject(const TempDir& dir, const std::string& seed = "7", rlim_t fileLimit = 0) {
  return Fill(dir, {"-q", "--data", std::string(FW_SOURCE_DIR) + "/data/ProgrammDaten", "--seed",
                    seed, "--project", dir.File("bestellungen.ini")},
              fileLimit);
}

// A field's values, trimmed, record by record.
std::vector<std::string> Column(const std::string& path, const char* field) {
  DBServer table(path, true, true);
  std::vector<std::string> values;
  for (uint32_t i = 1; i <= table.RecCount(); ++i) {
    table.GoTo(i);
    std::string text = table.FieldGet(field).IsNumber() ? std::to_string(table.FieldGet(field).AsNumber())
                                                        : table.FieldGet(field).AsText();
    while (!text.empty() && text.back() == ' ') text.pop_back();
    values.push_back(text);
  }
  return values;
}

// Children per parent: the fewest and the most of any parent, and how many counts occur.
struct PerParent {
  size_t Min = ~size_t(0), Max = 0, Kinds = 0;
};
PerParent CountPerParent(const std::vector<std::string>& parents,
                         const std::vector<std::string>& children) {
  std::map<std::string, size_t> count;
  for (const std::string& key : parents) count[key] = 0;
  for (const std::string& key : children) ++count[key];
  PerParent result;
  std::set<size_t> kinds;
  for (const auto& [key, n] : count) {
    result.Min = std::min(result.Min, n);
    result.Max = std::max(result.Max, n);
    kinds.insert(n);
  }
  result.Kinds = kinds.size();
  return result;
}

TEST(ProjectCliTest, OrderDatabaseFromEmptyTablesHasNoOrphansAndFollowsItsKeys) {
  TempDir dir;
  CopyExample(dir);
  const Result r = FillProject(dir);
  ASSERT_EQ(r.Status, 0) << r.Err;
  // A line per table, parents before children.
  EXPECT_LT(r.Out.find("kunden.dbf: 300"), r.Out.find("auftrag.dbf:")) << r.Out;
  EXPECT_LT(r.Out.find("auftrag.dbf:"), r.Out.find("position.dbf:")) << r.Out;

  const auto kdnr = Column(dir.File("kunden.dbf"), "KDNR");
  const auto names = Column(dir.File("kunden.dbf"), "NAME");
  const auto artnr = Column(dir.File("artikel.dbf"), "ARTNR");
  const auto prices = Column(dir.File("artikel.dbf"), "PREIS");
  const auto aufnr = Column(dir.File("auftrag.dbf"), "AUFNR");
  const auto orderKunde = Column(dir.File("auftrag.dbf"), "KDNR");
  const auto orderName = Column(dir.File("auftrag.dbf"), "NAME");
  const auto lineAuftrag = Column(dir.File("position.dbf"), "AUFNR");
  const auto lineArtikel = Column(dir.File("position.dbf"), "ARTNR");
  const auto linePrice = Column(dir.File("position.dbf"), "PREIS");
  ASSERT_EQ(kdnr.size(), 300u);
  ASSERT_EQ(std::set(kdnr.begin(), kdnr.end()).size(), kdnr.size());
  ASSERT_EQ(std::set(aufnr.begin(), aufnr.end()).size(), aufnr.size());

  std::map<std::string, std::string> nameOf, priceOf;
  for (size_t i = 0; i < kdnr.size(); ++i) nameOf[kdnr[i]] = names[i];
  for (size_t i = 0; i < artnr.size(); ++i) priceOf[artnr[i]] = prices[i];
  const std::set<std::string> orders(aufnr.begin(), aufnr.end());
  for (size_t i = 0; i < orderKunde.size(); ++i) {
    ASSERT_TRUE(nameOf.count(orderKunde[i])) << "order " << i << " points at no customer";
    EXPECT_EQ(orderName[i], nameOf[orderKunde[i]]) << "order " << i;
  }
  for (size_t i = 0; i < lineAuftrag.size(); ++i) {
    ASSERT_TRUE(orders.count(lineAuftrag[i])) << "line " << i << " points at no order";
    ASSERT_TRUE(priceOf.count(lineArtikel[i])) << "line " << i << " points at no article";
    EXPECT_EQ(linePrice[i], priceOf[lineArtikel[i]]) << "line " << i;
  }
  const PerParent perCustomer = CountPerParent(kdnr, orderKunde);
  EXPECT_EQ(perCustomer.Min, 0u);  // JE=0..4
  EXPECT_EQ(perCustomer.Max, 4u);
  EXPECT_EQ(perCustomer.Kinds, 5u);
  const PerParent perOrder = CountPerParent(aufnr, lineAuftrag);
  EXPECT_EQ(perOrder.Min, 1u);  // JE=1..5
  EXPECT_EQ(perOrder.Max, 5u);
  EXPECT_EQ(perOrder.Kinds, 5u);

  // The same seed gives the same bytes in every table (the header's date aside).
  TempDir again;
  CopyExample(again);
  ASSERT_EQ(FillProject(again).Status, 0);
  for (const char* table : kTables) {
    std::string a = ReadFileBytes(dir.File(table)), b = ReadFileBytes(again.File(table));
    ASSERT_GT(a.size(), 4u);
    ASSERT_GT(b.size(), 4u);
    a.replace(1, 3, "   ");
    b.replace(1, 3, "   ");
    EXPECT_TRUE(a == b) << table;
  }
}

TEST(ProjectCliTest, ABadFieldInTheLastTableLeavesEveryTableAsItWas) {
  TempDir dir;
  CopyExample(dir);
  ASSERT_EQ(FillProject(dir).Status, 0);  // the project empties and fills them again
  std::map<std::string, std::string> before;
  for (const char* table : kTables) before[table] = ReadFileBytes(dir.File(table));
  std::string rules = ReadFileBytes(dir.File("position.ini"));
  rules.replace(rules.find("FELD=PREIS"), 10, "FELD=PREISX");
  WriteFileBytes(dir.File("position.ini"), rules);

  const Result r = FillProject(dir, "8");
  EXPECT_EQ(r.Status, 1);
  EXPECT_NE(r.Err.find("PREISX"), std::string::npos) << r.Err;
  EXPECT_NE(r.Err.find("keine Tabelle des Projekts wurde verändert"), std::string::npos) << r.Err;
  for (const char* table : kTables) EXPECT_TRUE(ReadFileBytes(dir.File(table)) == before[table]) << table;
}

// The disk fills while the order lines (the last and largest table) are written: the tables
// filled before stay filled, the order lines are cut back to none, and the message names them.
TEST(ProjectCliTest, AFullDiskKeepsTheTablesAlreadyFilledAndNamesThem) {
  TempDir dir;
  CopyExample(dir);
  const std::string emptyLines = ReadFileBytes(dir.File("position.dbf"));
  const Result r = FillProject(dir, "7", 40000);
  EXPECT_EQ(r.Status, 1) << r.Out << r.Err;
  EXPECT_NE(r.Err.find("Gefüllt wurden: kunden.dbf, auftrag.dbf, artikel.dbf"), std::string::npos)
      << r.Err;
  DBServer kunden(dir.File("kunden.dbf"), true, true);
  EXPECT_EQ(kunden.RecCount(), 300u);
  std::string lines = ReadFileBytes(dir.File("position.dbf"));
  ASSERT_EQ(lines.size(), emptyLines.size());
  lines.replace(1, 3, emptyLines.substr(1, 3));  // the header's date aside
  EXPECT_TRUE(lines == emptyLines);
}

}  // namespace
}  // namespace fw

#endif  // FW_FILL_EXE
