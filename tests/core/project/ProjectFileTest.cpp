#include <gtest/gtest.h>

#include "core/project/FillOrder.h"
#include "core/project/ProjectFile.h"
#include "support/TempDir.h"

namespace fw {
namespace {

using test::TempDir;
using test::WriteFileBytes;

TEST(ProjectFileTest, ReadsTablesWithPathsBesideTheProjectAndWritesThemBack) {
  TempDir dir;
  const std::string path = dir.File("bestellung.projekt");
  WriteFileBytes(path,
                 "; Kunden und ihre Aufträge\r\n[Projekt]\r\nseed=7\r\n"
                 "[kunden.dbf]\r\nSAETZE=300\r\nREGELN=kunden.ini\r\n"
                 "[auftrag.dbf]\r\nREGELN=auftrag.ini      ; KDNR verweist auf kunden.dbf\r\n");
  Project project;
  std::string error;
  ASSERT_TRUE(ReadProject(path, project, error)) << error;
  EXPECT_EQ(project.Seed, 7u);
  ASSERT_EQ(project.Tables.size(), 2u);
  EXPECT_EQ(project.Tables[0].Path, dir.File("kunden.dbf"));
  EXPECT_EQ(project.Tables[0].Records, 300u);
  EXPECT_EQ(project.Tables[1].RulesPath, dir.File("auftrag.ini"));  // the comment is no part
  EXPECT_EQ(project.Tables[1].Records, 0u);

  ASSERT_TRUE(WriteProject(dir.File("wieder.projekt"), project, error)) << error;
  Project again;
  ASSERT_TRUE(ReadProject(dir.File("wieder.projekt"), again, error)) << error;
  EXPECT_EQ(again.Seed, 7u);
  ASSERT_EQ(again.Tables.size(), 2u);
  EXPECT_EQ(again.Tables[1].Rules, "auftrag.ini");
}

// A table or rules file with an umlaut in its name is found under the name the file system
// gives it, whether the project file was written as UTF-8 or as Windows-1252, and written back
// as it was read.
TEST(ProjectFileTest, NamesWithUmlautsAreThePathsOfTheFilesAndRoundTrip) {
  TempDir dir;
  const std::string utf8 = "[PROJEKT]\nSEED=3\n\n[K\xC3\xBCndigung.dbf]\nSAETZE=5\nREGELN=R\xC3\xBC.ini\n";
  for (const std::string& text : {utf8, std::string("[K\xFCndigung.dbf]\nREGELN=R\xFC.ini\n")}) {
    WriteFileBytes(dir.File("p.projekt"), text);
    Project project;
    std::string error;
    ASSERT_TRUE(ReadProject(dir.File("p.projekt"), project, error)) << error;
    ASSERT_EQ(project.Tables.size(), 1u);
    EXPECT_EQ(project.Tables[0].Path, dir.File("K\xC3\xBCndigung.dbf"));
    EXPECT_EQ(project.Tables[0].RulesPath, dir.File("R\xC3\xBC.ini"));
  }
  Project project;
  std::string error;
  WriteFileBytes(dir.File("p.projekt"), utf8);
  ASSERT_TRUE(ReadProject(dir.File("p.projekt"), project, error)) << error;
  EXPECT_EQ(ProjectText(project), utf8);
}

TEST(ProjectFileTest, RefusesWhatItCannotTakeWithFileAndLine) {
  TempDir dir;
  const std::string path = dir.File("p.projekt");
  struct Case {
    const char* Text;
    const char* Says;
  } cases[] = {
      {"[a.dbf]\nSAETZE=-3\n", "Zeile 2: SAETZE"},
      {"[a.dbf]\nFARBE=rot\n", "Zeile 2: Der Schlüssel FARBE ist unbekannt"},
      {"SEED=1\n[a.dbf]\n", "Zeile 1"},
      {"[a.dbf]\n[A.DBF]\n", "zweimal"},
      {"[PROJEKT]\nSEED=sieben\n", "SEED"},
      {"[PROJEKT]\nSEED=1\n", "nennt keine Tabelle"},
      {"[a.dbf\n", "unvollständig"},
  };
  for (const Case& c : cases) {
    WriteFileBytes(path, c.Text);
    Project project;
    std::string error;
    EXPECT_FALSE(ReadProject(path, project, error)) << c.Text;
    EXPECT_NE(error.find(c.Says), std::string::npos) << c.Text << " -> " << error;
  }
  Project project;
  std::string error;
  EXPECT_FALSE(ReadProject(dir.File("fehlt.projekt"), project, error));
  EXPECT_NE(error.find("nicht vorhanden"), std::string::npos);
}

TEST(FillOrderTest, ParentsComeFirstOtherwiseTheProjectsOrderAndCirclesAreNamed) {
  std::vector<size_t> circle;
  // 0 order lines -> 1 orders -> 2 customers; 0 -> 3 articles.
  const auto order = FillOrder(4, {{0, 1}, {1, 2}, {0, 3}}, circle);
  ASSERT_TRUE(order);
  EXPECT_EQ(*order, (std::vector<size_t>{2, 1, 3, 0}));
  EXPECT_EQ(*FillOrder(3, {}, circle), (std::vector<size_t>{0, 1, 2}));

  EXPECT_FALSE(FillOrder(4, {{0, 1}, {1, 2}, {2, 1}, {3, 0}}, circle));
  std::vector<size_t> sorted = circle;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<size_t>{1, 2}));
  EXPECT_FALSE(FillOrder(2, {{1, 1}}, circle));  // a table that refers to itself
  EXPECT_EQ(circle, (std::vector<size_t>{1}));
}

}  // namespace
}  // namespace fw
