#include "core/fields/RulesFile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/app/Utilities.h"
#include "core/app/WholeFile.h"
#include "core/fields/FieldAddress.h"
#include "core/fields/IndexFilesKey.h"
#include "core/fields/ReferenceKeys.h"
#include "core/platform/FieldBytes.h"
#include "core/platform/CodePage.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

// The largest rules file read; larger files are refused.
constexpr uint64_t kMaxRulesFileBytes = 16u << 20;

using Kind = RuleValue;

// The rule columns of a kind, in table order (name, length and decimals are taken from the
// table itself and are no rules): the keys of a field's section.
std::vector<const DefinitionColumn*> RuleColumns(FieldKind kind) {
  std::vector<const DefinitionColumn*> columns;
  for (const DefinitionColumn& column : InfoOf(kind).Columns)
    if (column.Rule != RuleValue::None) columns.push_back(&column);
  return columns;
}

// Keys beyond the rule columns: the field options, and before the first section the share of
// deleted records. A file without them leaves the options as they are.
constexpr const char* kUniqueKey = "EINDEUTIG";
constexpr const char* kBlankKey = "LEERPROZENT";
constexpr const char* kDeletedKey = "GELOESCHTPROZENT";
// A numeric field's source (the key of a character field's source): only the postcode of the
// record's place ("Postleitzahl").
const char* const kNumberSourceKey = kSourceColumn;
const char* const kPostcodeSource = GeneratedName(Generated::Postcode);
// A date field's dates after those of another date field of the record, up to so many days.
constexpr const char* kAfterKey = "NACH";
constexpr const char* kAfterDaysKey = "NACHTAGE";

// The fields that can be filled from another table (ReferenceKeys.h spells the keys).
bool CanReferTo(FieldKind kind) {
  return kind == FieldKind::Character || kind == FieldKind::Numeric || kind == FieldKind::Date;
}

// The parameters of the sources with parameters (FieldOptions). A numeric, logical or date
// field names such a source in QUELLE as a character field does.
constexpr const char* kValuesKey = "WERTE";
constexpr const char* kMaskKey = "MASKE";
constexpr const char* kStartKey = "START";
constexpr const char* kStepKey = "SCHRITT";
constexpr const char* kGroupKey = "GRUPPE";
constexpr const char* kConstantKey = "WERT";
constexpr const char* kFormulaKey = "FORMEL";

// Which sources with parameters a field of the kind may name: a constant and a formula for
// every kind with a value of its own, a list for texts and numbers, a mask and a sequence for
// texts and numbers, sentences for texts and memos.
bool TakesSource(FieldKind kind, SourceKind source) {
  const bool text = kind == FieldKind::Character, number = kind == FieldKind::Numeric;
  switch (source) {
    case SourceKind::Constant:
    case SourceKind::Formula: return kind != FieldKind::Memo;
    case SourceKind::List:
    case SourceKind::Mask:
    case SourceKind::Sequence: return text || number;
    case SourceKind::Sentences: return text || kind == FieldKind::Memo;
    default: return false;
  }
}

// A whole number of the rules file ("-12", "+3"), no larger than a sequence may count.
bool ParseWhole(const std::string& text, int64_t& out) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i == text.size() || text.size() - i > 15) return false;
  int64_t n = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    n = n * 10 + (text[i] - '0');
  }
  out = negative ? -n : n;
  return true;
}

bool CanBeUnique(FieldKind kind) {
  return kind == FieldKind::Character || kind == FieldKind::Numeric || kind == FieldKind::Date;
}

bool ParsePercent(const std::string& text, double& out) {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double n = 0;
  in >> n;
  if (in.fail() || !in.eof() || !(n >= 0 && n <= 100)) return false;
  out = n;
  return true;
}

// A whole number of days, 0 to the most a later date may lie after the earlier one.
bool ParseDays(const std::string& text, double& out) {
  if (text.empty() || text.size() > 6 || !AllDigits(text)) return false;
  const int days = std::stoi(text);
  if (days > FieldOptions::kMaxAfterDays) return false;
  out = days;
  return true;
}

bool KindOfField(const FieldInfo& field, FieldKind& kind) {
  const std::optional<FieldKind> found = fw::KindOfField(field);
  if (found) kind = *found;
  return found.has_value();
}

// Blanks and tabs around, and the carriage return of a Windows line end after the text.
std::string Trimmed(std::string_view s) { return std::string(TrimRight(TrimLeft(s), " \t\r")); }

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// Dates in a rules file are always dd.mm.yyyy, whatever the program shows them as, so that a
// file reads the same on every machine. Two-digit years count from 1910, as the window's.
std::string RulesDateText(Date date) {
  int y, m, d;
  date.ToYmd(y, m, d);
  char text[16];
  std::snprintf(text, sizeof text, "%02d.%02d.%04d", d % 100, m % 100, y % 10000);
  return text;
}

Date RulesDate(std::string_view text) {
  int parts[3];
  size_t yearDigits = 0;
  for (int i = 0; i < 3; ++i) {
    const size_t dot = i < 2 ? text.find('.') : std::string_view::npos;
    if (i < 2 && dot == std::string_view::npos) return Date();
    const std::string_view part = Trim(text.substr(0, dot));
    if (part.empty() || part.size() > 4 || !AllDigits(std::string(part))) return Date();
    parts[i] = std::stoi(std::string(part));
    if (i == 2) yearDigits = part.size();
    text = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
  }
  int year = parts[2];
  if (yearDigits <= 2) year += year < 10 ? 2000 : 1900;
  return Date::FromYmd(year, parts[1], parts[0]);
}

std::string ValueText(const Value& v, Kind kind) {
  switch (kind) {
    case Kind::Text: return Cp1252ToUtf8(Trimmed(v.AsText()));
    case Kind::Whole:
    case Kind::Number: return NumberText(v.AsNumber());
    case Kind::Logic: return v.AsLogic() ? "1" : "0";
    case Kind::Date: return v.AsDate().IsEmpty() ? "" : RulesDateText(v.AsDate());
    case Kind::None: break;
  }
  return "";
}

bool ParseValue(const std::string& text, const DefinitionColumn& column, Value& out) {
  const Kind kind = column.Rule;
  switch (kind) {
    case Kind::Text:  // as much as the definition row holds
      out = Value(text.substr(0, column.Length));
      return true;
    case Kind::Whole:
    case Kind::Number: {
      if (text.empty()) {
        out = Value(0);
        return true;
      }
      std::istringstream in(text);
      in.imbue(std::locale::classic());
      double n = 0;
      in >> n;
      if (in.fail() || !in.eof() || !std::isfinite(n)) return false;
      if (kind == Kind::Whole && n != std::floor(n)) return false;
      out = Value(n);
      return true;
    }
    case Kind::Logic:
      if (text == "1" || text == "0") {
        out = Value(text == "1");
        return true;
      }
      return false;
    case Kind::Date: {
      if (text.empty()) {
        out = Value(Date());
        return true;
      }
      const Date d = RulesDate(text);
      if (d.IsEmpty()) return false;
      out = Value(d);
      return true;
    }
    case Kind::None: break;
  }
  return false;
}

const char* KindWord(Kind kind) {
  switch (kind) {
    case Kind::Text: return "ein Text";
    case Kind::Whole: return "eine ganze Zahl";
    case Kind::Number: return "eine Zahl";
    case Kind::Logic: return "1 oder 0";
    case Kind::Date: return "ein Datum TT.MM.JJJJ oder leer";
    case Kind::None: break;
  }
  return "";
}

}  // namespace

std::string RulesText(DBServer& target, const RuleSet& rules, const std::string& rulesFolder) {
  std::ostringstream out;
  out << "; Regeln für " << target.FileName() << "\n"
      << "; Ein Abschnitt je Feld; Logische Werte 1/0, Daten TT.MM.JJJJ.\n"
      << "; Gleichnamige Felder: [NAME (1)], [NAME (2)], ... in der Reihenfolge der Tabelle.\n";
  if (rules.DeletedPercent > 0)
    out << kDeletedKey << "=" << NumberText(rules.DeletedPercent) << "\n";
  out << IndexFilesLine(rules.IndexFiles, rulesFolder);
  const std::vector<FieldInfo>& structure = target.DBStruct();
  for (size_t index = 0; index < structure.size(); ++index) {
    const FieldInfo& field = structure[index];
    FieldKind kind;
    if (!KindOfField(field, kind)) continue;
    const FieldRule* rule = rules.AtField(int(index) + 1);
    if (!rule || rule->Kind != kind) continue;
    out << "\n[" << Cp1252ToUtf8(RulesSectionName(structure, index)) << "]\n; " << field.Type
        << "(" << field.Length;
    if (field.Type == 'N' || field.Type == 'F') out << "," << field.Decimals;
    out << ")\n";
    for (const DefinitionColumn* column : RuleColumns(kind))
      out << column->Name << "=" << ValueText(column->Get(*rule), column->Rule) << "\n";
    const FieldOptions& options = rule->Options;
    if (options.Unique && CanBeUnique(kind)) out << kUniqueKey << "=1\n";
    if (options.BlankPercent > 0)
      out << kBlankKey << "=" << NumberText(options.BlankPercent) << "\n";
    if (options.Postcode && kind == FieldKind::Numeric)
      out << kNumberSourceKey << "=" << kPostcodeSource << "\n";
    if (options.AfterField >= 1 && size_t(options.AfterField) <= structure.size() &&
        kind == FieldKind::Date) {
      out << kAfterKey << "="
          << Cp1252ToUtf8(RulesSectionName(structure, size_t(options.AfterField - 1))) << "\n"
          << kAfterDaysKey << "=" << options.AfterDays << "\n";
    }
    if (rule->Source.Kind == SourceKind::Table && CanReferTo(kind)) {
      const TableReference& ref = rule->Reference;
      if (kind != FieldKind::Character) out << kSourceColumn << "=" << kTableSourceName << "\n";
      // Written so that it names the same table again when read from where the text goes.
      const std::string table = ref.Path.empty()
                                    ? ref.Table
                                    : TableNameFor(ref.Path, ref.Table, rulesFolder, target.FileName());
      if (!table.empty()) out << kTableKey << "=" << Cp1252ToUtf8(table) << "\n";
      out << kParentFieldKey << "=" << Cp1252ToUtf8(ref.Field) << "\n";
      if (!ref.With.empty()) out << kWithKey << "=" << Cp1252ToUtf8(ref.With) << "\n";
      if (ref.PerParent)
        out << kPerParentKey << "=" << ref.MinChildren << ".." << ref.MaxChildren << "\n";
    }
    if (options.Source && kind != FieldKind::Character && kind != FieldKind::Memo)
      out << kNumberSourceKey << "=" << ParameterSourceName(*options.Source) << "\n";
    auto text = [&out](const char* key, const std::string& value) {
      if (!value.empty()) out << key << "=" << Cp1252ToUtf8(value) << "\n";
    };
    text(kValuesKey, options.Values);
    text(kMaskKey, options.MaskText);
    if (options.SequenceStart) out << kStartKey << "=" << *options.SequenceStart << "\n";
    if (options.SequenceStep != 1) out << kStepKey << "=" << options.SequenceStep << "\n";
    text(kGroupKey, options.GroupField);
    text(kConstantKey, options.Constant);
    text(kFormulaKey, options.Formula);
  }
  return out.str();
}

std::string RulesText(DBServer& target, DefinitionTables& tables, const std::string& rulesFolder) {
  const std::string text = RulesText(target, tables.Load(target.DBStruct()), rulesFolder);
  tables.GoTopAll();
  return text;
}

bool WriteRules(const std::string& path, DBServer& target, const RuleSet& rules,
                std::string& error) {
  const std::string text = RulesText(target, rules, FolderOfFile(path));
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  file.close();
  if (!file) {
    error = "Die Regeldatei " + path + " kann nicht geschrieben werden.";
    return false;
  }
  return true;
}

bool WriteRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error) {
  const RuleSet rules = tables.Load(target.DBStruct());
  tables.GoTopAll();
  return WriteRules(path, target, rules, error);
}

namespace {

constexpr size_t kNoField = size_t(-1);

// One rule line that could be read: the rule column it sets and its value.
struct Rule {
  FieldKind Kind;
  size_t Field;  // 0-based in the structure
  const DefinitionColumn* Column;
  Value Content;
  int Line;
};

// An option line of a field's section: EINDEUTIG (Unique), LEERPROZENT, or a numeric field's
// QUELLE (Postcode).
struct OptionRule {
  enum class Kind { Unique, Blank, Postcode, After, AfterDays, TableSource, Table, ParentField,
                    With, PerParent, Source, Values, Mask, Start, Step, Group, Constant, Formula };
  size_t Field;  // 0-based in the structure
  Kind What;
  double Number;
  std::string Text = {};  // TABELLE, FELD, MIT, and the texts of the sources with parameters
  int64_t Whole = 0;      // START, SCHRITT; JE: the most children (Number the fewest)
};

// The options and the deleted share a file sets.
struct OptionRules {
  std::vector<OptionRule> Fields;
  std::optional<double> Deleted;
  std::optional<std::string> IndexFiles;  // the INDEX value (UTF-8) as the file gives it
  std::string Folder;                     // the rules file's folder, for relative index paths
};

// A line of the file that cannot be taken. `Field` is the field of the section it belongs to
// (0-based), kNoField before the first section or in a section that names no field; then
// `Section` is the section's name ("" for a broken section line).
struct Problem {
  int Line;
  size_t Field;
  std::string Section;
  std::string Why;
};

bool ReadRulesFile(const std::string& path, std::string& text, std::string& error) {
  const WholeFileRead read = ReadCp1252TextFile(path, kMaxRulesFileBytes, text);
  if (read == WholeFileRead::Ok) return true;
  error = read == WholeFileRead::Missing ? "Die Regeldatei " + path + " gibt es nicht."
          : read == WholeFileRead::TooLarge ? "Die Regeldatei " + path + " ist zu gross."
                                            : "Die Regeldatei " + path + " kann nicht gelesen werden.";
  return false;
}

// Reads every line of `text` (Windows-1252, as ReadCp1252TextFile gives it). A section that names no
// field of the table, or one the program does not fill, is one problem; its keys are skipped
// without further problems.
void ParseRules(const std::string& text, const std::vector<FieldInfo>& structure,
                std::vector<Rule>& rules, OptionRules& options, std::vector<Problem>& problems) {
  std::istringstream lines(text);
  std::string line, section;
  size_t sectionField = kNoField;
  // Before the first section, in a section that has been reported, in a usable one.
  enum class State { NoSection, Reported, Usable } state = State::NoSection;
  FieldKind sectionKind = FieldKind::Character;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    line = Trimmed(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      section.clear();
      sectionField = kNoField;
      state = State::Reported;
      if (line.back() != ']') {
        problems.push_back({number, kNoField, "", "Die Abschnittszeile endet nicht mit \"]\"."});
        continue;
      }
      section = Upper(Trimmed(line.substr(1, line.size() - 2)));
      std::string why;
      const int pos = FieldOfRulesSection(structure, section, why);
      if (pos == 0) {
        problems.push_back({number, kNoField, section, why});
        continue;
      }
      sectionField = size_t(pos - 1);
      if (!KindOfField(structure[sectionField], sectionKind)) {
        problems.push_back({number, sectionField, section,
                            "Das Feld " + Cp1252ToUtf8(section) + " wird nicht gefüllt (Typ " +
                                std::string(1, structure[sectionField].Type) + ")."});
        continue;
      }
      state = State::Usable;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) {
      problems.push_back({number, sectionField, section, "Erwartet wird SCHLÜSSEL=Wert."});
      continue;
    }
    if (state == State::NoSection && Upper(Trimmed(line.substr(0, eq))) == kDeletedKey) {
      const std::string value = Trimmed(line.substr(eq + 1));
      double percent = 0;
      if (ParsePercent(value, percent))
        options.Deleted = percent;
      else
        problems.push_back({number, kNoField, "",
                            std::string(kDeletedKey) + " muss eine Zahl von 0 bis 100 sein, nicht \"" +
                                Cp1252ToUtf8(value) + "\"."});
      continue;
    }
    if (state == State::NoSection && Upper(Trimmed(line.substr(0, eq))) == kIndexFilesKey) {
      options.IndexFiles = Cp1252ToUtf8(Trimmed(line.substr(eq + 1)));
      continue;
    }
    if (state == State::NoSection) {
      problems.push_back(
          {number, kNoField, "", "Vor der ersten Regel fehlt der Abschnitt [FELDNAME]."});
      continue;
    }
    if (state == State::Reported) continue;  // the section itself has been reported
    const std::string key = Upper(Trimmed(line.substr(0, eq)));
    const std::string value = Trimmed(line.substr(eq + 1));
    if (key == kUniqueKey) {
      if (!CanBeUnique(sectionKind))
        problems.push_back({number, sectionField, section,
                            "Das Feld " + Cp1252ToUtf8(section) +
                                " kann keine verschiedenen Werte erhalten (nur Zeichen-, "
                                "Zahlen- und Datumsfelder)."});
      else if (value != "1" && value != "0")
        problems.push_back({number, sectionField, section, key + " muss 1 oder 0 sein."});
      else
        options.Fields.push_back(
            {sectionField, OptionRule::Kind::Unique, value == "1" ? 1.0 : 0.0});
      continue;
    }
    if (key == kBlankKey) {
      double percent = 0;
      if (ParsePercent(value, percent))
        options.Fields.push_back({sectionField, OptionRule::Kind::Blank, percent});
      else
        problems.push_back({number, sectionField, section,
                            key + " muss eine Zahl von 0 bis 100 sein, nicht \"" +
                                Cp1252ToUtf8(value) + "\"."});
      continue;
    }
    if (CanReferTo(sectionKind) &&
        (key == kTableKey || key == kParentFieldKey || key == kWithKey || key == kPerParentKey ||
         (key == kNumberSourceKey && sectionKind != FieldKind::Character &&
          EqualIgnoringCase(value, kTableSourceName)))) {
      uint32_t min = 0, max = 0;
      std::string whyWith;
      if (key == kNumberSourceKey)
        options.Fields.push_back({sectionField, OptionRule::Kind::TableSource, 1.0});
      else if (key == kPerParentKey && !ParsePerParent(value, min, max))
        problems.push_back({number, sectionField, section,
                            key + " muss MIN..MAX mit ganzen Zahlen sein (MIN nicht grösser als "
                                  "MAX, MAX über 0), nicht \"" + Cp1252ToUtf8(value) + "\"."});
      else if (key == kPerParentKey)
        options.Fields.push_back({sectionField, OptionRule::Kind::PerParent, double(min), {},
                                  int64_t(max)});
      else if (value.empty())
        problems.push_back({number, sectionField, section, key + " darf nicht leer sein."});
      else if (key == kWithKey && FieldOfRulesSection(structure, Upper(value), whyWith) == 0)
        problems.push_back({number, sectionField, section,
                            key + " muss ein Feld dieser Tabelle nennen, nicht \"" +
                                Cp1252ToUtf8(value) + "\"."});
      else
        options.Fields.push_back({sectionField,
                                  key == kTableKey         ? OptionRule::Kind::Table
                                  : key == kParentFieldKey ? OptionRule::Kind::ParentField
                                                           : OptionRule::Kind::With,
                                  0.0, key == kTableKey ? value : Upper(value)});
      continue;
    }
    if (key == kNumberSourceKey && sectionKind != FieldKind::Character &&
        sectionKind != FieldKind::Memo) {
      if (const std::optional<SourceKind> source = FindParameterSource(value)) {
        if (TakesSource(sectionKind, *source))
          options.Fields.push_back({sectionField, OptionRule::Kind::Source, double(int(*source))});
        else
          problems.push_back({number, sectionField, section,
                              "Das Feld " + Cp1252ToUtf8(section) + " kann nicht aus der Quelle " +
                                  ParameterSourceName(*source) + " gefüllt werden."});
        continue;
      }
    }
    if (key == kNumberSourceKey && sectionKind == FieldKind::Numeric) {
      const bool postcode = Upper(value) == Upper(kPostcodeSource);
      if (postcode || value.empty())
        options.Fields.push_back({sectionField, OptionRule::Kind::Postcode, postcode ? 1.0 : 0.0});
      else
        problems.push_back({number, sectionField, section,
                            key + " eines Zahlenfeldes kann nur " + kPostcodeSource +
                                " sein, nicht \"" + Cp1252ToUtf8(value) + "\"."});
      continue;
    }
    if (key == kAfterKey && sectionKind == FieldKind::Date) {
      std::string why;
      const int after = value.empty() ? 0 : FieldOfRulesSection(structure, Upper(value), why);
      FieldKind afterKind = FieldKind::Character;
      if (!value.empty() && after == 0)
        problems.push_back({number, sectionField, section, why});
      else if (after != 0 && (!KindOfField(structure[size_t(after - 1)], afterKind) ||
                              afterKind != FieldKind::Date || size_t(after - 1) == sectionField))
        problems.push_back({number, sectionField, section,
                            key + " muss ein anderes Datumsfeld nennen, nicht \"" +
                                Cp1252ToUtf8(value) + "\"."});
      else
        options.Fields.push_back({sectionField, OptionRule::Kind::After, double(after)});
      continue;
    }
    if (key == kAfterDaysKey && sectionKind == FieldKind::Date) {
      double days = 0;
      if (ParseDays(value, days))
        options.Fields.push_back({sectionField, OptionRule::Kind::AfterDays, days});
      else
        problems.push_back({number, sectionField, section,
                            key + " muss eine ganze Zahl von 0 bis " +
                                std::to_string(FieldOptions::kMaxAfterDays) + " sein, nicht \"" +
                                Cp1252ToUtf8(value) + "\"."});
      continue;
    }
    {
      using K = OptionRule::Kind;
      const std::pair<const char*, K> textKeys[] = {{kValuesKey, K::Values}, {kMaskKey, K::Mask},
                                                    {kGroupKey, K::Group},
                                                    {kConstantKey, K::Constant},
                                                    {kFormulaKey, K::Formula}};
      bool taken = false;
      for (const auto& [name, what] : textKeys) {
        if (key != name) continue;
        taken = true;
        std::string why;
        if (what == K::Group && !value.empty() &&
            FieldOfRulesSection(structure, Upper(value), why) == 0)
          problems.push_back({number, sectionField, section, key + ": " + why});
        else
          options.Fields.push_back({sectionField, what, 0, value});
      }
      if (key == kStartKey || key == kStepKey) {
        taken = true;
        int64_t whole = 0;
        if (key == kStartKey && value.empty())
          options.Fields.push_back({sectionField, K::Start, 0});
        else if (!ParseWhole(value, whole) || (key == kStepKey && whole == 0))
          problems.push_back({number, sectionField, section,
                              key + " muss eine ganze Zahl" +
                                  (key == kStepKey ? std::string(" ausser 0") : std::string()) +
                                  " sein, nicht \"" + Cp1252ToUtf8(value) + "\"."});
        else
          options.Fields.push_back(
              {sectionField, key == kStartKey ? K::Start : K::Step, 1, {}, whole});
      }
      if (taken) continue;
    }
    bool known = false;
    for (const DefinitionColumn* column : RuleColumns(sectionKind)) {
      if (key != column->Name) continue;
      known = true;
      Value content;
      if (!ParseValue(value, *column, content)) {
        problems.push_back({number, sectionField, section,
                            key + " muss " + KindWord(column->Rule) + " sein, nicht \"" +
                                Cp1252ToUtf8(value) + "\"."});
        continue;
      }
      // A number wider than its column could not be kept in the definition row.
      if (content.IsNumber() &&
          !NumbersFitField(content.AsNumber(), content.AsNumber(), content.AsNumber() < 0,
                           column->Length, column->Decimals)) {
        problems.push_back({number, sectionField, section,
                            "Der Wert passt nicht in die Spalte " + key + "."});
        continue;
      }
      rules.push_back({sectionKind, sectionField, column, content, number});
    }
    if (!known) {
      std::string allowed;
      for (const DefinitionColumn* column : RuleColumns(sectionKind))
        allowed += std::string(allowed.empty() ? "" : ", ") + column->Name;
      if (CanBeUnique(sectionKind)) allowed += std::string(", ") + kUniqueKey;
      allowed += std::string(", ") + kBlankKey;
      if (sectionKind == FieldKind::Numeric) allowed += std::string(", ") + kNumberSourceKey;
      if (sectionKind == FieldKind::Date)
        allowed += std::string(", ") + kAfterKey + ", " + kAfterDaysKey;
      if (CanReferTo(sectionKind))
        allowed += std::string(", ") + kTableKey + ", " + kParentFieldKey + ", " + kWithKey +
                   ", " + kPerParentKey;
      if (sectionKind != FieldKind::Character && sectionKind != FieldKind::Memo &&
          sectionKind != FieldKind::Numeric)
        allowed += std::string(", ") + kNumberSourceKey;
      allowed += std::string(", ") + kValuesKey + ", " + kMaskKey + ", " + kStartKey + ", " +
                 kStepKey + ", " + kGroupKey + ", " + kConstantKey + ", " + kFormulaKey;
      problems.push_back({number, sectionField, section,
                          "Für das Feld " + Cp1252ToUtf8(section) + " gibt es die Regel " +
                              Cp1252ToUtf8(key) + " nicht (erlaubt: " + allowed + ")."});
    }
  }
}

// Puts the options of the file into the rules' options, for every field `take` accepts.
template <typename Take>
void PutOptions(const OptionRules& options, RuleSet& rules, const std::string& rulesPath,
                const std::string& targetPath, Take take) {
  for (const OptionRule& option : options.Fields) {
    if (!take(option.Field)) continue;
    FieldRule* rule = rules.AtField(int(option.Field) + 1);
    if (!rule) continue;
    FieldOptions& field = rule->Options;
    switch (option.What) {
      case OptionRule::Kind::Unique: field.Unique = option.Number != 0; break;
      case OptionRule::Kind::Blank: field.BlankPercent = option.Number; break;
      case OptionRule::Kind::Postcode: field.Postcode = option.Number != 0; break;
      case OptionRule::Kind::After: field.AfterField = int(option.Number); break;
      case OptionRule::Kind::AfterDays: field.AfterDays = int(option.Number); break;
      case OptionRule::Kind::TableSource: rule->Source = ResolveSource(kTableSourceName); break;
      case OptionRule::Kind::Table:
        rule->Reference.Table = option.Text;
        rule->Reference.Path = ResolveTablePath(option.Text, rulesPath, targetPath);
        break;
      case OptionRule::Kind::ParentField: rule->Reference.Field = option.Text; break;
      case OptionRule::Kind::With: rule->Reference.With = option.Text; break;
      case OptionRule::Kind::PerParent:
        rule->Reference.PerParent = true;
        rule->Reference.MinChildren = uint32_t(option.Number);
        rule->Reference.MaxChildren = uint32_t(option.Whole);
        break;
      case OptionRule::Kind::Source:
        field.Source = SourceKind(int(option.Number));
        break;
      case OptionRule::Kind::Values: field.Values = option.Text; break;
      case OptionRule::Kind::Mask: field.MaskText = option.Text; break;
      case OptionRule::Kind::Start:
        field.SequenceStart =
            option.Number != 0 ? std::optional<int64_t>(option.Whole) : std::nullopt;
        break;
      case OptionRule::Kind::Step: field.SequenceStep = option.Whole; break;
      case OptionRule::Kind::Group: field.GroupField = option.Text; break;
      case OptionRule::Kind::Constant: field.Constant = option.Text; break;
      case OptionRule::Kind::Formula: field.Formula = option.Text; break;
    }
  }
  if (options.Deleted) rules.DeletedPercent = *options.Deleted;
  if (options.IndexFiles) rules.IndexFiles = ParseIndexFiles(*options.IndexFiles, options.Folder);
}

// Why `rule` cannot fill `field`, or "" when it can: numbers too wide for the field, an end
// date before the start date, more words at least than at most or more than a memo may take.
std::string Misfit(const FieldRule& rule, const FieldInfo& field) {
  switch (rule.Kind) {
    case FieldKind::Numeric: {
      const double min = rule.Minimum;
      const double max = rule.Maximum;
      if (min == 0 && max == 0) return {};  // the field is left blank
      const bool negatives = rule.Negative && rule.PercentNeg > 0;
      const NumericLayout layout = NumericLayoutOf(field.Type, field.Length, field.Decimals);
      if (!NumbersFitFieldOfType(min, max, negatives, field.Type, field.Length, field.Decimals))
        return "Die Werte von " + NumberText(min) + " bis " + NumberText(max) +
               (negatives ? " (auch negativ)" : "") + " passen nicht in das Feld (Länge " +
               std::to_string(layout.Length) + ", " + std::to_string(layout.Decimals) +
               " Dezimalen).";
      return {};
    }
    case FieldKind::Date: {
      const Date start = rule.Start;
      const Date end = rule.End;
      if (!start.IsEmpty() && !end.IsEmpty() && end < start)
        return "Das Enddatum liegt vor dem Startdatum.";
      return {};
    }
    case FieldKind::Memo: {
      const double min = rule.MinWords;
      const double max = rule.MaxWords;
      if (min > max) return "Die minimale Wortzahl ist grösser als die maximale.";
      if (max > double(kMaxMemoWords))
        return "Ein Memo kann höchstens " + std::to_string(kMaxMemoWords) + " Wörter erhalten.";
      return {};
    }
    case FieldKind::Character:
    case FieldKind::Logic:
      return {};
  }
  return {};
}

}  // namespace

bool ApplyRules(const std::string& path, DBServer& target, RuleSet& ruleSet,
                std::string& error) {
  std::string text;
  if (!ReadRulesFile(path, text, error)) return false;
  const std::vector<FieldInfo>& structure = target.DBStruct();
  std::vector<Rule> rules;
  OptionRules options;
  options.Folder = FolderOfFile(path);
  std::vector<Problem> problems;
  ParseRules(text, structure, rules, options, problems);
  auto fail = [&](int line, const std::string& why) {
    error = "Regeldatei " + path + ", Zeile " + std::to_string(line) + ": " + why;
    return false;
  };
  // The whole file is checked before the first row changes.
  if (!problems.empty()) return fail(problems.front().Line, problems.front().Why);
  for (const Rule& rule : rules) {
    const FieldRule* field = ruleSet.AtField(int(rule.Field) + 1);
    if (!field || field->Kind != rule.Kind)
      return fail(rule.Line, "Das Feld " + Cp1252ToUtf8(RulesSectionName(structure, rule.Field)) +
                                 " hat keine Regelzeile.");
  }
  for (const Rule& rule : rules) rule.Column->Set(*ruleSet.AtField(int(rule.Field) + 1), rule.Content);
  PutOptions(options, ruleSet, path, target.FileName(), [](size_t) { return true; });
  return true;
}

bool ApplyRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error) {
  RuleSet rules = tables.Load(target.DBStruct());
  const bool ok = ApplyRules(path, target, rules, error);
  if (ok) tables.Store(rules, target.DBStruct());
  else tables.GoTopAll();
  return ok;
}

bool LoadRules(const std::string& path, DBServer& target, RuleSet& ruleSet,
               std::vector<std::string>& notTaken, std::string& error) {
  notTaken.clear();
  std::string text;
  if (!ReadRulesFile(path, text, error)) return false;
  const std::vector<FieldInfo>& structure = target.DBStruct();
  std::vector<Rule> rules;
  OptionRules options;
  options.Folder = FolderOfFile(path);
  std::vector<Problem> problems;
  ParseRules(text, structure, rules, options, problems);

  // Each field is taken whole or not at all; the first reason counts.
  std::vector<size_t> refused;
  std::vector<std::string> reasons;  // parallel to `refused`
  auto refuse = [&](size_t field, const std::string& why) {
    if (std::find(refused.begin(), refused.end(), field) != refused.end()) return;
    refused.push_back(field);
    reasons.push_back(why);
  };
  for (const Problem& problem : problems) {
    if (problem.Field != kNoField)
      refuse(problem.Field, problem.Why);
    else if (!problem.Section.empty())
      notTaken.push_back("Feld " + Cp1252ToUtf8(problem.Section) + ": " + problem.Why);
    else
      notTaken.push_back("Zeile " + std::to_string(problem.Line) + ": " + problem.Why);
  }
  std::vector<size_t> fields;  // in the order of the file
  for (const Rule& rule : rules)
    if (std::find(fields.begin(), fields.end(), rule.Field) == fields.end())
      fields.push_back(rule.Field);

  for (const size_t field : fields) {
    if (std::find(refused.begin(), refused.end(), field) != refused.end()) continue;
    FieldKind kind = FieldKind::Character;
    if (!KindOfField(structure[field], kind)) continue;  // refused by the parser
    FieldRule* held = ruleSet.AtField(int(field) + 1);
    if (!held || held->Kind != kind) {
      refuse(field, "Das Feld hat keine Regelzeile.");
      continue;
    }
    // The field's rule is changed on a copy, taken only when it can fill the field.
    FieldRule rule = *held;
    for (const Rule& line : rules)
      if (line.Field == field) line.Column->Set(rule, line.Content);
    if (const std::string why = Misfit(rule, structure[field]); !why.empty())
      refuse(field, why);
    else
      *held = std::move(rule);
  }
  PutOptions(options, ruleSet, path, target.FileName(), [&](size_t field) {
    return std::find(refused.begin(), refused.end(), field) == refused.end();
  });
  for (size_t i = 0; i < refused.size(); ++i)
    notTaken.push_back("Feld " + Cp1252ToUtf8(RulesSectionName(structure, refused[i])) + ": " +
                       reasons[i]);
  return true;
}

bool LoadRules(const std::string& path, DBServer& target, DefinitionTables& tables,
               std::vector<std::string>& notTaken, std::string& error) {
  RuleSet rules = tables.Load(target.DBStruct());
  const bool ok = LoadRules(path, target, rules, notTaken, error);
  if (ok) tables.Store(rules, target.DBStruct());
  else tables.GoTopAll();
  return ok;
}

}  // namespace fw
