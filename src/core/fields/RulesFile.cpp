#include "core/fields/RulesFile.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "core/fields/FieldAddress.h"
#include "core/generate/WordSource.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

enum class Kind { Text, Whole, Number, Logic, Date };

struct RuleColumn {
  const char* Name;
  Kind ValueKind;
};

// The rule columns of each definition table, in table order (name, length and decimals are
// taken from the table itself and are no rules).
std::vector<RuleColumn> RuleColumns(FieldKind kind) {
  switch (kind) {
    case FieldKind::Character:
      return {{"MAXLENGTH", Kind::Whole}, {"FIXLENGTH", Kind::Logic}, {"QUELLE", Kind::Text}};
    case FieldKind::Numeric:
      return {{"MINIMUM", Kind::Number}, {"MAXIMUM", Kind::Number}, {"NEGATIV", Kind::Logic},
              {"PERCENTNEG", Kind::Whole}};
    case FieldKind::Logic:
      return {{"PERCENTTRU", Kind::Whole}};
    case FieldKind::Date:
      return {{"STARTDATE", Kind::Date}, {"ENDDATE", Kind::Date}};
    case FieldKind::Memo:
      return {{"MINWORDS", Kind::Whole}, {"MAXWORDS", Kind::Whole}, {"QUELLE", Kind::Text}};
  }
  return {};
}

bool KindOfType(char type, FieldKind& kind) {
  switch (type) {
    case 'C': kind = FieldKind::Character; return true;
    case 'N': kind = FieldKind::Numeric; return true;
    case 'L': kind = FieldKind::Logic; return true;
    case 'D': kind = FieldKind::Date; return true;
    case 'M': kind = FieldKind::Memo; return true;
    default: return false;
  }
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

std::string NumberText(double n) {
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", n);
  return text;
}

std::string ValueText(const Value& v, Kind kind) {
  switch (kind) {
    case Kind::Text: return Cp1252ToUtf8(Trim(v.AsText()));
    case Kind::Whole:
    case Kind::Number: return NumberText(v.AsNumber());
    case Kind::Logic: return v.AsLogic() ? "1" : "0";
    case Kind::Date: return v.AsDate().IsEmpty() ? "" : v.AsDate().ToText();
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
  const WordFileRead read = ReadWordFile(path, text);
  if (read != WordFileRead::Ok) {
    error = read == WordFileRead::Missing ? "Die Regeldatei " + path + " gibt es nicht."
            : read == WordFileRead::TooLarge ? "Die Regeldatei " + path + " ist zu gross."
                                             : "Die Regeldatei " + path + " kann nicht gelesen werden.";
    return false;
  }
  // ReadWordFile has turned the text into Windows-1252; names and sources are compared so.
  struct Rule {
    FieldKind Kind;
    size_t Field;  // 0-based in the structure
    std::string Column;
    Value Content;
    int Line;
  };
  std::vector<Rule> rules;
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
    if (section.empty()) return fail("Vor der ersten Regel fehlt der Abschnitt [FELDNAME].");
    const std::string key = Upper(Trim(line.substr(0, eq)));
    const std::string value = Trim(line.substr(eq + 1));
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
  for (FieldKind kind : {FieldKind::Character, FieldKind::Numeric, FieldKind::Logic,
                         FieldKind::Date, FieldKind::Memo})
    tables.Table(kind).Commit();
  tables.GoTopAll();
  return true;
}

}  // namespace fw
