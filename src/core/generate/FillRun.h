#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/app/RunContext.h"
#include "core/fields/FieldKind.h"
#include "core/fields/FieldRule.h"
#include "core/generate/FillHost.h"
#include "core/generate/GeneratedSources.h"
#include "core/index/TableIndexes.h"
#include "core/generate/ReferenceColumns.h"
#include "core/platform/DBServer.h"
#include "core/platform/Value.h"

namespace fw {

class DefinitionTables;
// Declared in RecordColumns.h, which is not included here: Qt code includes this header, and
// the expression headers name parameters "slots".
struct RecordCursor;

// The words of one source in memory, shared by the columns that draw from it.
using WordList = std::vector<std::string>;

// The generation window's data and its fill behaviour, without a window: the run behind
// "DB Füllen" and the five fill methods. The window (or the command-line filler, or a test)
// implements FillHost and owns one FillRun, and hands it the run context: the word folder,
// the gauge step, the random source and the error handling.
//
// How a run writes: the fill methods keep the order, the refusals, the messages, the gauge
// steps, the event points and the stop tests of a field-by-field fill, but instead of
// sweeping the table once per field each method only decides how many records its field gets
// and registers a column plan whose source produces the values. After the last pass one
// sequential append writes every record once. A table of a million records is thus written in
// one pass instead of one pass per field, memory stays small whatever the record count, and a
// process killed during the run leaves the table as it was before (the header's record count
// is written last).
class FillRun {
public:
  // The context's random source must be set. A run without definition tables fills with the
  // rules of `Rules`; one with them loads `Rules` from their rows at the start of every run
  // and shows in the rows what the run decides for a rule (a source that falls back to
  // "Worte", the dates an empty range stands for).
  FillRun(FillHost& host, const RunContext& context);
  FillRun(FillHost& host, DefinitionTables& tables, const RunContext& context);
  ~FillRun();
  FillRun(const FillRun&) = delete;
  FillRun& operator=(const FillRun&) = delete;

  std::unique_ptr<DBServer> dbAuswahl;  // the target, set after a successful analysis
  uint32_t nVorhanden = 0;              // record count of the target before a run
  uint32_t nSaetze = 0;                 // records to generate
  std::atomic<bool> lRunning{false};    // the run may go on; PBStop clears it

  // The rules of the run; each rule's FieldPos must be the target's (DefinitionTables::Load
  // gives it). A run writes into them what it decides, as into the definition rows.
  RuleSet Rules;

  // Folder of the word sources, with its trailing "/". Starts as the context's data folder.
  std::string cProgrammDaten;

  // Check only: the run goes through every definition row, shows its messages and counts the
  // refusals in nAbgelehnt, but changes neither the target (no zap, no records) nor the
  // definition rows (no source or date written back).
  bool lNurPruefen = false;
  // Fields refused by their rule in the last run: inverted date range, more words at least
  // than at most, numbers that do not fit the field, a source without any entry, a field
  // the target does not have.
  uint32_t nAbgelehnt = 0;
  // Preview: the run writes into a scratch table as dbAuswahl, and leaves the definition rows
  // as they are (no source or date written back).
  bool lVorschau = false;
  // Records the last run appended (fewer than nSaetze only after a stop while writing).
  uint32_t nGeschrieben = 0;
  // What the last run left out, in UTF-8: each refusal with its field ("" for a refusal of
  // the whole run) and its message; the fields a stop left blank in every new record (not
  // reached, or stopped before their first record); the fields a stop cut short, with the
  // last record number (of the table) they were filled in; and whether the stop ended it.
  struct RefusedField {
    std::string Field;
    std::string Text;
  };
  std::vector<RefusedField> Abgelehnt;
  std::vector<std::string> Unreached;
  std::vector<std::pair<std::string, uint32_t>> FilledUpTo;
  bool lGestoppt = false;
  // Whether the last run reached the write of its records, and the seconds that write took.
  bool lGeschrieben = false;
  double nSekunden = 0;
  // Called once per run after the last pass, just before the records are written, with the
  // number of records about to be appended (the command-line filler shows a line for it).
  std::function<void(uint32_t)> BeforeWrite;
  // The target's index files (set by the window or the command-line filler after the
  // analysis): rebuilt for the records the table holds after every run that appended or
  // emptied records, a stopped one included; never after a preview or a refused run.
  IndexPlan* Indexes = nullptr;
  // What the last run's rebuild did.
  IndexRebuildOutcome IndexesRebuilt;

  // The whole run behind "DB Füllen": satzzahlText is the text of the count field ("zu
  // generieren"), leeren the check box "File vor dem Generieren leeren ?".
  void PBFillDB(std::string_view satzzahlText, bool leeren);
  // The summary of the last run, in German: records written, the time the write took, after a
  // stop that it was stopped and which fields stayed blank or were cut short, the fields their
  // rules left out, the index files rebuilt, and the records now in the table. Empty when the
  // run did not reach the write (refused at start).
  std::string Summary() const;

  // The emergency stop. Only stores to lock-free atomics: safe from a signal handler and from
  // another thread.
  void PBStop();

  // Tables a project fills before this one (their paths as the rules resolve them): a check
  // run takes a reference to one of them without records, since it gets them first.
  std::vector<std::string> PendingParents;

  // The context the run was given; a caller may change it between runs.
  RunContext& Context() { return context_; }

private:
  // The entries of the rule's word list: the file cProgrammDaten + name + ".txt" (name matched
  // without regard to case), with "Worte" as fallback when it is missing; the fallback becomes
  // the rule's source.
  std::vector<std::string> SetQuelle(FieldRule& rule);

  // The fill methods, called by PBFillDB once per rule of their kind. Each plans its field
  // for the records of the current run; PBFillDB writes the plans.
  void FillCharacter(FieldRule& rule);
  void FillNumber(FieldRule& rule);
  void FillLogic(FieldRule& rule);
  void FillDate(FieldRule& rule);
  void FillMemo(FieldRule& rule);
  // Shows a rule the run changed in its definition row (not when checking or previewing).
  void WriteBack(const FieldRule& rule);

  // Fields filled from other tables (FillRunReferences.cpp): before the passes every parent
  // table is read once and every key field gets its draw; false when the run cannot go on
  // (the number of records its JE would give cannot be written). A key field and the fields
  // looked up with it are planned from the same draw.
  struct Reference {
    ReferenceDraw Draw;
    std::shared_ptr<const ParentValues> Parent;
  };
  std::map<std::string, Reference> references_;  // by the key field's name (upper case)
  bool PrepareReferences();
  void FillReference(FieldRule& rule);

  enum class StopTest { BeforeRecord, AfterRecord, Never };
  void Refuse(const std::string& caption, const std::string& text);
  int TargetField(const std::string& cFeld, FieldKind kind);
  uint32_t rowPlace_ = 1;  // the place of the current rule among the rules of its name
  uint32_t ruleRow_ = 0;   // the current rule's row in its definition table
  void StartGauge(FieldKind kind, const std::string& cFeld);
  uint32_t CountRecords(FieldKind kind, StopTest test);
  std::shared_ptr<const WordList> WordsFor(FieldRule& rule);
  // A numeric field that gets the postcode of the record's place (field option Postcode).
  void FillPostcodeNumber(int pos, const std::string& cFeld, const FieldInfo& field);
  std::unique_ptr<ColumnSource> GeneratedColumn(Generated source,
                                                const std::string& cFeld, uint32_t fieldLength,
                                                bool unique, const TakenValues& taken);
  std::unique_ptr<ColumnSource> WithOptions(int fieldPos, std::unique_ptr<ColumnSource> source);
  // Refuses a field of distinct values whose rule gives only `capacity` of them, `taken` of
  // which the records already in the table hold (capacity 0: a field too short to number).
  bool RefuseNotUnique(const std::string& cFeld, uint64_t capacity, uint64_t taken = 0);
  void AddPlan(int fieldPos, uint32_t count, std::unique_ptr<ColumnSource> source);
  void WritePlans();
  bool WritesRulesBack() const { return !lNurPruefen && !lVorschau; }

  uint64_t NextSeed();

  FillHost& host_;
  DefinitionTables* tables_ = nullptr;
  RunContext context_;
  std::vector<std::unique_ptr<ColumnSource>> sources_;
  std::vector<ColumnPlan> plans_;
  std::atomic<bool> keepWriting_{true};
  std::string lastSourcePath_;  // the word file SetQuelle read last (UTF-8 path)
  // The seeds of the shared place and person streams of this run, drawn at the first use.
  uint64_t placeSeed_ = 0, personSeed_ = 0;
  // Records the table holds before this run's append (0 when the run empties it first): a
  // field of distinct values must not repeat theirs.
  uint32_t existing_ = 0;
  // The narrowest character field of this run filled with "Ortsname" (0: none): the places
  // are drawn from the pairs whose town fits it whole.
  uint32_t townWidth_ = 0;
  uint32_t NarrowestTownField();
  // How the dates of a field are drawn, kept by field position for the fields whose dates
  // follow it: they draw the same dates again, from the same seeds.
  struct DateRecipe {
    uint64_t Seed = 0, TimeSeed = 0, BlankSeed = 0;
    Date Start, End;
    bool Unique = false;
    std::shared_ptr<const TakenIndices> Taken;
    // A field that follows another: that field's recipe and the most days after it (then
    // Start, End, Unique and Taken are not used).
    std::shared_ptr<const DateRecipe> Earlier;
    uint32_t Days = 0;
    bool TimeOfDay = false;
    double BlankPercent = 0;
  };
  static std::unique_ptr<ColumnSource> MakeDateSource(const DateRecipe& recipe);
  std::map<int, std::shared_ptr<const DateRecipe>> dateRecipes_;
  // Date fields whose dates follow another date field of the record, by position and name:
  // planned once every other date field is.
  std::vector<std::pair<int, std::string>> laterDates_;
  void FillLaterDates();
  bool inRun_ = false;

  // Sources with parameters (FillRunSources.cpp): lists, masks, sequences, constants,
  // formulas and sentences, for the field at `pos` of the rule's kind. Formulas and sequences
  // that count per group read other fields of the record being written: they are planned
  // after every other field (PlanRecordSources), in the order of what they read.
  void FillWithParameters(FieldRule& rule, SourceKind source, int pos);
  struct RecordSource {
    int Pos = 0;
    std::string Field;
    FieldKind Kind = FieldKind::Character;
    SourceKind Source = SourceKind::Formula;
  };
  std::vector<RecordSource> recordSources_;
  // Sequences counted per group: how many records of each got a number past the places of
  // its field, said after the write.
  std::vector<std::pair<std::string, std::shared_ptr<uint64_t>>> outsideSequences_;
  void PlanRecordSources();
  std::unique_ptr<ColumnSource> SequenceSource(const std::string& cFeld, int pos,
                                               const FieldOptions& options,
                                               std::shared_ptr<RecordCursor> cursor);
  void PlanColumn(FieldKind kind, int pos, std::unique_ptr<ColumnSource> source);

  // The bookkeeping behind Abgelehnt, Unreached and FilledUpTo (FillRunOutcome.cpp).
  void ForgetOutcome();
  void NoteUnreached(FieldKind kind, uint32_t fromRow);
  void NoteUnplannedLaterDates();
  void NoteCutShort(int fieldPos, uint32_t count);
  std::string currentField_;  // the field of the definition row being planned (UTF-8)
  uint32_t startRec_ = 1;     // the record number of the first new record
};

// The leading whole number of a text (blanks before it skipped), 0 when there is none; larger
// numbers are cut to the largest unsigned 32-bit count.
uint32_t LeadingCount(std::string_view text);

}  // namespace fw
