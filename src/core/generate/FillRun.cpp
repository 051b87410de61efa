#include "core/generate/FillRun.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <stdexcept>

#include "core/app/Utilities.h"
#include "core/fields/DefinitionTables.h"
#include "core/fields/FieldAddress.h"
#include "core/generate/ColumnOptions.h"
#include "core/generate/ExistingValues.h"
#include "core/generate/GeneratedSources.h"
#include "core/generate/Generators.h"
#include "core/platform/FieldBytes.h"
#include "core/generate/Random.h"
#include "core/generate/RunSummary.h"
#include "core/generate/WeightedListColumn.h"
#include "core/generate/WordSource.h"
#include "core/platform/CodePage.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

std::string Utf8(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

std::string FillingText(const std::string& cFeld) {
  return "Feld " + Utf8(cFeld) + " wird gefüllt.";
}

// A whole word count of a rule, limited so that arithmetic on it cannot overflow.
int64_t WordCount(double n) {
  if (std::isnan(n)) return 0;
  const double limit = 1e12;
  return int64_t(std::clamp(n, -limit, limit));
}

// Restores the normal pointer however the run ends (a table error may throw).
class BusyPointer {
public:
  explicit BusyPointer(FillHost& host) : host_(host) { host_.SetBusyPointer(true); }
  ~BusyPointer() { host_.SetBusyPointer(false); }

private:
  FillHost& host_;
};

}  // namespace

uint32_t LeadingCount(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '+') ++i;
  // A negative count is no count: it would otherwise turn into some four billion records.
  uint64_t n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + uint64_t(text[i] - '0');
    if (n > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
  }
  return uint32_t(n);
}

FillRun::FillRun(FillHost& host, const RunContext& context)
    : cProgrammDaten(context.DataFolder), host_(host), context_(context) {
  if (!context_.Random) throw std::invalid_argument("FillRun: no random source in the context");
}

FillRun::FillRun(FillHost& host, DefinitionTables& tables, const RunContext& context)
    : FillRun(host, context) {
  tables_ = &tables;
}

uint64_t FillRun::NextSeed() { return context_.Random->Next(); }

FillRun::~FillRun() = default;

void FillRun::PBStop() {
  lRunning.store(false);
  keepWriting_.store(false);
}

void FillRun::PBFillDB(std::string_view satzzahlText, bool leeren) {
  // A second press of "DB Füllen" while this run lets window events run is ignored.
  if (inRun_) return;
  inRun_ = true;
  struct Leave {
    FillRun& run;
    ~Leave() {
      run.inRun_ = false;
      run.plans_.clear();
      run.sources_.clear();
      run.references_.clear();
    }
  } leave{*this};

  RunErrorScope errors(context_);
  BusyPointer busy(host_);
  lRunning.store(true);
  keepWriting_.store(true);
  nAbgelehnt = 0;
  nGeschrieben = 0;
  ForgetOutcome();
  placeSeed_ = personSeed_ = 0;
  dateRecipes_.clear();
  laterDates_.clear();
  recordSources_.clear();
  outsideSequences_.clear();
  nSekunden = 0;
  lGeschrieben = false;
  IndexesRebuilt = {};
  plans_.clear();
  sources_.clear();
  for (FieldKind kind : kFieldKinds) {  // ResetControls
    host_.Gauge(kind).Clear();
    host_.SetStatusText(kind, "");
    host_.RemoveSelection(kind);
  }
  nSaetze = LeadingCount(satzzahlText);
  if (!dbAuswahl) {
    host_.ShowMessage("Achtung", "Sie haben keine Datenbank ausgewählt", MessageIcon::Exclamation);
    return;
  }
  if (tables_) Rules = tables_->Load(dbAuswahl->DBStruct());
  // Children per parent decide the record count; so references are read before it is checked.
  if (!PrepareReferences()) return;
  if (nSaetze == 0) {
    host_.ShowMessage("Achtung", "Die Satzzahl kann nicht NULL sein", MessageIcon::Exclamation);
    return;
  }
  const uint64_t existing = leeren ? 0 : dbAuswahl->RecCount();
  existing_ = uint32_t(existing);
  if (existing + nSaetze > std::numeric_limits<uint32_t>::max()) {
    Refuse("Achtung",
           "So viele Datensätze kann eine DBF-Tabelle nicht aufnehmen.\r\n"
           "Es passen höchstens 4294967295 Datensätze hinein.");
    return;
  }
  if (const std::string name = dbAuswahl->FieldWithoutCounterRoom(nSaetze); !name.empty()) {
    Refuse("Achtung", "Der Zähler des Autowert-Feldes " + Utf8(name) + " reicht nicht für " +
                          GroupedNumber(nSaetze) +
                          " weitere Datensätze.\r\nEr kann höchstens bis 2147483647 zählen.");
    return;
  }
  DBServer* const target = dbAuswahl.get();
  if (leeren && !lNurPruefen) dbAuswahl->Zap();
  startRec_ = leeren ? 1 : nVorhanden + 1;
  // The nSaetze blank records are appended after the passes, together with their values.

  host_.RemoveSelection(FieldKind::Character);
  host_.ProcessEvents();
  townWidth_ = NarrowestTownField();
  for (FieldKind kind : kFieldKinds) {
    std::map<std::string, uint32_t> rowsNamed;
    uint32_t row = 0;
    for (FieldRule& rule : Rules.Rules) {
      if (rule.Kind != kind) continue;
      if (!lRunning.load() || dbAuswahl.get() != target) {
        if (!lRunning.load()) NoteUnreached(kind, row + 1);
        break;
      }
      ruleRow_ = ++row;
      currentField_ = Utf8(rule.Field);
      // Rules of one name belong, in order, to the fields of this type with that name.
      rowPlace_ = ++rowsNamed[FieldKey(rule.Field)];
      switch (kind) {
        case FieldKind::Character: FillCharacter(rule); break;
        case FieldKind::Numeric: FillNumber(rule); break;
        case FieldKind::Logic: FillLogic(rule); break;
        case FieldKind::Date: FillDate(rule); break;
        case FieldKind::Memo: FillMemo(rule); break;
      }
    }
    if (kind == FieldKind::Date && lRunning.load() && dbAuswahl.get() == target) FillLaterDates();
    if (kind == FieldKind::Date && !lRunning.load()) NoteUnplannedLaterDates();
    host_.RemoveSelection(kind);
    host_.ProcessEvents();
  }
  if (lRunning.load() && dbAuswahl.get() == target) PlanRecordSources();

  // The window may have let go of its table while events ran; then there is nothing to write.
  if (dbAuswahl.get() != target) return;
  if (!lNurPruefen) {
    const double deleted = Rules.DeletedPercent;
    if (deleted > 0)
      AddPlan(0, nSaetze, std::make_unique<DeletedShareColumn>(NextSeed(), deleted));
    WritePlans();
  }
  lGestoppt = !lRunning.load();
  nVorhanden = dbAuswahl->RecCount();
  host_.ShowRecordCount(nVorhanden);
}

void FillRun::WritePlans() {
  // A stop before this point has already cut the planned fields short; the records are still
  // appended (blank where no field reached them). A stop from here on ends the append itself
  // after the records already buffered.
  keepWriting_.store(true);
  if (BeforeWrite) BeforeWrite(nSaetze);
  const auto start = std::chrono::steady_clock::now();
  const uint32_t before = dbAuswahl->RecCount();
  host_.ShowWriteProgress(0, nSaetze);
  // Events run after each piece written, so that a stop ends the append there.
  dbAuswahl->AppendRecords(nSaetze, plans_, &keepWriting_, [this](uint32_t written) {
    host_.ShowWriteProgress(written, nSaetze);
    host_.ProcessEvents();
  });
  dbAuswahl->Commit();
  const uint32_t after = dbAuswahl->RecCount();
  nGeschrieben = after > before ? after - before : 0;
  if (nGeschrieben > 0) host_.ShowWriteProgress(nGeschrieben, nSaetze);
  if (nGeschrieben < nSaetze) lRunning.store(false);
  nSekunden = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  lGeschrieben = true;
  for (const auto& [field, outside] : outsideSequences_)
    if (*outside > 0)
      host_.ShowMessage("Achtung",
                        "In " + GroupedNumber(*outside) + " Datensätzen reichten die Stellen des Feldes " +
                            Utf8(field) + " nicht für die Nummer in ihrer GRUPPE; sie tragen die "
                            "größte Nummer, die das Feld fasst.",
                        MessageIcon::Exclamation);
  const bool emptied = existing_ == 0 && nVorhanden > 0;
  if (Indexes && !lVorschau && (nGeschrieben > 0 || emptied)) IndexesRebuilt = Indexes->Rebuild();
}

std::string FillRun::Summary() const {
  if (!lGeschrieben) return {};
  RunOutcome outcome;
  outcome.Requested = nSaetze;
  outcome.Appended = nGeschrieben;
  outcome.InTable = nVorhanden;
  outcome.Seconds = nSekunden;
  outcome.Stopped = lGestoppt;
  for (const RefusedField& refused : Abgelehnt)
    if (!refused.Field.empty() &&
        std::find(outcome.Refused.begin(), outcome.Refused.end(), refused.Field) ==
            outcome.Refused.end())
      outcome.Refused.push_back(refused.Field);
  outcome.Blank = Unreached;
  outcome.FilledUpTo = FilledUpTo;
  outcome.Indexes = IndexesRebuilt.Text();
  return SummaryText(outcome);
}

void FillRun::Refuse(const std::string& caption, const std::string& text) {
  ++nAbgelehnt;
  Abgelehnt.push_back({currentField_, text});
  host_.ShowMessage(caption, text, MessageIcon::Exclamation);
}

int FillRun::TargetField(const std::string& cFeld, FieldKind kind) {
  // Where other programs gave several fields this name, the row's place picks the field.
  const std::vector<FieldInfo>& structure = dbAuswahl->DBStruct();
  if (const int pos = FieldOfKindAt(structure, cFeld, kind, rowPlace_); pos > 0)
    return pos;
  const int pos = dbAuswahl->FieldPos(cFeld);
  if (pos == 0) {
    Refuse("Fehlermeldung",
           "Das Feld " + Utf8(cFeld) + " gibt es in der gewählten Datenbank nicht.");
    return 0;
  }
  if (KindOfField(dbAuswahl->DBStruct()[size_t(pos - 1)]) != kind) {
    Refuse("Fehlermeldung", "Das Feld " + Utf8(cFeld) + " hat nicht den Typ " +
                                std::string(1, TypeLetter(kind)) +
                                ".\r\nEs wird nicht gefüllt.");
    return 0;
  }
  return pos;
}

void FillRun::AddPlan(int fieldPos, uint32_t count, std::unique_ptr<ColumnSource> source) {
  NoteCutShort(fieldPos, count);
  if (count > 0) plans_.push_back(ColumnPlan{fieldPos, count, source.get()});
  sources_.push_back(std::move(source));
}

void FillRun::StartGauge(FieldKind kind, const std::string& cFeld) {
  ProgressGauge& gauge = host_.Gauge(kind);
  gauge.SetBarTotal(nSaetze);
  gauge.Clear();
  host_.SetStatusText(kind, FillingText(cFeld));
}

uint32_t FillRun::CountRecords(FieldKind kind, StopTest test) {
  ProgressGauge& gauge = host_.Gauge(kind);
  const uint32_t step = context_.GaugeStep == 0 ? 1 : context_.GaugeStep;
  if (nSaetze == 0) return 0;
  if (test == StopTest::Never) {
    static const std::atomic<bool> kGoesOn{true};
    gauge.Advance(nSaetze / step, int32_t(step), kGoesOn);
    return nSaetze;
  }
  if (!lRunning.load()) {
    // Stopped before the pass: a test before each record fills none, one after it the first.
    if (test == StopTest::BeforeRecord) return 0;
    if (step == 1) gauge.Update(1);
    return 1;
  }
  // The gauge advances every `step` records. Only there can events run and a stop come in;
  // the records up to that point are filled, whether the test comes before or after a record.
  const uint32_t advances = gauge.Advance(nSaetze / step, int32_t(step), lRunning);
  return lRunning.load() ? nSaetze : advances * step;
}

std::vector<std::string> FillRun::SetQuelle(FieldRule& rule) {
  const std::string name = rule.Source.WordListName();
  std::string path = FindSourceFile(cProgrammDaten, name);
  if (path.empty()) {
    host_.ShowMessage("Fehlermeldung",
                      "Die Quelldatei " + cProgrammDaten + Utf8(name) +
                          ".txt ist nicht vorhanden\r\nes wird die Datei 'Worte.txt' verwendet",
                      MessageIcon::Exclamation);
    path = FindSourceFile(cProgrammDaten, kDefaultWordList);
    if (WritesRulesBack()) {
      rule.Source = ResolveSource(kDefaultWordList);
      WriteBack(rule);
    }
    lastSourcePath_ = path.empty() ? cProgrammDaten + "Worte.txt" : path;
  } else {
    lastSourcePath_ = path;
  }
  std::string text;
  // A missing "Worte.txt", or one that cannot be read, reads as an empty text.
  if (path.empty() || ReadWordFile(path, text) != WordFileRead::Ok) text.clear();
  return SplitWordList(text);
}

std::shared_ptr<const WordList> FillRun::WordsFor(FieldRule& rule) {
  const std::string& cFeld = rule.Field;
  const FieldKind kind = rule.Kind;
  auto words = std::make_shared<const WordList>(NonEmptyEntries(SetQuelle(rule)));
  host_.RefreshGrid(kind);
  host_.ProcessEvents();
  if (words->empty()) {
    Refuse("Fehlermeldung", "Die Quelldatei " + lastSourcePath_ +
                                " enthält keine Wörter oder kann nicht gelesen werden.\r\n"
                                "Das Feld " + Utf8(cFeld) + " wird nicht gefüllt.");
    return nullptr;
  }
  return words;
}

void FillRun::FillCharacter(FieldRule& rule) {
  const std::string& cFeld = rule.Field;
  if (rule.Source.Kind == SourceKind::Empty) return;
  if (rule.Source.Kind == SourceKind::Table) return FillReference(rule);
  // A rule without a source reads the default word list, and says so in its row.
  if (WritesRulesBack() && rule.Source.Name.empty()) {
    rule.Source.Name = kDefaultWordList;
    WriteBack(rule);
  }
  host_.RefreshGrid(FieldKind::Character);
  host_.ProcessEvents();
  if (!dbAuswahl) return;
  const int pos = TargetField(cFeld, FieldKind::Character);
  if (pos == 0) return;
  const uint32_t fieldLength = dbAuswahl->DBStruct()[size_t(pos - 1)].Length;
  if (ParameterSourceName(rule.Source.Kind)[0] != '\0') {
    FillWithParameters(rule, rule.Source.Kind, pos);
    return;
  }

  const bool unique = Rules.OptionsOf(pos).Unique;
  const std::optional<Generated> generated =
      rule.Source.Kind == SourceKind::Generated ? std::optional(rule.Source.Builtin) : std::nullopt;
  const bool selfUnique = generated && GeneratedMakesUnique(*generated);
  // Distinct texts: the source's own way (numbers, accounts or a running number that avoid
  // what the table holds), or a running number at the end, on from the largest the table's
  // texts end with.
  TakenValues taken;
  if (unique && selfUnique && *generated != Generated::Email) {
    if (existing_ > 0)
      taken.Indices = *generated == Generated::Iban
                          ? TakenAccounts(*dbAuswahl, pos, existing_)
                          : TakenDigits(*dbAuswahl, pos, existing_,
                                        std::clamp<uint32_t>(fieldLength, 1, 18));
    const uint64_t capacity = GeneratedCapacity(*generated, fieldLength);
    const uint64_t held = taken.Indices ? taken.Indices->Count() : 0;
    if (capacity > 0 && capacity - held < nSaetze) {
      RefuseNotUnique(cFeld, capacity, held);
      return;
    }
  } else if (unique) {
    if (existing_ > 0) taken.LastNumber = LastNumberIn(*dbAuswahl, pos, existing_, !selfUnique);
    const uint64_t room = std::numeric_limits<uint64_t>::max() - nSaetze;
    if (taken.LastNumber > room ||
        (!selfUnique && fieldLength < SuffixColumn::LengthNeeded(taken.LastNumber + nSaetze))) {
      RefuseNotUnique(cFeld, 0);
      return;
    }
  }
  std::unique_ptr<ColumnSource> source;
  switch (rule.Source.Kind) {
    case SourceKind::Empty:
    case SourceKind::Table: return;
    case SourceKind::List:
    case SourceKind::Mask:
    case SourceKind::Sequence:
    case SourceKind::Constant:
    case SourceKind::Formula:
    case SourceKind::Sentences: return;  // planned above
    case SourceKind::RandomText:
      source = std::make_unique<RandomTextColumn>(NextSeed(), RandomTextLimit(Value(rule.MaxLength)),
                                                  rule.FixLength, fieldLength);
      break;
    case SourceKind::Generated:
      source = GeneratedColumn(rule.Source.Builtin, cFeld, fieldLength, unique, taken);
      if (!source || !dbAuswahl) return;
      break;
    case SourceKind::WordList: {
      auto words = WordsFor(rule);
      if (!words || !dbAuswahl) return;
      // A word file whose first line is "#Gewichte" gives its words in shares.
      std::string text;
      if (ReadWordFile(lastSourcePath_, text) == WordFileRead::Ok && HasWeightsLine(text)) {
        auto list = std::make_shared<WeightedList>();
        std::string error;
        if (!ParseWordFileWeights(text, fieldLength, *list, error) || list->Values.empty()) {
          Refuse("Fehlermeldung", "Die Quelldatei " + lastSourcePath_ + ": " + error +
                                      "\r\nDas Feld " + Utf8(cFeld) + " wird nicht gefüllt.");
          return;
        }
        source = std::make_unique<WeightedListColumn>(NextSeed(), std::move(list));
        break;
      }
      source = std::make_unique<WordColumn>(NextSeed(), std::move(words));
      break;
    }
  }
  if (unique && !selfUnique)
    source = std::make_unique<SuffixColumn>(std::move(source), fieldLength, taken.LastNumber);
  source = WithOptions(pos, std::move(source));
  StartGauge(FieldKind::Character, cFeld);
  const uint32_t count = CountRecords(FieldKind::Character, StopTest::AfterRecord);
  AddPlan(pos, count, std::move(source));
  host_.SetStatusText(FieldKind::Character, "Beendet");
}

void FillRun::FillNumber(FieldRule& rule) {
  const std::string& cFeld = rule.Field;
  if (rule.Source.Kind == SourceKind::Table) return FillReference(rule);
  const double min = rule.Minimum, max = rule.Maximum;
  if (min == 0 && max == 0) {
    // An empty range leaves the field alone, unless it is to get the place's postcode or the
    // values of a source with parameters.
    const int at = FieldOfKindAt(dbAuswahl->DBStruct(), cFeld, FieldKind::Numeric, rowPlace_);
    if (at == 0 || (!Rules.OptionsOf(at).Postcode && !Rules.OptionsOf(at).Source)) return;
  }
  const int pos = TargetField(cFeld, FieldKind::Numeric);
  if (pos == 0) return;
  if (const std::optional<SourceKind> source = Rules.OptionsOf(pos).Source) {
    FillWithParameters(rule, *source, pos);
    return;
  }
  const FieldInfo& field = dbAuswahl->DBStruct()[size_t(pos - 1)];
  if (Rules.OptionsOf(pos).Postcode) {
    FillPostcodeNumber(pos, cFeld, field);
    return;
  }
  const bool negativ = rule.Negative;
  const double percentNeg = rule.PercentNeg;
  const NumericLayout layout = NumericLayoutOf(field.Type, field.Length, field.Decimals);
  // Numbers the field cannot hold would be cut or starred by the table: refuse the rule.
  if (!NumbersFitFieldOfType(min, max, negativ && percentNeg > 0, field.Type, field.Length,
                             field.Decimals)) {
    Refuse("Achtung", "Die Werte von " + NumberText(min) + " bis " + NumberText(max) +
                          (negativ && percentNeg > 0 ? " (auch negativ)" : "") +
                          " passen nicht in das Feld " + Utf8(cFeld) + " (Länge " +
                          std::to_string(layout.Length) + ", " + std::to_string(layout.Decimals) +
                          " Dezimalen).\r\nDas Feld wird nicht gefüllt.");
    return;
  }
  std::unique_ptr<ColumnSource> source;
  if (Rules.OptionsOf(pos).Unique) {
    // Distinct numbers of the rule's range, leaving out those the table already holds.
    const uint64_t capacity = UniqueNumberColumn::Capacity(min, max, layout.Decimals);
    std::shared_ptr<const TakenIndices> taken;
    if (existing_ > 0)
      taken = TakenNumbers(*dbAuswahl, pos, existing_, min, layout.Decimals, capacity,
                           negativ && percentNeg > 0);
    const uint64_t held = taken ? taken->Count() : 0;
    if (capacity - held < nSaetze) {
      RefuseNotUnique(cFeld, capacity, held);
      return;
    }
    source = std::make_unique<UniqueNumberColumn>(NextSeed(), min, max, layout.Decimals,
                                                  negativ, percentNeg, std::move(taken));
  } else {
    source = std::make_unique<NumberColumn>(NextSeed(), min, max, negativ, percentNeg);
  }
  source = WithOptions(pos, std::move(source));
  StartGauge(FieldKind::Numeric, cFeld);
  const uint32_t count = CountRecords(FieldKind::Numeric, StopTest::BeforeRecord);
  AddPlan(pos, count, std::move(source));
  host_.SetStatusText(FieldKind::Numeric, "Beendet");
}

void FillRun::FillPostcodeNumber(int pos, const std::string& cFeld, const FieldInfo& field) {
  const NumericLayout layout = NumericLayoutOf(field.Type, field.Length, field.Decimals);
  if (!NumbersFitFieldOfType(0, 99999, false, field.Type, field.Length, field.Decimals)) {
    Refuse("Achtung", "Eine Postleitzahl hat fünf Stellen und passt nicht in das Feld " +
                          Utf8(cFeld) + " (Länge " + std::to_string(layout.Length) + ", " +
                          std::to_string(layout.Decimals) +
                          " Dezimalen).\r\nDas Feld wird nicht gefüllt.");
    return;
  }
  if (Rules.OptionsOf(pos).Unique) {
    Refuse("Achtung", "Das Feld " + Utf8(cFeld) +
                          " kann nicht zugleich eindeutige Werte und die Postleitzahl des Orts "
                          "erhalten.\r\nDas Feld wird nicht gefüllt.");
    return;
  }
  auto source = GeneratedColumn(Generated::Postcode, cFeld, 5, false, {});
  if (!source || !dbAuswahl) return;
  source = WithOptions(pos, std::make_unique<NumberFromTextColumn>(std::move(source)));
  StartGauge(FieldKind::Numeric, cFeld);
  const uint32_t count = CountRecords(FieldKind::Numeric, StopTest::BeforeRecord);
  AddPlan(pos, count, std::move(source));
  host_.SetStatusText(FieldKind::Numeric, "Beendet");
}

void FillRun::FillLogic(FieldRule& rule) {
  const std::string& cFeld = rule.Field;
  const double percent = rule.PercentTrue;
  if (percent == 0) {
    const int at = FieldOfKindAt(dbAuswahl->DBStruct(), cFeld, FieldKind::Logic, rowPlace_);
    if (at == 0 || !Rules.OptionsOf(at).Source) return;
  }
  const int pos = TargetField(cFeld, FieldKind::Logic);
  if (pos == 0) return;
  if (const std::optional<SourceKind> source = Rules.OptionsOf(pos).Source) {
    FillWithParameters(rule, *source, pos);
    return;
  }
  StartGauge(FieldKind::Logic, cFeld);
  const uint32_t count = CountRecords(FieldKind::Logic, StopTest::BeforeRecord);
  AddPlan(pos, count, WithOptions(pos, std::make_unique<LogicColumn>(NextSeed(), percent)));
  host_.SetStatusText(FieldKind::Logic, "Beendet");
}

void FillRun::FillDate(FieldRule& rule) {
  const std::string& cFeld = rule.Field;
  if (rule.Source.Kind == SourceKind::Table) return FillReference(rule);
  const int pos = TargetField(cFeld, FieldKind::Date);
  if (pos == 0) return;
  if (const std::optional<SourceKind> source = Rules.OptionsOf(pos).Source) {
    FillWithParameters(rule, *source, pos);
    return;
  }
  if (Rules.OptionsOf(pos).AfterField > 0) {  // planned after the field it follows
    laterDates_.emplace_back(pos, cFeld);
    return;
  }
  StartGauge(FieldKind::Date, cFeld);
  const Date start = rule.Start.IsEmpty() ? EmptyStartDate() : rule.Start;
  const Date end = rule.End.IsEmpty() ? EmptyEndDate() : rule.End;
  if (end < start) {
    Refuse("Ja aber !", "Das Enddatum kann nicht vor dem Startdatum liegen");
    return;
  }
  const bool unique = Rules.OptionsOf(pos).Unique;
  // Distinct days of the range, leaving out those the table already holds.
  std::shared_ptr<const TakenIndices> taken;
  if (unique) {
    const uint64_t days = uint64_t(std::max<int64_t>(end - start, 1));
    if (existing_ > 0) taken = TakenDates(*dbAuswahl, pos, existing_, start, days);
    const uint64_t held = taken ? taken->Count() : 0;
    if (days - held < nSaetze) {
      RefuseNotUnique(cFeld, days, held);
      return;
    }
  }
  // The dates the run takes for an empty range show in the rule's row.
  if (WritesRulesBack()) {
    rule.Start = start;
    rule.End = end;
    WriteBack(rule);
  }
  host_.RefreshGrid(FieldKind::Date);
  host_.ProcessEvents();
  if (!dbAuswahl) return;
  const uint32_t count = CountRecords(FieldKind::Date, StopTest::Never);
  DateRecipe recipe;
  recipe.Seed = NextSeed();
  recipe.Start = start;
  recipe.End = end;
  recipe.Unique = unique;
  recipe.Taken = std::move(taken);
  const char type = dbAuswahl->DBStruct()[size_t(pos - 1)].Type;
  recipe.TimeOfDay = type == 'T' || type == '@';  // a date-time gets a time of day
  if (recipe.TimeOfDay) recipe.TimeSeed = NextSeed();
  recipe.BlankPercent = Rules.OptionsOf(pos).BlankPercent;
  if (recipe.BlankPercent > 0) recipe.BlankSeed = NextSeed();
  AddPlan(pos, count, MakeDateSource(recipe));
  dateRecipes_[pos] = std::make_shared<const DateRecipe>(std::move(recipe));
  host_.SetStatusText(FieldKind::Date, "Beendet");
}

std::unique_ptr<ColumnSource> FillRun::MakeDateSource(const DateRecipe& recipe) {
  std::unique_ptr<ColumnSource> source;
  if (recipe.Earlier)
    source = std::make_unique<LaterDateColumn>(recipe.Seed, MakeDateSource(*recipe.Earlier),
                                               recipe.Days);
  else if (recipe.Unique)
    source = std::make_unique<UniqueDateColumn>(recipe.Seed, recipe.Start, recipe.End, recipe.Taken);
  else
    source = std::make_unique<DateColumn>(recipe.Seed, recipe.Start, recipe.End);
  if (recipe.TimeOfDay) source = std::make_unique<TimeOfDayColumn>(recipe.TimeSeed, std::move(source));
  if (recipe.BlankPercent > 0)
    source = std::make_unique<BlankShareColumn>(recipe.BlankSeed, std::move(source),
                                                recipe.BlankPercent);
  return source;
}

void FillRun::FillLaterDates() {
  const std::vector<FieldInfo>& structure = dbAuswahl->DBStruct();
  // In rounds, so that a date may follow one that follows another (payment after delivery
  // after order); what is left when a round plans nothing follows a field without dates.
  std::vector<std::pair<int, std::string>> waiting = laterDates_;
  for (bool planned = true; planned && !waiting.empty() && lRunning.load();) {
    planned = false;
    std::vector<std::pair<int, std::string>> next;
    for (const auto& [pos, cFeld] : waiting) {
      currentField_ = Utf8(cFeld);
      const FieldOptions options = Rules.OptionsOf(pos);
      const auto earlier = dateRecipes_.find(options.AfterField);
      if (earlier == dateRecipes_.end()) {
        next.emplace_back(pos, cFeld);
        continue;
      }
      StartGauge(FieldKind::Date, cFeld);
      const uint32_t count = CountRecords(FieldKind::Date, StopTest::Never);
      DateRecipe recipe;
      recipe.Seed = NextSeed();
      recipe.Earlier = earlier->second;
      recipe.Days = uint32_t(std::clamp(options.AfterDays, 0, FieldOptions::kMaxAfterDays));
      const char type = structure[size_t(pos - 1)].Type;
      recipe.TimeOfDay = type == 'T' || type == '@';
      if (recipe.TimeOfDay) recipe.TimeSeed = NextSeed();
      recipe.BlankPercent = options.BlankPercent;
      if (recipe.BlankPercent > 0) recipe.BlankSeed = NextSeed();
      AddPlan(pos, count, MakeDateSource(recipe));
      dateRecipes_[pos] = std::make_shared<const DateRecipe>(std::move(recipe));
      host_.SetStatusText(FieldKind::Date, "Beendet");
      planned = true;
    }
    waiting = std::move(next);
  }
  for (const auto& [pos, cFeld] : waiting) {
    if (!lRunning.load()) break;
    currentField_ = Utf8(cFeld);
    const int after = Rules.OptionsOf(pos).AfterField;
    const std::string name = after >= 1 && size_t(after) <= structure.size()
                                 ? RulesSectionName(structure, size_t(after - 1))
                                 : std::to_string(after);
    Refuse("Achtung", "Das Feld " + Utf8(cFeld) + " soll ein Datum nach dem Feld " + Utf8(name) +
                          " erhalten, aber " + Utf8(name) +
                          " erhält keine Daten.\r\nDas Feld wird nicht gefüllt.");
  }
}

void FillRun::FillMemo(FieldRule& rule) {
  const std::string& cFeld = rule.Field;
  const int64_t minWords = WordCount(rule.MinWords), maxWords = WordCount(rule.MaxWords);
  if (minWords == 0 && maxWords == 0) return;
  if (rule.Source.Kind == SourceKind::Empty) return;
  if (WritesRulesBack() && rule.Source.Name.empty()) {
    rule.Source.Name = kDefaultWordList;
    WriteBack(rule);
  }
  host_.RefreshGrid(FieldKind::Memo);
  host_.ProcessEvents();
  if (!dbAuswahl) return;
  if (minWords > maxWords) {
    Refuse("Ja hallo!", "Die minimale Anzahl kann nicht grösser sein als \r\ndie maximale Anzahl !");
    return;
  }
  if (minWords < 0) {  // typed into a rules file: the cells take no sign
    Refuse("Ja hallo!", "Eine Anzahl von Wörtern kann nicht negativ sein.\r\nDas Feld " +
                            Utf8(cFeld) + " wird nicht gefüllt.");
    return;
  }
  if (maxWords > kMaxMemoWords) {
    Refuse("Ja hallo!", "Ein Memo kann höchstens " + std::to_string(kMaxMemoWords) +
                            " Wörter erhalten.\r\nDas Feld " + Utf8(cFeld) +
                            " wird nicht gefüllt.");
    return;
  }
  const int pos = TargetField(cFeld, FieldKind::Memo);
  if (pos == 0) return;
  if (rule.Source.Kind == SourceKind::Sentences) {
    FillWithParameters(rule, SourceKind::Sentences, pos);
    return;
  }
  if (ParameterSourceName(rule.Source.Kind)[0] != '\0') {
    Refuse("Achtung", "Ein Memofeld kann nur Wörter oder Saetze erhalten, nicht die Quelle " +
                          std::string(ParameterSourceName(rule.Source.Kind)) + ".\r\nDas Feld " +
                          Utf8(cFeld) + " wird nicht gefüllt.");
    return;
  }
  // The source is read once for the field: a missing file gives one message and one fallback.
  // A memo reads every source but "Random" as a word file: the built-in sources make values
  // for a field, not running text.
  std::shared_ptr<const WordList> words;
  const bool random = rule.Source.Kind == SourceKind::RandomText;
  if (!random) {
    words = WordsFor(rule);
    if (!words || !dbAuswahl) return;
  }
  StartGauge(FieldKind::Memo, cFeld);
  ProgressGauge& gauge = host_.Gauge(FieldKind::Memo);
  const uint32_t step = context_.GaugeStep == 0 ? 1 : context_.GaugeStep;
  uint32_t count = 0;
  uint32_t untilUpdate = step;
  for (uint32_t i = 1; i <= nSaetze; ++i) {
    if (!lRunning.load()) break;
    if (!random) host_.ProcessEvents();
    count = i;
    if (--untilUpdate == 0) {
      gauge.Update(int32_t(step));
      untilUpdate = step;
    }
  }
  AddPlan(pos, count,
          WithOptions(pos, std::make_unique<MemoColumn>(NextSeed(), minWords, maxWords, words)));
  host_.SetStatusText(FieldKind::Memo, "Beendet");
}

std::unique_ptr<ColumnSource> FillRun::WithOptions(int fieldPos,
                                                   std::unique_ptr<ColumnSource> source) {
  const double blank = Rules.OptionsOf(fieldPos).BlankPercent;
  if (blank <= 0) return source;
  return std::make_unique<BlankShareColumn>(NextSeed(), std::move(source), blank);
}

bool FillRun::RefuseNotUnique(const std::string& cFeld, uint64_t capacity, uint64_t taken) {
  std::string why = capacity > 0 ? "Die Regel gibt nur " + std::to_string(capacity) +
                                       " verschiedene Werte her" +
                                       (taken > 0 ? "; " + std::to_string(taken) +
                                                        " davon stehen schon in der Tabelle."
                                                  : ".")
                                 : "Das Feld ist zu kurz, um die Werte durchzunumerieren.";
  Refuse("Achtung", "Das Feld " + Utf8(cFeld) + " soll " + std::to_string(nSaetze) +
                        " verschiedene Werte erhalten.\r\n" + why +
                        "\r\nDas Feld wird nicht gefüllt.");
  return false;
}

uint32_t FillRun::NarrowestTownField() {
  const std::vector<FieldInfo>& structure = dbAuswahl->DBStruct();
  std::map<std::string, uint32_t> rowsNamed;
  uint32_t width = 0;
  for (const FieldRule& rule : Rules.Rules) {
    if (rule.Kind != FieldKind::Character) continue;
    // The rule's field as the pass finds it: rules of one name belong, in order, to the fields
    // of this type with that name.
    const uint32_t place = ++rowsNamed[FieldKey(rule.Field)];
    if (rule.Source.Kind != SourceKind::Generated || rule.Source.Builtin != Generated::Town)
      continue;
    int pos = FieldOfKindAt(structure, FieldKey(rule.Field), FieldKind::Character, place);
    if (pos == 0) pos = dbAuswahl->FieldPos(rule.Field);
    if (pos <= 0 || KindOfField(structure[size_t(pos - 1)]) != FieldKind::Character) continue;
    const uint32_t length = structure[size_t(pos - 1)].Length;
    width = width == 0 ? length : std::min(width, length);
  }
  return width;
}

void FillRun::WriteBack(const FieldRule& rule) {
  if (tables_) tables_->PutRule(rule, ruleRow_);
}

std::unique_ptr<ColumnSource> FillRun::GeneratedColumn(Generated source,
                                                       const std::string& cFeld,
                                                       uint32_t fieldLength, bool unique,
                                                       const TakenValues& taken) {
  std::vector<std::shared_ptr<const WordList>> files;
  for (const std::string& name : GeneratedFiles(source)) {
    std::string path = FindSourceFile(cProgrammDaten, name);
    std::string text;
    if (path.empty() || ReadWordFile(path, text) != WordFileRead::Ok) {
      if (path.empty()) path = cProgrammDaten + name + ".txt";
      text.clear();
    }
    auto words = std::make_shared<const WordList>(NonEmptyEntries(SplitWordList(text)));
    if (words->empty()) {
      Refuse("Fehlermeldung", "Die Quelldatei " + path +
                                  " fehlt, enthält keine Wörter oder kann nicht gelesen werden.\r\n"
                                  "Das Feld " + Utf8(cFeld) + " wird nicht gefüllt.");
      return nullptr;
    }
    files.push_back(std::move(words));
  }
  // The shared streams of a run: drawn once, so every column of a group replays the same one.
  if (placeSeed_ == 0) placeSeed_ = NextSeed() | 1;
  if (personSeed_ == 0) personSeed_ = NextSeed() | 1;
  auto column = MakeGeneratedColumn(source, NextSeed(),
                                    GroupSeeds{placeSeed_, personSeed_, townWidth_,
                                               dbAuswahl->HoldsUtf8()},
                                    files,
                                    fieldLength,
                                    unique, taken);
  if (!column)
    Refuse("Fehlermeldung", "Die Quelldatei " + cProgrammDaten + "PLZOrte.txt enthält keine "
                            "Einträge der Form \"PLZ Ort\".\r\nDas Feld " + Utf8(cFeld) +
                            " wird nicht gefüllt.");
  return column;
}

}  // namespace fw
