// fuellwerk-fill: fills a DBF table with random test data without a window, on the same fill
// run as the generation window. For testers who fill tables in scripts and CI.
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/CliHost.h"
#include "cli/ProjectCommand.h"
#include "core/fields/RulesFile.h"
#include "core/app/AppFolders.h"
#include "core/app/IniFile.h"
#include "core/app/ProgramVersion.h"
#include "core/app/RunContext.h"
#include "core/app/Settings.h"
#include "core/app/Utilities.h"
#include "core/errors/SystemErrorText.h"
#include "core/fields/RuleSuggestions.h"
#include "core/fields/RulesFile.h"
#include "core/fields/TableAnalysis.h"
#include "core/generate/FillRun.h"
#include "core/generate/Random.h"
#include "core/index/TableIndexes.h"
#include "core/platform/CodePage.h"
#include "core/platform/Date.h"
#include "core/platform/Error.h"

namespace {

using namespace fw;

constexpr int kExitOk = 0, kExitRefused = 1, kExitUsage = 2, kExitStopped = 3;

const char* const kHelp =
    "Aufruf: fuellwerk-fill [Optionen] TABELLE.dbf\n"
    "        fuellwerk-fill [--seed N] [--data ORDNER] [-q] --project PROJEKT.ini\n"
    "\n"
    "Hängt an eine vorhandene dBase-Tabelle Datensätze an und füllt sie mit Zufallsdaten,\n"
    "nach denselben Regeln wie das Fenster \"Dateien mit Daten füllen\".\n"
    "\n"
    "Optionen:\n"
    "  -n, --records N     anzuhängende und zu füllende Datensätze (Pflicht, ausser wenn\n"
    "                      ein Feld der Regeln JE hat: dann folgt die Zahl aus der Tabelle,\n"
    "                      auf die es verweist)\n"
    "  --zap               die Tabelle vorher leeren\n"
    "  --rules DATEI       Regeln: eine INI-Datei mit einem Abschnitt je Feldname und als\n"
    "                      Schlüsseln den Regelspalten der Definitionstabelle dieses Feldes\n"
    "                      (QUELLE, MAXLENGTH, FIXLENGTH, MINIMUM, MAXIMUM, NEGATIV,\n"
    "                      PERCENTNEG, PERCENTTRU, STARTDATE, ENDDATE, MINWORDS, MAXWORDS)\n"
    "                      und EINDEUTIG=1 (verschiedene Werte), LEERPROZENT=0..100\n"
    "                      (Anteil leerer Felder), bei Zahlenfeldern QUELLE=Postleitzahl\n"
    "                      (Postleitzahl des Orts im Satz), bei Datumsfeldern NACH=FELD\n"
    "                      und NACHTAGE=0..36500 (ein Datum bis so viele Tage nach dem\n"
    "                      Datum von FELD im Satz); QUELLE=Tabelle mit TABELLE=DATEI.dbf\n"
    "                      (neben der Regeldatei oder der Tabelle) und FELD=NAME: ein Wert\n"
    "                      aus einem Satz jener Tabelle; MIT=SCHLÜSSEL: FELD desselben\n"
    "                      Satzes, den das Feld SCHLÜSSEL gezogen hat; JE=MIN..MAX: jeder\n"
    "                      Satz jener Tabelle erhält MIN bis MAX Sätze; EINDEUTIG=1: jeder\n"
    "                      Satz höchstens einmal; vor dem ersten Abschnitt\n"
    "                      GELOESCHTPROZENT=0..100 (Anteil gelöschter Sätze) und\n"
    "                      INDEX=DATEI,DATEI (nach dem Füllen neu aufzubauende\n"
    "                      Indexdateien, relativ zur Regeldatei, wie --index);\n"
    "                      logische Werte 1/0, Daten TT.MM.JJJJ; ein Feld ohne Abschnitt\n"
    "                      behält die Regel, die ihm die Analyse gibt; tragen mehrere\n"
    "                      Felder denselben Namen, heissen ihre Abschnitte [NAME (1)],\n"
    "                      [NAME (2)], ... in der Reihenfolge der Tabelle\n"
    "                      Quellen mit Parametern (Zeichen- und Memofelder nennen sie in\n"
    "                      QUELLE, Zahlen-, logische und Datumsfelder ebenso):\n"
    "                      QUELLE=Liste, WERTE=offen:6,bezahlt:3,\"a,b\":1 (Werte mit\n"
    "                      Gewicht, ohne Gewicht 1; C, N); QUELLE=Maske, MASKE=KD-#####\n"
    "                      (# Ziffer, A Grossbuchstabe, a Kleinbuchstabe, X Ziffer oder\n"
    "                      Buchstabe, \\ das nächste Zeichen wörtlich; C, N; mit EINDEUTIG=1\n"
    "                      verschiedene); QUELLE=Folge, START= (leer: eins mehr als der\n"
    "                      grösste Wert der Tabelle), SCHRITT=1, MASKE=R2026-###### (in\n"
    "                      Zeichenfeldern nötig), GRUPPE=FELD (je Wert von FELD wieder ab\n"
    "                      START bzw. 1); QUELLE=Wert, WERT=EUR (C, N, L, D in der\n"
    "                      Schreibweise der Regeldatei); QUELLE=Formel,\n"
    "                      FORMEL=ROUND(NETTO*1.19,2) (ein xBase-Ausdruck über die Felder\n"
    "                      des Satzes: DATUM+14, TRIM(VORNAME)+\" \"+NAME, IIF(...); C, N, L,\n"
    "                      D); QUELLE=Saetze (deutsche Sätze; C, M mit MINWORDS/MAXWORDS)\n"
    "  --suggest           von Regeln ausgehen, die zu Namen, Typ und Länge der Felder\n"
    "                      passen, statt von leeren (--rules ändert sie je Feld)\n"
    "  --write-rules DATEI die Regeln, die die Analyse der TABELLE gibt (mit --suggest die\n"
    "                      vorgeschlagenen, mit --rules geändert) und die mit --index\n"
    "                      genannten Indexdateien (INDEX=) in DATEI schreiben, und sonst\n"
    "                      nichts tun\n"
    "  --index DATEI       auch diese Indexdatei (.ntx, .ndx, .cdx, .idx, .mdx) nach dem\n"
    "                      Füllen neu aufbauen (mehrmals möglich; relativ zum Arbeitsordner).\n"
    "                      Die Indexdateien mit dem Namen der Tabelle und ihr\n"
    "                      Produktionsindex werden immer neu aufgebaut; andere, die zur\n"
    "                      Tabelle passen, werden vor dem Füllen genannt\n"
    "  --project DATEI     die Tabellen einer Projektdatei füllen ([PROJEKT] SEED=N, dann je\n"
    "                      Tabelle ein Abschnitt [DATEI.dbf] mit SAETZE=, REGELN=, LEEREN=1;\n"
    "                      Pfade relativ zur Projektdatei): erst werden alle Regeln aller\n"
    "                      Tabellen geprüft, dann die Tabellen gefüllt, jede nach denen,\n"
    "                      auf die sie verweist, und danach ihre Indexdateien neu\n"
    "                      aufgebaut (auch die ihrer Regeln, INDEX=); --seed ersetzt SEED\n"
    "  --seed N            Startwert des Zufallsgenerators (gleicher Startwert, gleiche\n"
    "                      Tabelle, gleiche Regeln: gleiche Daten)\n"
    "  --data ORDNER       Ordner der Wortquellen (Vorgabe: ProgrammDaten beim Programm,\n"
    "                      installiert ~/.local/share/fuellwerk/ProgrammDaten, sonst die\n"
    "                      mitgelieferten)\n"
    "  -q, --quiet         keine Fortschrittsanzeige\n"
    "  --version           die Version zeigen\n"
    "  -h, --help          diese Hilfe\n"
    "\n"
    "Exit-Status: 0 Lauf beendet, 1 Tabelle oder Regeln abgelehnt (die Tabelle bleibt\n"
    "unverändert), 2 falscher Aufruf, 3 abgebrochen (Strg+C).\n"
    "Strg+C ist der Nothalt: was geschrieben ist, bleibt gültig in der Tabelle, und die\n"
    "Indexdateien werden für diese Datensätze neu aufgebaut. Eine Indexdatei, deren\n"
    "Ausdrücke das Programm nicht genau nachbilden kann, bleibt, wie sie ist (mit Grund).\n";

struct Options {
  std::string Table;
  std::optional<uint32_t> Records;
  bool Zap = false;
  bool Suggest = false;
  std::string Rules, WriteRules, DataFolder, Project;
  std::vector<std::string> Indexes;  // --index, as given
  std::optional<uint64_t> Seed;
  bool Quiet = false;
  bool Help = false;
  bool Version = false;
};

bool ParseUnsigned(const char* text, uint64_t max, uint64_t& out) {
  if (!text || !*text) return false;
  uint64_t n = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    const uint64_t digit = uint64_t(*p - '0');
    if (n > (max - digit) / 10) return false;
    n = n * 10 + digit;
  }
  out = n;
  return true;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "fuellwerk-fill: %s\nAufruf: fuellwerk-fill [Optionen] TABELLE.dbf "
                       "(mehr mit --help)\n", message.c_str());
  return kExitUsage;
}

// Returns -1 when the options are usable, else the exit status.
int ParseOptions(int argc, char** argv, Options& o) {
  bool onlyFiles = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (onlyFiles || arg.empty() || arg[0] != '-' || arg == "-") {
      if (!o.Table.empty()) return Usage("Nur eine Tabelle kann angegeben werden.");
      o.Table = arg;
    } else if (arg == "--") {
      onlyFiles = true;
    } else if (arg == "-h" || arg == "--help") {
      o.Help = true;
    } else if (arg == "--version") {
      o.Version = true;
    } else if (arg == "-n" || arg == "--records" || arg.rfind("--records=", 0) == 0) {
      const char* text = arg.size() > 10 && arg[9] == '=' ? argv[i] + 10 : value();
      uint64_t n = 0;
      if (!text) return Usage("Nach " + arg + " fehlt die Anzahl der Datensätze.");
      if (!ParseUnsigned(text, 0xFFFFFFFFull, n))
        return Usage(std::string("Die Anzahl der Datensätze \"") + text +
                     "\" ist keine ganze Zahl von 1 bis 4294967295.");
      if (n == 0) return Usage("Die Satzzahl kann nicht NULL sein");
      o.Records = uint32_t(n);
    } else if (arg == "--zap") {
      o.Zap = true;
    } else if (arg == "--suggest") {
      o.Suggest = true;
    } else if (arg == "--rules" || arg == "--write-rules" || arg == "--data" ||
               arg == "--project") {
      const char* text = value();
      if (!text || !*text) return Usage("Nach " + arg + " fehlt der Name.");
      (arg == "--rules"     ? o.Rules
       : arg == "--data"    ? o.DataFolder
       : arg == "--project" ? o.Project
                            : o.WriteRules) = text;
    } else if (arg == "--index") {
      const char* text = value();
      if (!text || !*text) return Usage("Nach --index fehlt der Name der Indexdatei.");
      o.Indexes.push_back(text);
    } else if (arg == "--seed") {
      const char* text = value();
      uint64_t n = 0;
      if (!text || !ParseUnsigned(text, ~0ull, n))
        return Usage("--seed braucht eine ganze Zahl von 0 bis 18446744073709551615.");
      o.Seed = n;
    } else if (arg == "-q" || arg == "--quiet") {
      o.Quiet = true;
    } else {
      return Usage("Unbekannte Option " + arg + ".");
    }
  }
  if (o.Help || o.Version) return -1;
  if (!o.Project.empty()) {
    if (!o.Table.empty() || o.Records || o.Zap || o.Suggest || !o.Rules.empty() ||
        !o.WriteRules.empty())
      return Usage("Mit --project gehören Tabellen, Satzzahlen und Regeln in die Projektdatei.");
    return -1;
  }
  if (o.Table.empty()) return Usage("Die Tabelle fehlt.");
  if (o.WriteRules.empty() && !o.Records && o.Rules.empty())
    return Usage("Die Anzahl -n N fehlt.");
  return -1;
}

FillRun* gRun = nullptr;

extern "C" void OnInterrupt(int) {
  if (gRun) gRun->PBStop();  // stores to lock-free atomics only
}

bool IsRegularFile(const std::string& path) {
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

// The index files the rules file names (INDEX=) join those of --index, each once.
void AddRulesIndexFiles(const RuleSet& rules, std::vector<std::string>& indexes) {
  for (const std::string& file : rules.IndexFiles)
    if (std::find(indexes.begin(), indexes.end(), file) == indexes.end()) indexes.push_back(file);
}

std::string Lines(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\r') out += c;
  return out;
}

int Main(int argc, char** argv) {
  Options options;
  if (const int status = ParseOptions(argc, argv, options); status >= 0) return status;
  if (options.Help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (options.Version) {
    std::printf("fuellwerk-fill %s\n", std::string(ProgramVersion()).c_str());
    return kExitOk;
  }

  SetDateFormat(GermanDateFormat());
  // An installed copy reads the user's settings and word files once the window program has
  // made them, else the delivered ones; it writes nothing there itself.
  const AppFolders folders = FoldersOf(ProgramFolder());
  std::string settingsFile = folders.SettingsFile;
  std::string data = folders.ProgrammDaten;
  if (folders.Installed) {
    if (settingsFile.empty() || !IsRegularFile(settingsFile))
      settingsFile = folders.Delivered + "FUELLWERK.INI";
    if (data.empty() || !IsDirectory(data)) data = folders.Delivered + "ProgrammDaten/";
  }
  const IniFile settings(settingsFile);
  if (!options.DataFolder.empty()) data = options.DataFolder;
  if (data.back() != '/') data += '/';

  RandomStream random;
  RunContext context;
  context.DataFolder = data;
  context.GaugeStep = 1;
  context.Random = &random;
  // Table errors are reported here, once each, and the failing operation gives up. The rules
  // files are read and written under the same handling.
  uint32_t tableErrors = 0;
  context.OnError = [&](Error& error) {
    ++tableErrors;
    std::string text = "Fehler: " + Lines(error.Description);
    if (!error.FileName.empty()) text += " (" + error.FileName + ")";
    if (error.OsCode != 0) text += ": " + SystemErrorText(error.OsCode);
    std::fprintf(stderr, "%s\n", text.c_str());
    return ErrorAction::Default;
  };
  RunErrorScope errorBlock(context);
  if (!options.Project.empty())
    return cli::RunProject(options.Project, options.Seed, options.Quiet, context);

  std::string error;
  AnalysisResult analysis = Analyse(options.Table, context);
  if (!analysis.Ok || !analysis.Table) {
    std::fprintf(stderr, "Fehlermeldung: %s\n", Lines(analysis.Message).c_str());
    if (analysis.Message.find(options.Table) == std::string::npos)
      std::fprintf(stderr, "(%s)\n", options.Table.c_str());
    return kExitRefused;
  }

  // The rules of the run: none yet for every field the program fills.
  RuleSet rules = BlankRules(analysis);
  if (options.Suggest) SuggestRules(*analysis.Table, rules, Date::Today());

  if (!options.Rules.empty() && !fw::ApplyRules(options.Rules, *analysis.Table, rules, error)) {
    std::fprintf(stderr, "fuellwerk-fill: %s\n", error.c_str());
    return kExitRefused;
  }
  AddRulesIndexFiles(rules, options.Indexes);
  if (!options.WriteRules.empty()) {
    rules.IndexFiles = options.Indexes;
    if (!fw::WriteRules(options.WriteRules, *analysis.Table, rules, error)) {
      std::fprintf(stderr, "fuellwerk-fill: %s\n", error.c_str());
      return kExitRefused;
    }
    return kExitOk;
  }
  if (tableErrors > 0) return kExitRefused;
  if (analysis.MemoFileMissing) {
    std::fprintf(stderr, "Achtung: Das Memo-File der Tabelle fehlt; ihre Memofelder bleiben in "
                         "den neuen Datensätzen leer.\n");
  }
  for (const std::string& index : options.Indexes) {
    if (!IsRegularFile(index)) {
      std::fprintf(stderr, "fuellwerk-fill: Die Indexdatei %s ist nicht vorhanden.\n",
                   index.c_str());
      return kExitRefused;
    }
  }
  IndexPlan indexes = PlanTableIndexes(options.Table, options.Indexes);
  for (const std::string& line : indexes.Lines()) std::fprintf(stderr, "%s\n", line.c_str());

  uint64_t seed =
      options.Seed ? *options.Seed : ReadSettings(settings).Seed;
  if (seed == 0) seed = FreshSeed();

  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  cli::CliHost host(stderr, options.Quiet   ? cli::CliHost::Progress::None
                            : terminal      ? cli::CliHost::Progress::Bars
                                            : cli::CliHost::Progress::Lines);
  FillRun run(host, context);
  run.Rules = std::move(rules);
  run.nVorhanden = analysis.RecordCount;
  run.dbAuswahl = std::move(analysis.Table);
  run.Indexes = &indexes;
  // Without -n the rules' children per parent (JE) give the count; else the run refuses it.
  const std::string count = std::to_string(options.Records.value_or(0));

  // First the rules are checked without touching the table: a refused field refuses the run.
  host.Collect = true;
  run.lNurPruefen = true;
  random.Seed(seed);
  run.PBFillDB(count, options.Zap);
  if (run.nAbgelehnt > 0 || tableErrors > 0) {
    for (const std::string& message : host.Collected)
      std::fprintf(stderr, "%s\n", message.c_str());
    std::fprintf(stderr, "fuellwerk-fill: Die Regeln wurden abgelehnt; die Tabelle ist "
                         "unverändert.\n");
    return kExitRefused;
  }
  host.Collect = false;
  host.Collected.clear();

  run.lNurPruefen = false;
  run.BeforeWrite = [&](uint32_t records) {
    host.Line("Die " + std::to_string(records) + " Datensätze werden geschrieben …");
  };
  gRun = &run;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  random.Seed(seed);
  run.PBFillDB(count, options.Zap);
  signal(SIGINT, SIG_DFL);
  signal(SIGTERM, SIG_DFL);
  gRun = nullptr;

  const bool stopped = !run.lRunning.load();
  const std::string table = std::filesystem::absolute(options.Table).lexically_normal().string();
  if (tableErrors > 0) {
    std::fprintf(stderr, "fuellwerk-fill: Die Tabelle %s wurde nicht gefüllt.\n", table.c_str());
    return kExitRefused;
  }
  host.Finish();
  if (stopped) {
    std::fprintf(stderr, "Abgebrochen: %u von %u Datensätzen angehängt.\n", run.nGeschrieben,
                 run.nSaetze);
  }
  // The same summary as the window shows after a run.
  if (const std::string summary = run.Summary(); !summary.empty())
    std::printf("%s\n", summary.c_str());
  std::printf("Die Tabelle %s enthält jetzt %u Datensätze.\n", table.c_str(), run.nVorhanden);
  return stopped ? kExitStopped : kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Main(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "fuellwerk-fill: Fehler: %s\n", e.what());
    return kExitRefused;
  }
}
