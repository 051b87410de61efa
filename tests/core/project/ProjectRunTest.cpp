#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "../index/IndexTestFiles.h"
#include "core/platform/DBServer.h"
#include "core/project/ProjectRun.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

// A host that shows nothing and keeps the line of every finished table.
class RecordingProject : public ProjectHost {
public:
  std::vector<FilledTable> Finished;
  FillHost& TableHost(const PlannedTable&) override { return fill_; }
  void TableFinished(const FilledTable& table) override { Finished.push_back(table); }

private:
  struct Fill : QuietFillHost {
    void ShowMessage(const std::string&, const std::string& text, MessageIcon) override {
      ADD_FAILURE() << text;
    }
  } fill_;
};

// A supplier table of another program with its NTX index of the table's name (key LIEFNR), and
// a table of firms it refers to: the project fills the firms first, then the suppliers, and
// keeps the supplier index true. An index file the rules name that is not there refuses the
// project before either table changes.
TEST(ProjectRunTest, KeepsTheIndexFilesOfEveryTableTrueAndPlansThemBeforeWriting) {
  TempDir dir;
  for (const char* name : {"liefer.dbf", "liefer.ntx"})
    WriteFileBytes(dir.File(name), ReadFileBytes(test::IndexData(name)));
  ASSERT_TRUE(DBServer::Create(dir.File("firma.dbf"), {{"FIRMA", 'C', 30, 0}}, "DBFNTX"));
  WriteFileBytes(dir.File("firma.ini"), "[FIRMA]\nQUELLE=Firma\nEINDEUTIG=1\n");
  const std::string rules =
      "[LIEFNR]\nMINIMUM=1\nMAXIMUM=999999\n"
      "[FIRMA]\nQUELLE=Tabelle\nTABELLE=firma.dbf\nFELD=FIRMA\nJE=1..3\n";
  WriteFileBytes(dir.File("liefer.ini"), "INDEX=fehlt.ntx\n" + rules);
  WriteFileBytes(dir.File("projekt.ini"),
                 "[PROJEKT]\nSEED=5\n[liefer.dbf]\nREGELN=liefer.ini\n"
                 "[firma.dbf]\nSAETZE=10\nREGELN=firma.ini\n");
  Project project;
  std::string error;
  ASSERT_TRUE(ReadProject(dir.File("projekt.ini"), project, error)) << error;
  RunContext context;
  context.DataFolder = std::string(FW_SOURCE_DIR) + "/data/ProgrammDaten/";

  const std::string tableBefore = ReadFileBytes(dir.File("liefer.dbf"));
  const std::string indexBefore = ReadFileBytes(dir.File("liefer.ntx"));
  const std::string firmsBefore = ReadFileBytes(dir.File("firma.dbf"));
  {
    RecordingProject host;
    ProjectRun run(host, context);
    const ProjectOutcome outcome = run.Run(project, 0);
    EXPECT_EQ(outcome.Of, ProjectOutcome::Result::Refused);
    std::string notes;
    for (const ProjectNote& note : outcome.Notes) notes += note.Text + "\n";
    EXPECT_NE(notes.find("fehlt.ntx"), std::string::npos) << notes;
    EXPECT_TRUE(host.Finished.empty());
    EXPECT_EQ(ReadFileBytes(dir.File("liefer.dbf")), tableBefore);
    EXPECT_EQ(ReadFileBytes(dir.File("liefer.ntx")), indexBefore);
    EXPECT_EQ(ReadFileBytes(dir.File("firma.dbf")), firmsBefore);
  }

  WriteFileBytes(dir.File("liefer.ini"), rules);
  RecordingProject host;
  ProjectRun run(host, context);
  ASSERT_TRUE(run.Plan(project));
  ASSERT_EQ(run.Tables().size(), 2u);
  EXPECT_EQ(run.Tables()[0].Name, "firma.dbf");
  EXPECT_TRUE(run.Tables()[1].PerParent);
  ASSERT_FALSE(run.Tables()[1].IndexLines.empty());
  EXPECT_NE(run.Tables()[1].IndexLines[0].find("neu aufgebaut"), std::string::npos);

  const ProjectOutcome outcome = run.Run(project, 0);
  ASSERT_EQ(outcome.Of, ProjectOutcome::Result::Filled);
  ASSERT_EQ(host.Finished.size(), 2u);
  EXPECT_TRUE(host.Finished[1].Complete);
  EXPECT_FALSE(host.Finished[1].Indexes.empty());

  const test::RawTable raw = test::ReadRawTable(dir.File("liefer.dbf"));
  ASSERT_EQ(raw.Records.size(), 25u + host.Finished[1].Written);
  ASSERT_GE(host.Finished[1].Written, 10u);
  const test::KeyList keys = test::WalkNtx(dir.File("liefer.ntx"));
  ASSERT_EQ(keys.size(), raw.Records.size());
  std::set<uint32_t> seen;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) {
      EXPECT_LE(keys[i - 1].first, keys[i].first) << i;
    }
    ASSERT_GE(keys[i].second, 1u);
    ASSERT_LE(keys[i].second, raw.Records.size());
    std::string number = raw.Records[keys[i].second - 1].at("LIEFNR");
    std::replace(number.begin(), number.end(), ' ', '0');  // NTX keys of positive numbers
    EXPECT_EQ(keys[i].first, number);
    seen.insert(keys[i].second);
  }
  EXPECT_EQ(seen.size(), keys.size());
}

// A table another program holds is a table error in the analysis: with no handling of the
// context's own, it goes to the block in force (here the default, which throws), counts
// against the project, and the project is refused with every table as it was.
TEST(ProjectRunTest, ATableHeldElsewhereRefusesTheProjectThroughTheErrorHandlingInForce) {
  TempDir dir;
  ASSERT_TRUE(DBServer::Create(dir.File("a.dbf"), {{"NAME", 'C', 10, 0}}, "DBFNTX"));
  ASSERT_TRUE(DBServer::Create(dir.File("b.dbf"), {{"NAME", 'C', 10, 0}}, "DBFNTX"));
  WriteFileBytes(dir.File("p.ini"), "[a.dbf]\nSAETZE=3\n[b.dbf]\nSAETZE=3\n");
  Project project;
  std::string error;
  ASSERT_TRUE(ReadProject(dir.File("p.ini"), project, error)) << error;
  const std::string before = ReadFileBytes(dir.File("a.dbf"));
  DBServer held(dir.File("b.dbf"), false, false);  // exclusive
  ASSERT_TRUE(held.Used());
  RecordingProject host;
  RunContext context;
  context.DataFolder = std::string(FW_SOURCE_DIR) + "/data/ProgrammDaten/";
  ProjectRun run(host, context);
  const ProjectOutcome outcome = run.Run(project, 1);
  EXPECT_EQ(outcome.Of, ProjectOutcome::Result::Refused);
  ASSERT_FALSE(outcome.Notes.empty());
  EXPECT_NE(outcome.Notes.back().Text.find("keine Tabelle wurde verändert"), std::string::npos);
  EXPECT_EQ(ReadFileBytes(dir.File("a.dbf")), before);
}

}  // namespace
}  // namespace fw
