// The fill run's sources with parameters: weighted lists, masks, sequences, constants,
// formulas and sentences. Every check is made before anything is written; a refused rule
// leaves its field out of the run.
#include <algorithm>
#include <map>
#include <set>

#include "core/app/Utilities.h"
#include "core/expr/Expression.h"
#include "core/fields/FieldAddress.h"
#include "core/generate/ColumnOptions.h"
#include "core/generate/ConstantColumn.h"
#include "core/generate/ExistingNumbers.h"
#include "core/generate/FillRun.h"
#include "core/generate/RecordColumns.h"
#include "core/generate/MaskColumns.h"
#include "core/generate/RunSummary.h"
#include "core/generate/SentenceColumn.h"
#include "core/generate/SequenceColumn.h"
#include "core/generate/WeightedListColumn.h"
#include "core/platform/CodePage.h"
#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

std::string Utf8(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

std::string NotFilled(const std::string& cFeld) {
  return "\r\nDas Feld " + Utf8(cFeld) + " wird nicht gefüllt.";
}

// Where each field lies in a record: the deletion flag is byte 0, the fields follow in order.
std::vector<uint32_t> FieldOffsets(const std::vector<FieldInfo>& structure) {
  std::vector<uint32_t> offsets;
  uint32_t offset = 1;
  for (const FieldInfo& field : structure) {
    offsets.push_back(offset);
    offset += field.Length;
  }
  return offsets;
}

// The expression type of a field a formula may read or write: text, number, date or logical
// stored as text in the record; nothing for the others.
std::optional<expr::ExprType> FormulaType(const FieldInfo& field) {
  switch (field.Layout) {
    case FieldLayout::Text: return expr::ExprType::Text;
    case FieldLayout::Number: return expr::ExprType::Number;
    case FieldLayout::Date: return expr::ExprType::Date;
    case FieldLayout::Logic: return expr::ExprType::Logic;
    default: return std::nullopt;
  }
}

// A formula reads the binary numbers and date-times of Visual FoxPro and dBase 7 as well (an
// invoice's amount in a currency field, its date in a date-time one); it writes only the
// fields above.
std::optional<expr::ExprType> FormulaReadType(const FieldInfo& field) {
  switch (field.Layout) {
    case FieldLayout::Integer:
    case FieldLayout::Double:
    case FieldLayout::Currency:
    case FieldLayout::Dbase7Integer:
    case FieldLayout::Dbase7Double: return expr::ExprType::Number;
    case FieldLayout::DateTime:
    case FieldLayout::Dbase7Timestamp: return expr::ExprType::Date;
    default: return FormulaType(field);
  }
}

const char* TypeName(expr::ExprType type) {
  switch (type) {
    case expr::ExprType::Text: return "einen Text";
    case expr::ExprType::Number: return "eine Zahl";
    case expr::ExprType::Date: return "ein Datum";
    case expr::ExprType::Logic: return "einen logischen Wert";
  }
  return "";
}

}  // namespace

void FillRun::PlanColumn(FieldKind kind, int pos, std::unique_ptr<ColumnSource> source) {
  source = WithOptions(pos, std::move(source));
  StartGauge(kind, dbAuswahl->DBStruct()[size_t(pos - 1)].Name);
  const uint32_t count = CountRecords(kind, StopTest::BeforeRecord);
  AddPlan(pos, count, std::move(source));
  host_.SetStatusText(kind, "Beendet");
}

void FillRun::FillWithParameters(FieldRule& rule, SourceKind source, int pos) {
  const std::string& cFeld = rule.Field;
  const FieldInfo& field = dbAuswahl->DBStruct()[size_t(pos - 1)];
  const FieldOptions options = Rules.OptionsOf(pos);
  const bool text = rule.Kind == FieldKind::Character;
  const bool number = rule.Kind == FieldKind::Numeric && field.Layout == FieldLayout::Number;
  const std::string name = ParameterSourceName(source);
  auto refuse = [&](const std::string& why) { Refuse("Achtung", why + NotFilled(cFeld)); };
  auto notFor = [&] {
    refuse("Das Feld " + Utf8(cFeld) + " (Typ " + std::string(1, field.Type) +
           ") kann nicht aus der Quelle " + name + " gefüllt werden.");
  };
  switch (source) {
    case SourceKind::List: {
      if (!text && !number) return notFor();
      auto list = std::make_shared<WeightedList>();
      std::string error;
      if (!ParseWeightedValues(options.Values, text ? field.Length : 0, *list, error))
        return refuse("WERTE des Feldes " + Utf8(cFeld) + ": " + error);
      if (list->Values.empty()) return refuse("Das Feld " + Utf8(cFeld) + " hat keine WERTE.");
      if (number)
        for (const std::string& value : list->Values) {
          Value parsed;
          if (!ParseConstantValue(value, 'N', field.Length, field.Decimals, parsed, error))
            return refuse("WERTE des Feldes " + Utf8(cFeld) + ": " + error);
        }
      std::unique_ptr<ColumnSource> column =
          std::make_unique<WeightedListColumn>(NextSeed(), std::move(list));
      if (number) column = std::make_unique<NumberFromTextColumn>(std::move(column));
      return PlanColumn(rule.Kind, pos, std::move(column));
    }
    case SourceKind::Mask: {
      if (!text && !number) return notFor();
      Mask mask;
      std::string error;
      if (!Mask::Parse(options.MaskText, field.Length, mask, error))
        return refuse("MASKE des Feldes " + Utf8(cFeld) + ": " + error);
      if (number && (!mask.OnlyDigitPlaces() || mask.Length() != mask.DigitPlaces()))
        return refuse("Die MASKE eines Zahlenfeldes darf nur #-Stellen haben (Feld " +
                      Utf8(cFeld) + ").");
      std::unique_ptr<ColumnSource> column;
      if (options.Unique) {
        std::shared_ptr<const TakenIndices> taken;
        if (existing_ > 0) taken = TakenMaskValues(*dbAuswahl, pos, existing_, mask);
        const uint64_t held = taken ? taken->Count() : 0;
        if (mask.Capacity() - held < nSaetze) {
          RefuseNotUnique(cFeld, mask.Capacity(), held);
          return;
        }
        column = std::make_unique<UniqueMaskColumn>(NextSeed(), std::move(mask), std::move(taken));
      } else {
        column = std::make_unique<RandomMaskColumn>(NextSeed(), std::move(mask));
      }
      if (number) column = std::make_unique<NumberFromTextColumn>(std::move(column));
      return PlanColumn(rule.Kind, pos, std::move(column));
    }
    case SourceKind::Sequence: {
      if (!text && !number) return notFor();
      if (!options.GroupField.empty()) {
        recordSources_.push_back({pos, cFeld, rule.Kind, source});
        return;
      }
      auto column = SequenceSource(cFeld, pos, options, nullptr);
      if (column) PlanColumn(rule.Kind, pos, std::move(column));
      return;
    }
    case SourceKind::Constant: {
      if (rule.Kind == FieldKind::Memo) return notFor();
      Value value;
      std::string error;
      if (!ParseConstantValue(options.Constant, field.Type, field.Length, field.Decimals, value,
                              error))
        return refuse("WERT des Feldes " + Utf8(cFeld) + ": " + error);
      return PlanColumn(rule.Kind, pos, std::make_unique<ConstantColumn>(std::move(value)));
    }
    case SourceKind::Formula:
      if (!FormulaType(field)) return notFor();
      recordSources_.push_back({pos, cFeld, rule.Kind, source});
      return;
    case SourceKind::Sentences: {
      if (!text && rule.Kind != FieldKind::Memo) return notFor();
      auto parts = std::make_shared<SentenceParts>();
      std::string error;
      if (!LoadSentenceParts(cProgrammDaten, *parts, error)) return refuse(error);
      // A text field takes as many words as about one in seven of its places, at least four.
      const bool memo = rule.Kind == FieldKind::Memo;
      const int64_t most = memo ? int64_t(rule.MaxWords) : std::max<int64_t>(4, field.Length / 7);
      const int64_t least = memo ? int64_t(rule.MinWords) : std::max<int64_t>(3, most / 2);
      return PlanColumn(rule.Kind, pos,
                        std::make_unique<SentenceColumn>(NextSeed(), std::move(parts), least,
                                                         most, memo ? 0 : field.Length,
                                                         dbAuswahl->HoldsUtf8()));
    }
    default: return;
  }
}

std::unique_ptr<ColumnSource> FillRun::SequenceSource(const std::string& cFeld, int pos,
                                                      const FieldOptions& options,
                                                      std::shared_ptr<RecordCursor> cursor) {
  const std::vector<FieldInfo>& structure = dbAuswahl->DBStruct();
  const FieldInfo& field = structure[size_t(pos - 1)];
  const bool text = KindOfField(field) == FieldKind::Character;
  auto refuse = [&](const std::string& why) {
    Refuse("Achtung", why + NotFilled(cFeld));
    return nullptr;
  };
  std::optional<Mask> mask;
  if (text) {
    Mask parsed;
    std::string error;
    if (options.MaskText.empty())
      return refuse("Eine Folge in einem Textfeld braucht eine MASKE mit #-Stellen (Feld " +
                    Utf8(cFeld) + ").");
    if (!Mask::Parse(options.MaskText, field.Length, parsed, error) ||
        !CheckSequenceMask(parsed, error))
      return refuse("MASKE des Feldes " + Utf8(cFeld) + ": " + error);
    mask = std::move(parsed);
  }
  SequenceRule rule;
  rule.Step = options.SequenceStep;
  const bool grouped = cursor != nullptr;
  if (options.SequenceStart) rule.Start = *options.SequenceStart;
  else if (grouped || existing_ == 0) rule.Start = 1;
  else if (mask) rule.Start = DefaultSequenceStart(LargestMaskNumberIn(*dbAuswahl, pos, existing_, *mask));
  else rule.Start = DefaultSequenceStart(LargestNumberIn(*dbAuswahl, pos, existing_));
  // How far a group counts is known only while writing: what its start fits is checked here,
  // and a number past the field's places is written as the largest it holds.
  const uint64_t count = grouped ? 1 : nSaetze;
  const bool fits = mask ? SequenceFitsMask(rule, count, *mask)
                         : SequenceFitsField(rule, count, field.Type, field.Length, field.Decimals);
  if (!fits)
    return refuse("Die Folge ab " + std::to_string(rule.Start) + " in Schritten von " +
                  std::to_string(rule.Step) + " reicht für " + GroupedNumber(nSaetze) +
                  " Datensätze über die Stellen des Feldes " + Utf8(cFeld) + " hinaus.");
  std::unique_ptr<GroupChanges> groups;
  bool asText = false;
  if (grouped && !mask) {
    const int places = std::clamp(
        int(field.Length) - (field.Decimals > 0 ? int(field.Decimals) + 1 : 0), 0, 18);
    Mask digits;
    std::string error;
    if (places == 0 || !Mask::Parse(std::string(size_t(places), '#'), 0, digits, error))
      return refuse("Das Feld " + Utf8(cFeld) + " hat keine Stellen für eine Folge.");
    mask = std::move(digits);
    asText = true;
  }
  if (grouped) {
    const int group = dbAuswahl->FieldPos(options.GroupField);
    if (group <= 0)
      return refuse("Die GRUPPE " + Utf8(options.GroupField) + " des Feldes " + Utf8(cFeld) +
                    " gibt es in der Tabelle nicht.");
    const std::vector<uint32_t> offsets = FieldOffsets(structure);
    groups = std::make_unique<GroupChanges>(
        std::make_unique<FieldBytesColumn>(cursor, offsets[size_t(group - 1)],
                                           structure[size_t(group - 1)].Length),
        0, 0);
  }
  std::shared_ptr<uint64_t> outside;
  if (grouped) {
    outside = std::make_shared<uint64_t>(0);
    outsideSequences_.push_back({cFeld, outside});
  }
  std::unique_ptr<ColumnSource> column =
      std::make_unique<SequenceColumn>(rule, std::move(mask), std::move(groups), outside);
  if (asText) column = std::make_unique<NumberFromTextColumn>(std::move(column));
  return column;
}

void FillRun::PlanRecordSources() {
  if (recordSources_.empty()) return;
  const std::vector<FieldInfo>& structure = dbAuswahl->DBStruct();
  const std::vector<uint32_t> offsets = FieldOffsets(structure);
  expr::FieldList fields;
  std::vector<expr::FieldSlot> slots;
  for (size_t i = 0; i < structure.size(); ++i) {
    const FieldInfo& field = structure[i];
    const std::optional<expr::ExprType> type = FormulaReadType(field);
    slots.push_back({offsets[i], field.Length, field.Type, field.Layout});
    if (!type) continue;
    // A binary number has the width and decimals its values are shown with.
    const bool binary = *type == expr::ExprType::Number && field.Layout != FieldLayout::Number;
    const NumericLayout shown = NumericLayoutOf(field.Type, field.Length, field.Decimals);
    fields.Add(field.Name, {uint32_t(i), *type, binary ? shown.Length : field.Length,
                            binary ? shown.Decimals : field.Decimals});
  }
  // What each source reads among the fields of the other record sources, and its column.
  struct Node {
    RecordSource Source;
    std::set<int> Reads;  // 1-based positions of other record sources
    std::unique_ptr<expr::Expression> Formula;
  };
  std::map<int, Node> nodes;
  for (const RecordSource& source : recordSources_) nodes[source.Pos].Source = source;
  for (auto it = nodes.begin(); it != nodes.end();) {
    Node& node = it->second;
    const RecordSource& source = node.Source;
    currentField_ = Utf8(source.Field);
    const FieldInfo& field = structure[size_t(source.Pos - 1)];
    const FieldOptions options = Rules.OptionsOf(source.Pos);
    bool ok = true;
    if (source.Source == SourceKind::Formula) {
      expr::CompileOptions compileOptions;
      compileOptions.Dates = DateFormat{DateOrder::DayMonthYear, '.', true, 1950};
      expr::CompileResult result = expr::Compile(options.Formula, fields, compileOptions);
      if (options.Formula.empty()) {
        Refuse("Achtung", "Das Feld " + Utf8(source.Field) + " hat keine FORMEL." +
                              NotFilled(source.Field));
        ok = false;
      } else if (!result) {
        Refuse("Achtung", "Die FORMEL des Feldes " + Utf8(source.Field) + " \"" +
                              Utf8(options.Formula) + "\" ist fehlerhaft: " +
                              result.Error.Message + NotFilled(source.Field));
        ok = false;
      } else if (result.Compiled->Type() != *FormulaType(field)) {
        Refuse("Achtung", "Die FORMEL des Feldes " + Utf8(source.Field) + " ergibt " +
                              TypeName(result.Compiled->Type()) + ", das Feld braucht " +
                              TypeName(*FormulaType(field)) + "." + NotFilled(source.Field));
        ok = false;
      } else {
        for (uint32_t read : result.Compiled->FieldsRead())
          if (int(read) + 1 != source.Pos && nodes.count(int(read) + 1)) node.Reads.insert(int(read) + 1);
        if (std::count(result.Compiled->FieldsRead().begin(), result.Compiled->FieldsRead().end(),
                       uint32_t(source.Pos - 1))) {
          Refuse("Achtung", "Die FORMEL des Feldes " + Utf8(source.Field) +
                                " liest das Feld selbst." + NotFilled(source.Field));
          ok = false;
        }
        node.Formula = std::move(result.Compiled);
      }
    } else {
      const int group = dbAuswahl->FieldPos(options.GroupField);
      if (group > 0 && nodes.count(group)) node.Reads.insert(group);
    }
    it = ok ? std::next(it) : nodes.erase(it);
  }
  // In rounds: a source is planned once every record source it reads is; what is left reads
  // in a circle.
  for (bool planned = true; planned && !nodes.empty();) {
    planned = false;
    for (auto it = nodes.begin(); it != nodes.end();) {
      Node& node = it->second;
      if (std::any_of(node.Reads.begin(), node.Reads.end(),
                      [&](int pos) { return nodes.count(pos) > 0; })) {
        ++it;
        continue;
      }
      const RecordSource& source = node.Source;
      currentField_ = Utf8(source.Field);
      const FieldInfo& field = structure[size_t(source.Pos - 1)];
      std::unique_ptr<ColumnSource> column;
      if (node.Formula) {
        column = std::make_unique<FormulaColumn>(std::move(node.Formula), slots, field.Length,
                                                 field.Decimals, nVorhanden + 1);
      } else {
        auto cursor = std::make_shared<RecordCursor>();
        column = SequenceSource(source.Field, source.Pos, Rules.OptionsOf(source.Pos), cursor);
        if (column) column = std::make_unique<CursorColumn>(cursor, std::move(column));
      }
      if (column) PlanColumn(source.Kind, source.Pos, std::move(column));
      it = nodes.erase(it);
      planned = true;
    }
  }
  std::string circle;
  for (const auto& [pos, node] : nodes)
    circle += (circle.empty() ? "" : ", ") + Utf8(node.Source.Field);
  for (const auto& [pos, node] : nodes) {
    currentField_ = Utf8(node.Source.Field);
    Refuse("Achtung", "Die Formeln der Felder " + circle +
                          " lesen einander im Kreis." + NotFilled(node.Source.Field));
  }
}

}  // namespace fw
