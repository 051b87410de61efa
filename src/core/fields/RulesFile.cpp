#include "core/fields/RulesFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/app/Utilities.h"
#include "core/app/WholeFile.h"
#include "core/fields/FieldAddress.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

// The largest rules file read; larger files are refused.
constexpr uint64_t kMaxRulesFileBytes = 16u << 20;

using Kind = RuleValue;

// A column of a definition table that holds a rule.
struct RuleColumn {
  const char* Name;
  Kind ValueKind;
};

// The rule columns of each definition table, in table order (name, length and decimals are
// taken from the table itself and are no rules).
std::vector<RuleColumn> RuleColumns(FieldKind kind) {
  std::vector<RuleColumn> columns;
  for (const DefinitionColumn& column : InfoOf(kind).Columns)
    if (column.Rule != RuleValue::None) columns.push_back({column.Name, column.Rule});
  return columns;
}

// Keys beyond the rule columns: the field options, and before the first section the share of
// deleted records. A file without them leaves the options as they are.
constexpr const char* kUniqueKey = "EINDEUTIG";
constexpr const char* kBlankKey = "LEERPROZENT";
constexpr const char* kDeletedKey = "GELOESCHTPROZENT";

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

bool KindOfType(char type, FieldKind& kind) {
  const std::optional<FieldKind> found = fw::KindOfType(type);
  if (found) kind = *found;
  return found.has_value();
}

std::string Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return std::string(s);
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// Moves `table` to the row of field `index0` of `structure`: the row with the field's name
// whose place among the rows of that name is the field's place among the fields of its type
// with that name.
bool GoToRow(DBServer& table, const std::vector<FieldInfo>& structure, size_t index0) {
  const std::string key = FieldKey(structure[index0].Name);
  uint32_t place = PlaceAmongSameType(structure, index0);
  for (uint32_t i = 1; i <= table.RecCount(); ++i) {
    table.GoTo(i);
    if (FieldKey(table.FieldGet("FELDNAMEN").AsText()) == key && --place == 0) return true;
  }
  return false;
}

std::string ValueText(const Value& v, Kind kind) {
  switch (kind) {
    case Kind::Text: return Cp1252ToUtf8(Trim(v.AsText()));
    case Kind::Whole:
    case Kind::Number: return NumberText(v.AsNumber());
    case Kind::Logic: return v.AsLogic() ? "1" : "0";
    case Kind::Date: return v.AsDate().IsEmpty() ? "" : v.AsDate().ToText();
    case Kind::None: break;
  }
  return "";
}

bool ParseValue(const std::string& text, Kind kind, Value& out) {
  switch (kind) {
    case Kind::Text:
      out = Value(text);
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
      const Date d = Date::FromText(text);
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

bool WriteRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error) {
  std::ostringstream out;
  out << "; Regeln für " << target.FileName() << "\n"
      << "; Ein Abschnitt je Feld; Logische Werte 1/0, Daten TT.MM.JJJJ.\n"
      << "; Gleichnamige Felder: [NAME (1)], [NAME (2)], ... in der Reihenfolge der Tabelle.\n";
  if (tables.Options.DeletedPercent > 0)
    out << kDeletedKey << "=" << NumberText(tables.Options.DeletedPercent) << "\n";
  const std::vector<FieldInfo>& structure = target.DBStruct();
  for (size_t index = 0; index < structure.size(); ++index) {
    const FieldInfo& field = structure[index];
    FieldKind kind;
    if (!KindOfType(field.Type, kind)) continue;
    DBServer& table = tables.Table(kind);
    if (!GoToRow(table, structure, index)) continue;
    out << "\n[" << Cp1252ToUtf8(RulesSectionName(structure, index)) << "]\n; " << field.Type
        << "(" << field.Length;
    if (field.Type == 'N' || field.Type == 'F') out << "," << field.Decimals;
    out << ")\n";
    for (const RuleColumn& column : RuleColumns(kind))
      out << column.Name << "=" << ValueText(table.FieldGet(column.Name), column.ValueKind)
          << "\n";
    const FieldOptions options = tables.Options.Of(field.Name);
    if (options.Unique && CanBeUnique(kind)) out << kUniqueKey << "=1\n";
    if (options.BlankPercent > 0) out << kBlankKey << "=" << NumberText(options.BlankPercent) << "\n";
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << out.str();
  file.close();
  if (!file) {
    error = "Die Regeldatei " + path + " kann nicht geschrieben werden.";
    return false;
  }
  return true;
}

bool ApplyRules(const std::string& path, DBServer& target, DefinitionTables& tables,
                std::string& error) {
  std::string text;
  const WholeFileRead read = ReadCp1252TextFile(path, kMaxRulesFileBytes, text);
  if (read != WholeFileRead::Ok) {
    error = read == WholeFileRead::Missing ? "Die Regeldatei " + path + " gibt es nicht."
            : read == WholeFileRead::TooLarge ? "Die Regeldatei " + path + " ist zu gross."
                                              : "Die Regeldatei " + path + " kann nicht gelesen werden.";
    return false;
  }
  // The text is now Windows-1252, as names and sources in the tables are.
  struct Rule {
    FieldKind Kind;
    size_t Field;  // 0-based in the structure
    std::string Column;
    Value Content;
    int Line;
  };
  std::vector<Rule> rules;
  struct Option {
    std::string Field;
    bool IsUnique;
    double Number;
  };
  std::vector<Option> options;
  std::optional<double> deleted;
  std::istringstream lines(text);
  std::string line, section;
  size_t sectionField = 0;
  const std::vector<FieldInfo>& structure = target.DBStruct();
  FieldKind sectionKind = FieldKind::Character;
  int number = 0;
  auto fail = [&](const std::string& why) {
    error = "Regeldatei " + path + ", Zeile " + std::to_string(number) + ": " + why;
    return false;
  };
  while (std::getline(lines, line)) {
    ++number;
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail("Die Abschnittszeile endet nicht mit \"]\".");
      section = Upper(Trim(line.substr(1, line.size() - 2)));
      std::string why;
      const int pos = FieldOfRulesSection(structure, section, why);
      if (pos == 0) return fail(why);
      sectionField = size_t(pos - 1);
      if (!KindOfType(structure[sectionField].Type, sectionKind))
        return fail("Das Feld " + Cp1252ToUtf8(section) + " wird nicht gefüllt (Typ " +
                    std::string(1, structure[sectionField].Type) + ").");
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) return fail("Erwartet wird SCHLÜSSEL=Wert.");
    const std::string key = Upper(Trim(line.substr(0, eq)));
    const std::string value = Trim(line.substr(eq + 1));
    if (section.empty()) {
      double percent = 0;
      if (key != kDeletedKey)
        return fail("Vor der ersten Regel fehlt der Abschnitt [FELDNAME].");
      if (!ParsePercent(value, percent))
        return fail(key + " muss eine Zahl von 0 bis 100 sein, nicht \"" + Cp1252ToUtf8(value) +
                    "\".");
      deleted = percent;
      continue;
    }
    if (key == kUniqueKey) {
      if (!CanBeUnique(sectionKind))
        return fail("Das Feld " + Cp1252ToUtf8(section) +
                    " kann keine verschiedenen Werte erhalten (nur Zeichen-, Zahlen- und "
                    "Datumsfelder).");
      if (value != "1" && value != "0") return fail(key + " muss 1 oder 0 sein.");
      options.push_back({structure[sectionField].Name, true, value == "1" ? 1.0 : 0.0});
      continue;
    }
    if (key == kBlankKey) {
      double percent = 0;
      if (!ParsePercent(value, percent))
        return fail(key + " muss eine Zahl von 0 bis 100 sein, nicht \"" + Cp1252ToUtf8(value) +
                    "\".");
      options.push_back({structure[sectionField].Name, false, percent});
      continue;
    }
    bool known = false;
    for (const RuleColumn& column : RuleColumns(sectionKind)) {
      if (key != column.Name) continue;
      known = true;
      Value content;
      if (!ParseValue(value, column.ValueKind, content))
        return fail(key + " muss " + KindWord(column.ValueKind) + " sein, nicht \"" +
                    Cp1252ToUtf8(value) + "\".");
      rules.push_back({sectionKind, sectionField, key, content, number});
    }
    if (!known) {
      std::string allowed;
      for (const RuleColumn& column : RuleColumns(sectionKind))
        allowed += std::string(allowed.empty() ? "" : ", ") + column.Name;
      if (CanBeUnique(sectionKind)) allowed += std::string(", ") + kUniqueKey;
      allowed += std::string(", ") + kBlankKey;
      return fail("Für das Feld " + Cp1252ToUtf8(section) + " gibt es die Regel " +
                  Cp1252ToUtf8(key) + " nicht (erlaubt: " + allowed + ").");
    }
  }
  for (const Rule& rule : rules) {
    number = rule.Line;
    DBServer& table = tables.Table(rule.Kind);
    if (!GoToRow(table, structure, rule.Field))
      return fail("Das Feld " + Cp1252ToUtf8(RulesSectionName(structure, rule.Field)) +
                  " hat keine Regelzeile.");
    if (!table.FieldPut(rule.Column, rule.Content))
      return fail("Der Wert passt nicht in die Spalte " + rule.Column + ".");
  }
  for (const Option& option : options) {
    FieldOptions& field = tables.Options.Fields[option.Field];
    if (option.IsUnique) field.Unique = option.Number != 0;
    else field.BlankPercent = option.Number;
  }
  if (deleted) tables.Options.DeletedPercent = *deleted;
  for (FieldKind kind : kFieldKinds) tables.Table(kind).Commit();
  tables.GoTopAll();
  return true;
}

}  // namespace fw
