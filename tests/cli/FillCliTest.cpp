// Runs the real fuellwerk-fill on temporary tables.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <cstdio>
#include <set>
#include <thread>

#include "core/generate/Iban.h"
#include "core/generate/SourceData.h"
#include "core/generate/WordSource.h"
#include "core/platform/DBServer.h"
#include "../core/index/IndexTestFiles.h"
#include "support/DbfTestTables.h"
#include "support/TempDir.h"

#ifdef FW_FILL_EXE

namespace fw {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

const std::vector<FieldInfo> kKunden = {
    {"NAME", 'C', 20, 0},    {"VORNAME", 'C', 15, 0}, {"STRASSE", 'C', 25, 0},
    {"PLZ", 'C', 5, 0},      {"ORT", 'C', 20, 0},     {"UMSATZ", 'N', 10, 2},
    {"KUNDENNR", 'N', 8, 0}, {"AKTIV", 'L', 1, 0},    {"GEBDATUM", 'D', 8, 0},
    {"NOTIZ", 'M', 10, 0}};

struct Result {
  int Status = -1;
  std::string Out, Err;
};

// Runs the filler with `args`, stdin closed, stdout and stderr caught in files.
Result Fill(const TempDir& dir, const std::vector<std::string>& args) {
  const std::string out = dir.File("stdout.txt"), err = dir.File("stderr.txt");
  const pid_t pid = ::fork();
  if (pid == 0) {
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

std::string MakeKunden(const TempDir& dir) {
  const std::string path = dir.File("Kunden.dbf");
  EXPECT_TRUE(DBServer::Create(path, kKunden, "DBFNTX"));
  return path;
}

uint32_t RecordsOf(const std::string& path) {
  DBServer t(path, true, true);
  return t.RecCount();
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string SampleRules() { return std::string(FW_SOURCE_DIR) + "/data/TestDaten/Kunden.rules.ini"; }

TEST(FillCliTest, HelpAndWrongUsage) {
  TempDir dir;
  Result help = Fill(dir, {"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_TRUE(Contains(help.Out, "Aufruf: fuellwerk-fill [Optionen] TABELLE.dbf"));
  EXPECT_TRUE(Contains(help.Out, "--write-rules DATEI"));
  const std::string table = MakeKunden(dir);
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{},
                                             {table},
                                             {"-n", "0", table},
                                             {"-n", "abc", table},
                                             {"-n", "-5", table},
                                             {"-n", "99999999999", table},
                                             {"-n", "5"},
                                             {"-n", "5", "--bunt", table},
                                             {"-n", "5", table, table},
                                             {"-n", "5", "--seed", "x", table},
                                             {"-n", "5", "--rules"}}) {
    const Result r = Fill(dir, args);
    EXPECT_EQ(r.Status, 2) << (args.empty() ? "" : args[0]) << " " << args.size();
    EXPECT_TRUE(Contains(r.Err, "Aufruf: fuellwerk-fill")) << r.Err;
  }
  EXPECT_EQ(RecordsOf(table), 0u);
}

TEST(FillCliTest, FillsTheSampleTableWithItsDeliveredRules) {
  TempDir dir;
  const std::string table = MakeKunden(dir);
  const Result r = Fill(dir, {"-n", "250", "--rules", SampleRules(), "--seed", "3", table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Out, "enthält jetzt 250 Datensätze")) << r.Out;
  // The window's summary: records written, time, records now in the table.
  EXPECT_TRUE(Contains(r.Out, "250 Datensätze in ")) << r.Out;
  EXPECT_TRUE(Contains(r.Out, " s geschrieben; die Tabelle enthält jetzt 250 Datensätze.")) << r.Out;
  EXPECT_TRUE(Contains(r.Err, "Feld NOTIZ wird gefüllt. Beendet")) << r.Err;
  DBServer t(table, true, true);
  ASSERT_EQ(t.RecCount(), 250u);
  for (uint32_t i = 1; i <= 250; ++i) {
    t.GoTo(i);
    ASSERT_NE(t.FieldGet("NAME").AsText().substr(0, 1), " ");
    const double umsatz = t.FieldGet("UMSATZ").AsNumber();
    ASSERT_TRUE(std::abs(umsatz) >= 10 && std::abs(umsatz) <= 50000) << umsatz;
    const Date d = t.FieldGet("GEBDATUM").AsDate();
    ASSERT_TRUE(d >= Date::FromYmd(1940, 1, 1) && d < Date::FromYmd(2005, 12, 31));
    ASSERT_FALSE(t.FieldGet("NOTIZ").AsText().empty());
  }
  // Again with --zap: the table holds only the new records.
  t.Close();
  const Result again = Fill(dir, {"-q", "--zap", "-n", "7", "--rules", SampleRules(), table});
  EXPECT_EQ(again.Status, 0);
  EXPECT_EQ(again.Err, "");
  EXPECT_EQ(RecordsOf(table), 7u);
}

TEST(FillCliTest, SameSeedSameTable) {
  TempDir a, b;
  const std::string ta = MakeKunden(a), tb = MakeKunden(b);
  ASSERT_EQ(Fill(a, {"-q", "-n", "300", "--rules", SampleRules(), "--seed", "99", ta}).Status, 0);
  ASSERT_EQ(Fill(b, {"-q", "-n", "300", "--rules", SampleRules(), "--seed", "99", tb}).Status, 0);
  std::string x = ReadFileBytes(ta), y = ReadFileBytes(tb);
  x.replace(1, 3, "   ");  // date of last update
  y.replace(1, 3, "   ");
  EXPECT_EQ(x, y);
  EXPECT_EQ(ReadFileBytes(a.File("Kunden.dbt")), ReadFileBytes(b.File("Kunden.dbt")));
}

TEST(FillCliTest, WrittenRulesReadBackAndFill) {
  TempDir dir;
  const std::string table = MakeKunden(dir), rules = dir.File("regeln.ini");
  Result r = Fill(dir, {"--write-rules", rules, table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  const std::string text = ReadFileBytes(rules);
  EXPECT_TRUE(Contains(text, "[UMSATZ]\n; N(10,2)\nMINIMUM=0\nMAXIMUM=0\nNEGATIV=0\nPERCENTNEG=0\n"));
  EXPECT_EQ(RecordsOf(table), 0u);  // and nothing else was done
  r = Fill(dir, {"-q", "-n", "5", "--rules", rules, table});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(RecordsOf(table), 5u);
}

// A table as a new user brings it: the suggested rules fill every field plausibly, and the
// fields of one record agree with each other and with the delivered data.
TEST(FillCliTest, SuggestedRulesFillLinkedFields) {
  TempDir dir;
  const std::string table = dir.File("Adressen.dbf");
  ASSERT_TRUE(DBServer::Create(table,
                               {{"KDNR", 'N', 6, 0},     {"ANREDE", 'C', 4, 0},
                                {"VORNAME", 'C', 15, 0}, {"NAME", 'C', 20, 0},
                                {"STRASSE", 'C', 30, 0}, {"PLZ", 'C', 5, 0},
                                {"ORT", 'C', 20, 0},     {"BUNDESLAND", 'C', 22, 0},
                                {"TELEFON", 'C', 20, 0},
                                {"EMAIL", 'C', 50, 0},   {"IBAN", 'C', 22, 0},
                                {"GEBDATUM", 'D', 8, 0}, {"AKTIV", 'L', 1, 0},
                                {"UMSATZ", 'N', 10, 2},  {"NOTIZ", 'M', 10, 0}},
                               "DBFNTX"));
  const std::string rules = dir.File("vorschlag.ini");
  ASSERT_EQ(Fill(dir, {"--suggest", "--write-rules", rules, table}).Status, 0);
  const std::string written = ReadFileBytes(rules);
  EXPECT_TRUE(Contains(written, "[ORT]\n; C(20)\nMAXLENGTH=0\nFIXLENGTH=0\nQUELLE=Ortsname\n"))
      << written;
  EXPECT_TRUE(Contains(written, "[KDNR]\n; N(6,0)\nMINIMUM=1\nMAXIMUM=999999\nNEGATIV=0\n"
                                "PERCENTNEG=0\nEINDEUTIG=1\n"))
      << written;

  const Result r = Fill(dir, {"-q", "-n", "3000", "--suggest", "--seed", "5", table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  const std::string data = ReadFileBytes(std::string(FW_BIN_DIR) + "/ProgrammDaten/PLZOrte.txt");
  ASSERT_GT(data.size(), 100000u);
  const std::string women = ReadFileBytes(std::string(FW_BIN_DIR) + "/ProgrammDaten/VornamenWeiblich.txt");
  // The state and area code each pair has in the delivered files.
  auto entries = [](const char* name) {
    std::string text;
    EXPECT_EQ(ReadWordFile(std::string(FW_BIN_DIR) + "/ProgrammDaten/" + name, text),
              WordFileRead::Ok);
    return NonEmptyEntries(SplitWordList(text));
  };
  const Places places = MakePlaces(entries("PLZOrte.txt"), entries("Vorwahlen.txt"),
                                   entries("PLZBundeslaender.txt"));
  std::map<std::string, size_t> placeOf;
  for (size_t i = 0; i < places.Size(); ++i)
    placeOf[places.Postcode[i] + " " + places.Town[i]] = i;
  size_t withArea = 0;
  DBServer t(table, true, true);
  ASSERT_EQ(t.RecCount(), 3000u);
  std::set<double> ids;
  auto trim = [](std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
  };
  for (uint32_t i = 1; i <= 3000; ++i) {
    t.GoTo(i);
    ids.insert(t.FieldGet("KDNR").AsNumber());
    const std::string plz = trim(t.FieldGet("PLZ").AsText()), ort = trim(t.FieldGet("ORT").AsText());
    ASSERT_EQ(plz.size(), 5u);
    // Windows-1252 in the table and in the data file: the pair is one entry there, its town
    // whole (only the pairs whose town fits the field are drawn); state and area code belong
    // to the same pair.
    ASSERT_TRUE(Contains(data, plz + " " + ort)) << plz << " " << ort;
    const auto place = placeOf.find(plz + " " + ort);
    ASSERT_NE(place, placeOf.end()) << plz << " " << ort;
    ASSERT_EQ(trim(t.FieldGet("BUNDESLAND").AsText()), places.State[place->second]) << plz;
    const std::string phone = trim(t.FieldGet("TELEFON").AsText());
    const std::string& area = places.AreaCode[place->second];
    if (!area.empty()) {
      ASSERT_EQ(phone.substr(0, area.size() + 1), area + " ") << plz << " " << ort;
      ++withArea;
    }
    const std::string vorname = trim(t.FieldGet("VORNAME").AsText());
    const bool woman = Contains(women, vorname + ",") || Contains(women, vorname + "\r");
    ASSERT_EQ(trim(t.FieldGet("ANREDE").AsText()), woman ? "Frau" : "Herr") << vorname;
    const std::string mail = trim(t.FieldGet("EMAIL").AsText());
    ASSERT_TRUE(Contains(mail, "@") && Contains(mail, "example")) << mail;
    ASSERT_TRUE(IsValidIban(trim(t.FieldGet("IBAN").AsText())));
    const std::string street = trim(t.FieldGet("STRASSE").AsText());
    ASSERT_TRUE((street.back() >= '0' && street.back() <= '9') ||
                (street.back() >= 'a' && street.back() <= 'c')) << street;
    ASSERT_GE(trim(t.FieldGet("TELEFON").AsText()).size(), 10u);
    const Date born = t.FieldGet("GEBDATUM").AsDate();
    ASSERT_LE(born, Date::Today().AddDays(-18 * 365));
  }
  EXPECT_EQ(ids.size(), 3000u);
  EXPECT_GT(withArea, 3000u / 3);
}

// A delivery date follows the order date of its record (suggested by the names), blank where
// the order date is blank; a payment date may follow the delivery date in turn.
TEST(FillCliTest, LaterDatesFollowTheDateTheyNameInTheirRecord) {
  TempDir dir;
  const std::string table = dir.File("Auftrag.dbf");
  ASSERT_TRUE(DBServer::Create(table, {{"LIEFDAT", 'D', 8, 0}, {"DATUM", 'D', 8, 0},
                                       {"ZAHLDAT", 'D', 8, 0}},
                               "DBFNTX"));
  const std::string rules = dir.File("vorschlag.ini");
  ASSERT_EQ(Fill(dir, {"--suggest", "--write-rules", rules, table}).Status, 0);
  std::string written = ReadFileBytes(rules);
  EXPECT_TRUE(Contains(written, "[LIEFDAT]\n; D(8)\n")) << written;
  EXPECT_TRUE(Contains(written, "NACH=DATUM\nNACHTAGE=30\n\n[DATUM]")) << written;
  // Ten days at most, a fifth of the order dates blank; payment up to five days after delivery.
  written.replace(written.find("NACHTAGE=30\n\n[DATUM]"), 11, "NACHTAGE=10");
  written.replace(written.find("[DATUM]\n"), 8, "[DATUM]\nLEERPROZENT=20\n");
  written.replace(written.find("NACH=DATUM\nNACHTAGE=30\n", written.find("[ZAHLDAT]")), 23,
                  "NACH=LIEFDAT\nNACHTAGE=5");
  WriteFileBytes(rules, written);
  const Result r = Fill(dir, {"-q", "-n", "400", "--rules", rules, "--seed", "9", table});
  ASSERT_EQ(r.Status, 0) << r.Err << written;
  DBServer t(table, true, true);
  int blank = 0, later = 0;
  for (uint32_t i = 1; i <= 400; ++i) {
    t.GoTo(i);
    const Date datum = t.FieldGet("DATUM").AsDate(), lief = t.FieldGet("LIEFDAT").AsDate();
    const Date zahl = t.FieldGet("ZAHLDAT").AsDate();
    if (datum.IsEmpty()) {
      ASSERT_TRUE(lief.IsEmpty() && zahl.IsEmpty()) << i;
      ++blank;
      continue;
    }
    ASSERT_GE(lief - datum, 0) << i;
    ASSERT_LE(lief - datum, 10) << i;
    ASSERT_GE(zahl - lief, 0) << i;
    ASSERT_LE(zahl - lief, 5) << i;
    later += lief - datum > 0;
  }
  EXPECT_GT(blank, 40);
  EXPECT_GT(later, 200);
}

// Old tables keep postcodes in numeric fields: such a field gets the postcode of the record's
// place when asked (the suggestion asks for a five-digit one), so it agrees with the town.
TEST(FillCliTest, NumericPostcodesAgreeWithTheTown) {
  TempDir dir;
  const std::string table = dir.File("Orte.dbf");
  ASSERT_TRUE(DBServer::Create(table, {{"PLZ", 'N', 5, 0}, {"ORT", 'C', 20, 0}, {"ZIP", 'N', 4, 0}},
                               "DBFNTX"));
  const std::string rules = dir.File("vorschlag.ini");
  ASSERT_EQ(Fill(dir, {"--suggest", "--write-rules", rules, table}).Status, 0);
  const std::string written = ReadFileBytes(rules);
  EXPECT_TRUE(Contains(written, "PERCENTNEG=0\nQUELLE=Postleitzahl\n\n[ORT]")) << written;
  ASSERT_NE(written.find("[ZIP]"), std::string::npos) << written;
  EXPECT_FALSE(Contains(written.substr(written.find("[ZIP]")), "QUELLE")) << written;

  // A field too narrow for five digits is refused before anything is written.
  const std::string before = ReadFileBytes(table);
  const std::string narrow = dir.File("schmal.ini");
  WriteFileBytes(narrow, "[ZIP]\nQUELLE=Postleitzahl\n");
  Result r = Fill(dir, {"-q", "-n", "5", "--suggest", "--rules", narrow, table});
  EXPECT_NE(r.Status, 0);
  EXPECT_TRUE(Contains(r.Err, "Eine Postleitzahl hat fünf Stellen")) << r.Err;
  EXPECT_EQ(ReadFileBytes(table), before);

  r = Fill(dir, {"-q", "-n", "500", "--suggest", "--rules", rules, "--seed", "3", table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  const std::string data = ReadFileBytes(std::string(FW_BIN_DIR) + "/ProgrammDaten/PLZOrte.txt");
  DBServer t(table, true, true);
  ASSERT_EQ(t.RecCount(), 500u);
  std::set<double> codes;
  for (uint32_t i = 1; i <= 500; ++i) {
    t.GoTo(i);
    const double plz = t.FieldGet("PLZ").AsNumber();
    codes.insert(plz);
    char digits[8];
    std::snprintf(digits, sizeof digits, "%05d", int(plz));
    std::string ort = t.FieldGet("ORT").AsText();
    while (!ort.empty() && ort.back() == ' ') ort.pop_back();
    ASSERT_TRUE(Contains(data, std::string(digits) + " " + ort)) << digits << " " << ort;
  }
  EXPECT_GT(codes.size(), 100u);
}

TEST(FillCliTest, FieldOptionsInRulesFiles) {
  TempDir dir;
  const std::string table = MakeKunden(dir);
  const std::string before = ReadFileBytes(table);
  const std::string rules = dir.File("optionen.ini");
  // Too few distinct values: refused before anything is written.
  WriteFileBytes(rules, "[KUNDENNR]\nMINIMUM=1\nMAXIMUM=50\nEINDEUTIG=1\n");
  Result r = Fill(dir, {"-n", "100", "--rules", rules, table});
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(Contains(r.Err, "Das Feld KUNDENNR soll 100 verschiedene Werte erhalten.")) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "nur 49 verschiedene Werte")) << r.Err;
  EXPECT_EQ(ReadFileBytes(table), before);
  // Keys of the wrong kind or range.
  for (const char* text : {"[AKTIV]\nEINDEUTIG=1\n", "[NAME]\nLEERPROZENT=101\n",
                           "[NAME]\nEINDEUTIG=ja\n", "GELOESCHTPROZENT=-1\n", "LEERPROZENT=5\n"}) {
    WriteFileBytes(rules, text);
    r = Fill(dir, {"-n", "5", "--rules", rules, table});
    EXPECT_EQ(r.Status, 1) << text;
    EXPECT_TRUE(Contains(r.Err, "Zeile")) << r.Err;
    EXPECT_EQ(ReadFileBytes(table), before);
  }
  // Distinct names by a running number, the street always blank, every record deleted.
  WriteFileBytes(rules, "GELOESCHTPROZENT=100\n[NAME]\nQUELLE=Namen\nEINDEUTIG=1\n"
                        "[STRASSE]\nQUELLE=Strassen\nLEERPROZENT=100\n");
  r = Fill(dir, {"-q", "-n", "40", "--rules", rules, table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  const std::string bytes = ReadFileBytes(table);
  const size_t header = 32 + 32 * kKunden.size() + 1;
  size_t recordLength = 1;
  for (const FieldInfo& f : kKunden) recordLength += f.Length;
  for (size_t i = 0; i < 40; ++i) EXPECT_EQ(bytes[header + i * recordLength], '*');
  DBServer t(table, true, true);
  std::set<std::string> names;
  for (uint32_t i = 1; i <= 40; ++i) {
    t.GoTo(i);
    names.insert(t.FieldGet("NAME").AsText());
    EXPECT_EQ(t.FieldGet("STRASSE").AsText(), std::string(25, ' '));
  }
  EXPECT_EQ(names.size(), 40u);
}

// Records appended to a table that has some already: a field of distinct values repeats none
// of the values the table holds, and the refusal counts them.
TEST(FillCliTest, UniqueValuesAvoidWhatTheTableHolds) {
  TempDir dir;
  const std::string table = MakeKunden(dir);
  const std::string rules = dir.File("eindeutig.ini");
  auto fill = [&](const char* maximum, const char* count) {
    WriteFileBytes(rules, std::string("[KUNDENNR]\nMINIMUM=1\nMAXIMUM=") + maximum +
                              "\nEINDEUTIG=1\n[NAME]\nQUELLE=Namen\nEINDEUTIG=1\n"
                              "[PLZ]\nQUELLE=Nummer\nEINDEUTIG=1\n");
    return Fill(dir, {"-q", "-n", count, "--rules", rules, table});
  };
  // IDs 1 to 500 first; then the range 1 to 1000 has room for exactly 500 more.
  ASSERT_EQ(fill("501", "500").Status, 0);
  Result r = fill("1001", "500");
  ASSERT_EQ(r.Status, 0) << r.Err;
  {
    DBServer t(table, true, true);
    ASSERT_EQ(t.RecCount(), 1000u);
    std::set<double> ids;
    std::set<std::string> names, codes;
    for (uint32_t i = 1; i <= 1000; ++i) {
      t.GoTo(i);
      ids.insert(t.FieldGet("KUNDENNR").AsNumber());
      names.insert(t.FieldGet("NAME").AsText());
      codes.insert(t.FieldGet("PLZ").AsText());
    }
    EXPECT_EQ(ids.size(), 1000u);
    EXPECT_EQ(*ids.begin(), 1);
    EXPECT_EQ(*ids.rbegin(), 1000);
    EXPECT_EQ(names.size(), 1000u);
    EXPECT_EQ(codes.size(), 1000u);
    t.GoTo(501);  // the names go on numbering after the first run's
    EXPECT_TRUE(Contains(t.FieldGet("NAME").AsText(), "-501")) << t.FieldGet("NAME").AsText();
  }
  // No room left: refused before anything is written, counting what the table holds.
  const std::string before = ReadFileBytes(table);
  r = fill("1001", "1");
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(Contains(r.Err, "Die Regel gibt nur 1000 verschiedene Werte her; 1000 davon stehen "
                              "schon in der Tabelle.")) << r.Err;
  EXPECT_EQ(ReadFileBytes(table), before);
  // Five-digit numbers: 100000 of them, 1000 held.
  WriteFileBytes(rules, "[PLZ]\nQUELLE=Nummer\nEINDEUTIG=1\n");
  r = Fill(dir, {"-n", "99001", "--rules", rules, table});
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(Contains(r.Err, "nur 100000 verschiedene Werte her; 1000 davon")) << r.Err;
  EXPECT_EQ(ReadFileBytes(table), before);
  // Emptied first, the table holds nothing that counts.
  EXPECT_EQ(Fill(dir, {"-q", "--zap", "-n", "1000", "--rules", rules, table}).Status, 0);
}

TEST(FillCliTest, RefusedTablesAndRulesLeaveTheTableByteIdentical) {
  TempDir dir;
  // A damaged table: a dBase signature, then a header cut short.
  WriteFileBytes(dir.File("kaputt.dbf"), std::string("\x03\x7c\x0c\x08\x05\x00\x00\x00", 8));
  const std::string damaged = ReadFileBytes(dir.File("kaputt.dbf"));
  Result r = Fill(dir, {"-n", "5", dir.File("kaputt.dbf")});
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(Contains(r.Err, "Bei der Analyse des angegebenen Files ist ein Fehler aufgetreten."));
  EXPECT_EQ(ReadFileBytes(dir.File("kaputt.dbf")), damaged);
  WriteFileBytes(dir.File("text.dbf"), "Das ist keine Tabelle.");
  EXPECT_EQ(Fill(dir, {"-n", "5", dir.File("text.dbf")}).Status, 1);
  EXPECT_EQ(Fill(dir, {"-n", "5", dir.File("fehlt.dbf")}).Status, 1);

  const std::string table = MakeKunden(dir);
  ASSERT_EQ(Fill(dir, {"-q", "-n", "3", table}).Status, 0);
  const std::string before = ReadFileBytes(table), memoBefore = ReadFileBytes(dir.File("Kunden.dbt"));
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"[GIBTSNICHT]\nQUELLE=Namen\n", "Das Feld GIBTSNICHT gibt es in der Tabelle nicht"},
      {"[UMSATZ]\nQUELLE=Namen\n", "QUELLE eines Zahlenfeldes kann nur Postleitzahl sein"},
      {"[AKTIV]\nPERCENTTRU=viel\n", "PERCENTTRU muss eine ganze Zahl sein"},
      {"[GEBDATUM]\nSTARTDATE=31.02.2000\n", "STARTDATE muss ein Datum"},
      {"[GEBDATUM]\nNACH=GEBDATUM\n", "NACH muss ein anderes Datumsfeld nennen"},
      {"[GEBDATUM]\nNACH=NAME\n", "NACH muss ein anderes Datumsfeld nennen"},
      {"[GEBDATUM]\nNACHTAGE=-1\n", "NACHTAGE muss eine ganze Zahl von 0 bis 36500 sein"},
      {"[NAME]\nFIXLENGTH=ja\n", "FIXLENGTH muss 1 oder 0 sein"},
      {"QUELLE=Namen\n", "Vor der ersten Regel fehlt der Abschnitt"},
      {"[GEBDATUM]\nSTARTDATE=02.01.2000\nENDDATE=01.01.2000\n",
       "Das Enddatum kann nicht vor dem Startdatum liegen"},
      {"[NOTIZ]\nMINWORDS=5\nMAXWORDS=2\n", "Die minimale Anzahl kann nicht grösser sein"},
      {"[NOTIZ]\nMINWORDS=-5\nMAXWORDS=-5\n", "Anzahl von Wörtern kann nicht negativ sein"},
      {"[KUNDENNR]\nMINIMUM=1\nMAXIMUM=1000000000\n", "passen nicht in das Feld KUNDENNR"},
  };
  for (const auto& [rules, message] : bad) {
    WriteFileBytes(dir.File("regeln.ini"), rules);
    r = Fill(dir, {"--zap", "-n", "5", "--rules", dir.File("regeln.ini"), table});
    EXPECT_EQ(r.Status, 1) << rules;
    EXPECT_TRUE(Contains(r.Err, message)) << rules << r.Err;
    EXPECT_EQ(ReadFileBytes(table), before) << rules;
    EXPECT_EQ(ReadFileBytes(dir.File("Kunden.dbt")), memoBefore) << rules;
  }
  EXPECT_EQ(Fill(dir, {"-n", "5", "--rules", dir.File("fehlt.ini"), table}).Status, 1);
}

// An invoice table with records of its own, filled with the sources testers otherwise type by
// hand: a list in shares, masks, sequences continuing the table and counting per order, a
// constant, formulas over other fields (to the cent, a due date) and sentences.
const std::vector<FieldInfo> kRechnung = {
    {"RECHNR", 'C', 12, 0}, {"ORDNR", 'N', 6, 0},   {"POS", 'N', 3, 0},
    {"STATUS", 'C', 10, 0}, {"WAEHRUNG", 'C', 3, 0}, {"KUNDE", 'C', 8, 0},
    {"BRUTTO", 'N', 10, 2}, {"NETTO", 'N', 10, 2},   {"FAELLIG", 'D', 8, 0},
    {"DATUM", 'D', 8, 0},   {"NOTIZ", 'C', 60, 0}};

const char* const kRechnungRules =
    "[RECHNR]\nQUELLE=Folge\nMASKE=R2026-######\n"
    "[ORDNR]\nQUELLE=Liste\nWERTE=1001,1002,1003\n"
    "[POS]\nQUELLE=Folge\nGRUPPE=ORDNR\n"
    "[STATUS]\nQUELLE=Liste\nWERTE=offen:6,bezahlt:3,\"storniert\":1\n"
    "[WAEHRUNG]\nQUELLE=Wert\nWERT=EUR\n"
    "[KUNDE]\nQUELLE=Maske\nMASKE=KD-#####\nEINDEUTIG=1\n"
    "[BRUTTO]\nQUELLE=Formel\nFORMEL=ROUND(NETTO*1.19,2)\n"
    "[NETTO]\nMINIMUM=0\nMAXIMUM=5000\n"
    "[FAELLIG]\nQUELLE=Formel\nFORMEL=DATUM+14\n"
    "[DATUM]\nSTARTDATE=01.01.2026\nENDDATE=31.12.2026\n"
    "[NOTIZ]\nQUELLE=Saetze\n";

TEST(FillCliTest, ListsMasksSequencesConstantsFormulasAndSentences) {
  TempDir dir;
  const std::string table = dir.File("Rechnung.dbf");
  ASSERT_TRUE(DBServer::Create(table, kRechnung, "DBFNTX"));
  const std::string rules = dir.File("regeln.ini");
  // The table's own records: invoice numbers from 40 on.
  std::string text = kRechnungRules;
  WriteFileBytes(rules, text.replace(text.find("######\n"), 7, "######\nSTART=40\n"));
  Result r = Fill(dir, {"-q", "-n", "3", "--rules", rules, "--seed", "1", table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  // Written back and read again, the rules are the same.
  WriteFileBytes(rules, kRechnungRules);
  ASSERT_EQ(Fill(dir, {"--rules", rules, "--write-rules", dir.File("zurueck.ini"), table}).Status, 0);
  const std::string back = ReadFileBytes(dir.File("zurueck.ini"));
  for (const char* line : {"QUELLE=Folge\n", "MASKE=R2026-######\n", "GRUPPE=ORDNR\n",
                           "WERTE=offen:6,bezahlt:3,\"storniert\":1\n", "WERT=EUR\n",
                           "FORMEL=ROUND(NETTO*1.19,2)\n", "FORMEL=DATUM+14\n", "QUELLE=Saetze\n"})
    EXPECT_TRUE(Contains(back, line)) << line << back;
  EXPECT_TRUE(Contains(back, "[ORDNR]\n; N(6,0)\nMINIMUM=0\nMAXIMUM=0\nNEGATIV=0\nPERCENTNEG=0\n"
                             "QUELLE=Liste\n")) << back;

  const uint32_t n = 3000;
  r = Fill(dir, {"-q", "-n", std::to_string(n), "--rules", dir.File("zurueck.ini"), "--seed", "7",
                 table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  auto t = std::make_unique<DBServer>(table, true, true);
  ASSERT_EQ(t->RecCount(), n + 3);
  std::map<std::string, int> status;
  std::set<std::string> kunden;
  double lastOrder = -1, lastPos = 0;
  for (uint32_t i = 4; i <= n + 3; ++i) {
    t->GoTo(i);
    char expected[16];
    std::snprintf(expected, sizeof expected, "R2026-%06u", i + 39);
    ASSERT_EQ(t->FieldGet("RECHNR").AsText(), expected) << i;
    const double order = t->FieldGet("ORDNR").AsNumber(), pos = t->FieldGet("POS").AsNumber();
    ASSERT_TRUE(order == 1001 || order == 1002 || order == 1003) << order;
    ASSERT_EQ(pos, order == lastOrder ? lastPos + 1 : 1) << i;
    lastOrder = order;
    lastPos = pos;
    std::string state = t->FieldGet("STATUS").AsText();
    ++status[state.erase(state.find_last_not_of(' ') + 1)];
    ASSERT_EQ(t->FieldGet("WAEHRUNG").AsText(), "EUR");
    const std::string kunde = t->FieldGet("KUNDE").AsText();
    ASSERT_TRUE(kunde.size() == 8 && kunde.rfind("KD-", 0) == 0 &&
                kunde.find_first_not_of("0123456789", 3) == std::string::npos)
        << kunde;
    kunden.insert(kunde);
    // Gross from net to the cent, half a cent away from zero.
    const long long net = std::llround(t->FieldGet("NETTO").AsNumber() * 100);
    ASSERT_EQ(std::llround(t->FieldGet("BRUTTO").AsNumber() * 100), (net * 119 + 50) / 100) << i;
    ASSERT_EQ(t->FieldGet("FAELLIG").AsDate() - t->FieldGet("DATUM").AsDate(), 14) << i;
    std::string note = t->FieldGet("NOTIZ").AsText();
    note.erase(note.find_last_not_of(' ') + 1);
    const unsigned char first = note.empty() ? 0 : static_cast<unsigned char>(note[0]);
    ASSERT_TRUE(note.back() == '.' && ((first >= 'A' && first <= 'Z') || (first >= 0xC0 && first <= 0xDE)))
        << note;
  }
  EXPECT_EQ(kunden.size(), n);
  EXPECT_NEAR(status["offen"] * 100.0 / n, 60, 3);
  EXPECT_NEAR(status["bezahlt"] * 100.0 / n, 30, 3);
  EXPECT_NEAR(status["storniert"] * 100.0 / n, 10, 3);
  t.reset();  // the filler below opens the table alone

  // Refused before anything is written, each with its reason.
  const std::string before = ReadFileBytes(table);
  const std::vector<std::pair<std::string, std::string>> bad = {
      {"[BRUTTO]\nQUELLE=Formel\nFORMEL=RUNDEN(NETTO,2)\n", "RUNDEN"},
      {"[BRUTTO]\nQUELLE=Formel\nFORMEL=NETTO+BRUTTTO\n", "BRUTTTO"},
      {"[BRUTTO]\nQUELLE=Formel\nFORMEL=DATUM+1\n", "ergibt ein Datum"},
      {"[BRUTTO]\nQUELLE=Formel\nFORMEL=NETTO+1\n[NETTO]\nQUELLE=Formel\nFORMEL=BRUTTO-1\n",
       "im Kreis"},
      {"[KUNDE]\nQUELLE=Maske\nMASKE=KD-######\n", "MASKE des Feldes KUNDE"},
      {"[KUNDE]\nQUELLE=Maske\nMASKE=KD-##\nEINDEUTIG=1\n", "nur 100 verschiedene Werte"},
      {"[RECHNR]\nQUELLE=Folge\nMASKE=R2026-###\nSTART=990\n", "reicht für"},
      {"[POS]\nQUELLE=Folge\nGRUPPE=GIBTSNICHT\n", "GIBTSNICHT"},
      {"[WAEHRUNG]\nQUELLE=Wert\nWERT=EURO\n", "WERT des Feldes WAEHRUNG"},
      {"[DATUM]\nQUELLE=Liste\nWERTE=a\n", "Liste"},
  };
  for (const auto& [rulesText, message] : bad) {
    WriteFileBytes(rules, rulesText);
    r = Fill(dir, {"-n", "500", "--rules", rules, table});
    EXPECT_EQ(r.Status, 1) << rulesText;
    EXPECT_TRUE(Contains(r.Err, message)) << rulesText << r.Err;
    EXPECT_TRUE(ReadFileBytes(table) == before) << rulesText;
  }
  // What Vorschlag proposes for such a table fills it.
  r = Fill(dir, {"-q", "--suggest", "-n", "200", "--seed", "3", table});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_EQ(RecordsOf(table), n + 203);
}

// A group can outgrow the places of its position field only while the records are written:
// the run then says how many records got the largest number instead.
TEST(FillCliTest, AGroupPastThePlacesOfItsSequenceIsReported) {
  TempDir dir;
  const std::string table = dir.File("Pos.dbf");
  ASSERT_TRUE(DBServer::Create(table, {{"ORDNR", 'N', 6, 0}, {"POS", 'N', 1, 0}}, "DBFNTX"));
  const std::string rules = dir.File("regeln.ini");
  WriteFileBytes(rules, "[ORDNR]\nQUELLE=Wert\nWERT=1001\n[POS]\nQUELLE=Folge\nGRUPPE=ORDNR\n");
  const Result r = Fill(dir, {"-n", "30", "--rules", rules, table});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Out + r.Err, "In 21 Datensätzen reichten die Stellen des Feldes POS"))
      << r.Out << r.Err;
  EXPECT_EQ(RecordsOf(table), 30u);
}

// A word file whose first line is "#Gewichte" gives its words in shares; one without keeps
// colons and quotes as part of its words.
TEST(FillCliTest, WordFilesWithWeights) {
  TempDir dir;
  const std::string table = dir.File("Stand.dbf");
  ASSERT_TRUE(DBServer::Create(table, {{"STAND", 'C', 10, 0}, {"ALT", 'C', 10, 0}}, "DBFNTX"));
  ASSERT_EQ(::mkdir(dir.File("daten").c_str(), 0700), 0);
  WriteFileBytes(dir.File("daten/Stand.txt"), "#Gewichte\r\nneu:9,\"alt,x\":1\r\n");
  WriteFileBytes(dir.File("daten/Worte.txt"), "a:1,b");
  WriteFileBytes(dir.File("regeln.ini"), "[STAND]\nQUELLE=Stand\n[ALT]\nQUELLE=Worte\n");
  const Result r = Fill(dir, {"-q", "-n", "2000", "--data", dir.File("daten") + "/", "--rules",
                              dir.File("regeln.ini"), table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  DBServer t(table, true, true);
  int neu = 0;
  for (uint32_t i = 1; i <= 2000; ++i) {
    t.GoTo(i);
    const std::string stand = t.FieldGet("STAND").AsText(), alt = t.FieldGet("ALT").AsText();
    ASSERT_TRUE(stand == "neu       " || stand == "alt,x     ") << stand;
    ASSERT_TRUE(alt == "a:1       " || alt == "b         ") << alt;
    neu += stand == "neu       ";
  }
  EXPECT_NEAR(neu / 20.0, 90, 3);
}

// INDEX= in a rules file names an index file beyond the table's own; its path is relative to
// the rules file. Written by --write-rules from --index, and after a fill that file holds every
// record's key in order, while a file nobody named stays byte for byte.
TEST(FillCliTest, IndexFilesNamedByTheRulesFileAreKeptTrue) {
  TempDir dir;
  for (const char* name : {"liefer.dbf", "liefer.ntx", "lfirma.ntx", "lplzseit.ntx"})
    WriteFileBytes(dir.File(name), ReadFileBytes(test::IndexData(name)));
  const std::string table = dir.File("liefer.dbf");
  const std::string untouched = ReadFileBytes(dir.File("lplzseit.ntx"));
  const std::string written = dir.File("geschrieben.ini");
  Result r = Fill(dir, {"--suggest", "--write-rules", written, "--index", dir.File("lfirma.ntx"),
                        table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(Contains(ReadFileBytes(written), "\nINDEX=lfirma.ntx\n")) << ReadFileBytes(written);

  ASSERT_EQ(::mkdir(dir.File("regeln").c_str(), 0700), 0);
  const std::string rules = dir.File("regeln/liefer.ini");
  WriteFileBytes(rules, "INDEX= ../lfirma.ntx ,\n" + ReadFileBytes(written).substr(
                            ReadFileBytes(written).find("\n[")));
  r = Fill(dir, {"-q", "-n", "60", "--rules", rules, table});
  ASSERT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "lfirma.ntx")) << r.Err;
  const auto raw = test::ReadRawTable(table);  // (a function of the table helpers shares the type's name)
  const test::KeyList keys = test::WalkNtx(dir.File("lfirma.ntx"));
  ASSERT_EQ(keys.size(), raw.Records.size());
  ASSERT_GT(raw.Records.size(), 60u);
  std::set<uint32_t> seen;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (i > 0) {
      EXPECT_LE(keys[i - 1].first, keys[i].first);
    }
    ASSERT_GE(keys[i].second, 1u);
    ASSERT_LE(keys[i].second, raw.Records.size());
    EXPECT_EQ(keys[i].first, test::Upper(raw.Records[keys[i].second - 1].at("FIRMA")));
    seen.insert(keys[i].second);
  }
  EXPECT_EQ(seen.size(), keys.size());
  EXPECT_EQ(ReadFileBytes(dir.File("lplzseit.ntx")), untouched);

  // A named file that is not there refuses the run before the table changes.
  const std::string before = ReadFileBytes(table);
  WriteFileBytes(rules, "INDEX=fehlt.ntx\n");
  r = Fill(dir, {"-q", "-n", "5", "--rules", rules, table});
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(Contains(r.Err, "fehlt.ntx")) << r.Err;
  EXPECT_EQ(ReadFileBytes(table), before);
}

TEST(FillCliTest, RulesOfTablesFromOtherProgramsAddressEveryFieldAndRoundTrip) {
  // Three fields named NAME (two written in lower case), one of them numeric; a hyphen; a
  // GIS-wide number.
  const std::string bytes = test::RawTable(
      0x03, {{"name", 'C', 8, 0}, {"NAME", 'N', 5, 0}, {"kd-nr", 'N', 24, 15},
             {"Name", 'C', 6, 0}, {"DATUM", 'D', 8, 0}});
  TempDir a, b;
  WriteFileBytes(a.File("t.dbf"), bytes);
  WriteFileBytes(b.File("t.dbf"), bytes);
  const std::string rules = a.File("regeln.ini");
  Result r = Fill(a, {"--write-rules", rules, a.File("t.dbf")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  std::string text = ReadFileBytes(rules);
  for (const char* section : {"[NAME (1)]\n; C(8)", "[NAME (2)]\n; N(5,0)", "[KD-NR]\n; N(24,15)",
                              "[NAME (3)]\n; C(6)", "[DATUM]"})
    EXPECT_TRUE(Contains(text, section)) << section << "\n" << text;

  // The unedited file gives the same bytes as no rules at all.
  ASSERT_EQ(Fill(a, {"-q", "-n", "40", "--seed", "5", "--rules", rules, a.File("t.dbf")}).Status, 0);
  ASSERT_EQ(Fill(b, {"-q", "-n", "40", "--seed", "5", b.File("t.dbf")}).Status, 0);
  EXPECT_EQ(ReadFileBytes(a.File("t.dbf")), ReadFileBytes(b.File("t.dbf")));

  // An edited rule reaches its own field only: numbers in the second NAME and in KD-NR.
  text.replace(text.find("MINIMUM=0", text.find("[NAME (2)]")), 9, "MINIMUM=10");
  text.replace(text.find("MAXIMUM=0", text.find("[NAME (2)]")), 9, "MAXIMUM=99");
  text.replace(text.find("MINIMUM=0", text.find("[KD-NR]")), 9, "MINIMUM=-5000.25");
  text.replace(text.find("MAXIMUM=0", text.find("[KD-NR]")), 9, "MAXIMUM=5000.5");
  WriteFileBytes(rules, text);
  r = Fill(a, {"-q", "--zap", "-n", "30", "--rules", rules, a.File("t.dbf")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  {
    DBServer t(a.File("t.dbf"), true, true);
    ASSERT_EQ(t.RecCount(), 30u);
    for (uint32_t i = 1; i <= 30; ++i) {
      t.GoTo(i);
      const double n = t.FieldGet(2).AsNumber(), k = t.FieldGet(3).AsNumber();
      ASSERT_TRUE(n >= 10 && n <= 99) << n;
      ASSERT_TRUE(k >= -5000.25 && k <= 5000.5) << k;
    }
  }
  // Options too reach their own field only.
  WriteFileBytes(rules, "[NAME (1)]\nQUELLE=Namen\nEINDEUTIG=1\n"
                        "[NAME (3)]\nQUELLE=Namen\nLEERPROZENT=100\n");
  r = Fill(a, {"-q", "--zap", "-n", "30", "--rules", rules, a.File("t.dbf")});
  ASSERT_EQ(r.Status, 0) << r.Err;
  {
    DBServer t(a.File("t.dbf"), true, true);
    std::set<std::string> first;
    for (uint32_t i = 1; i <= 30; ++i) {
      t.GoTo(i);
      first.insert(t.FieldGet(1).AsText());
      ASSERT_EQ(t.FieldGet(4).AsText(), "      ");
    }
    EXPECT_EQ(first.size(), 30u);
  }
  // And the suggested ones: the blank share of a title stays with the character field.
  WriteFileBytes(a.File("titel.dbf"), test::RawTable(0x03, {{"TITEL", 'C', 10, 0},
                                                            {"TITEL", 'N', 5, 0}}));
  ASSERT_EQ(Fill(a, {"--suggest", "--write-rules", rules, a.File("titel.dbf")}).Status, 0);
  text = ReadFileBytes(rules);
  EXPECT_LT(text.find("LEERPROZENT=85"), text.find("[TITEL (2)]")) << text;

  // A bare name of several fields is refused and says how to name them.
  WriteFileBytes(rules, "[name]\nMAXLENGTH=3\n");
  const std::string before = ReadFileBytes(a.File("t.dbf"));
  r = Fill(a, {"-n", "5", "--rules", rules, a.File("t.dbf")});
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(Contains(r.Err, "gibt es 3-mal; gemeint ist [NAME (1)] bis [NAME (3)]")) << r.Err;
  EXPECT_EQ(ReadFileBytes(a.File("t.dbf")), before);

  // Formats the program does not fill are named, not called damaged.
  std::string dbase2 = bytes;
  dbase2[0] = 0x02;
  WriteFileBytes(a.File("alt.dbf"), dbase2);
  r = Fill(a, {"-n", "5", a.File("alt.dbf")});
  EXPECT_EQ(r.Status, 1);
  EXPECT_TRUE(Contains(r.Err, "Versionsbyte 0x02, dBase II")) << r.Err;
  EXPECT_FALSE(Contains(r.Err, "korrupt")) << r.Err;
  EXPECT_EQ(ReadFileBytes(a.File("alt.dbf")), dbase2);
}

TEST(FillCliTest, MissingSourceFallsBackWithAMessageAndTheRunEnds) {
  TempDir dir, data;
  WriteFileBytes(data.File("worte.txt"), "eins,zwei,drei");  // found without regard to case
  const std::string table = MakeKunden(dir);
  WriteFileBytes(dir.File("regeln.ini"), "[NAME]\nQUELLE=Namen\n[NOTIZ]\nMINWORDS=1\nMAXWORDS=1\n");
  const Result r = Fill(dir, {"-q", "-n", "4", "--data", data.Path(), "--rules",
                              dir.File("regeln.ini"), table});
  EXPECT_EQ(r.Status, 0) << r.Err;
  EXPECT_TRUE(Contains(r.Err, "Fehlermeldung: Die Quelldatei " + data.Folder() +
                                  "Namen.txt ist nicht vorhanden\nes wird die Datei 'Worte.txt' verwendet"))
      << r.Err;
  DBServer t(table, true, true);
  t.GoTo(4);
  const std::string name = t.FieldGet("NAME").AsText();
  EXPECT_TRUE(name.rfind("eins", 0) == 0 || name.rfind("zwei", 0) == 0 || name.rfind("drei", 0) == 0);
}

// Ctrl+C while the records are written: the run ends with status 3 and the table stays valid,
// holding exactly the records it reports.
TEST(FillCliTest, InterruptStopsTheRunAndLeavesAValidTable) {
  TempDir dir;
  const std::string table = MakeKunden(dir);
  // Long random memos make the write long enough to be interrupted.
  WriteFileBytes(dir.File("regeln.ini"),
                 "[NOTIZ]\nQUELLE=Random\nMINWORDS=3000\nMAXWORDS=3000\n");
  int errPipe[2];
  ASSERT_EQ(::pipe(errPipe), 0);
  const std::string out = dir.File("stdout.txt");
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(o, 1);
    ::dup2(errPipe[1], 2);
    ::close(errPipe[0]);
    const std::string rules = dir.File("regeln.ini");
    ::execl(FW_FILL_EXE, FW_FILL_EXE, "-n", "2000000", "--rules", rules.c_str(), table.c_str(),
            static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(errPipe[1]);
  std::string err;
  char buffer[4096];
  bool interrupted = false;
  for (;;) {
    const ssize_t n = ::read(errPipe[0], buffer, sizeof buffer);
    if (n <= 0) break;
    err.append(buffer, size_t(n));
    if (!interrupted && Contains(err, "werden geschrieben")) {
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
      ::kill(pid, SIGINT);
      interrupted = true;
    }
  }
  ::close(errPipe[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(interrupted) << err;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 3) << err;
  EXPECT_TRUE(Contains(err, "Abgebrochen:")) << err;
  const uint32_t records = RecordsOf(table);
  EXPECT_LT(records, 2000000u);
  EXPECT_TRUE(Contains(ReadFileBytes(out), "enthält jetzt " + std::to_string(records) + " Datensätze"));
  EXPECT_TRUE(Contains(ReadFileBytes(out), " von 2.000.000 Datensätze in ")) << ReadFileBytes(out);
  EXPECT_TRUE(Contains(ReadFileBytes(out), "(Not- halt)")) << ReadFileBytes(out);
  // Header, records and the end-of-file mark, nothing more or less.
  const size_t header = 32 + 32 * kKunden.size() + 1;
  size_t recordLength = 1;
  for (const FieldInfo& f : kKunden) recordLength += f.Length;
  EXPECT_EQ(ReadFileBytes(table).size(), header + records * recordLength + 1);
  if (records > 0) {
    DBServer t(table, true, true);
    t.GoTo(records);
    EXPECT_EQ(t.FieldGet("NOTIZ").AsText().size() > 3000, true);
  }
}

}  // namespace
}  // namespace fw

#endif  // FW_FILL_EXE
