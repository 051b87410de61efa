#include "core/generate/ConstantColumn.h"

#include <cmath>
#include <locale>
#include <sstream>

#include "core/platform/CodePage.h"
#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

bool IsTextType(char type) { return type == 'C' || type == 'M' || type == 'V'; }
bool IsDateType(char type) { return type == 'D' || type == 'T' || type == '@'; }

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return out;
}

std::string Quoted(std::string_view text) { return "\"" + Cp1252ToUtf8(text) + "\""; }

}  // namespace

bool ParseConstantValue(std::string_view text, char type, uint32_t length, uint32_t decimals,
                        Value& value, std::string& error) {
  if (text.empty()) {
    value = Value();
    return true;
  }
  if (IsTextType(type)) {
    if (type != 'M' && text.size() > length) {
      error = "Der Text " + Quoted(text) + " ist länger als das Feld (" +
              std::to_string(length) + " Zeichen).";
      return false;
    }
    value = Value(std::string(text));
    return true;
  }
  if (type == 'L') {
    const std::string word = Upper(text);
    if (word == "1" || word == "J" || word == "Y" || word == "T" || word == ".T.") {
      value = Value(true);
    } else if (word == "0" || word == "N" || word == "F" || word == ".F.") {
      value = Value(false);
    } else {
      error = "Der Wert " + Quoted(text) + " ist kein logischer Wert (1 oder 0).";
      return false;
    }
    return true;
  }
  if (IsDateType(type)) {
    const Date date = Date::FromText(text, GermanDateFormat());  // fixed, as in rules files
    if (date.IsEmpty()) {
      error = "Der Wert " + Quoted(text) + " ist kein Datum TT.MM.JJJJ.";
      return false;
    }
    value = Value(date);
    return true;
  }
  std::istringstream in{std::string(text)};
  in.imbue(std::locale::classic());
  double number = 0;
  in >> number;
  if (in.fail() || !in.eof() || !std::isfinite(number)) {
    error = "Der Wert " + Quoted(text) + " ist keine Zahl (Dezimalstellen nach einem Punkt: "
            "19.99).";
    return false;
  }
  if (!NumbersFitFieldOfType(number, number, false, type, length, decimals)) {
    error = "Die Zahl " + Quoted(text) + " passt nicht in das Feld (" + std::to_string(length) +
            " Stellen, davon " + std::to_string(decimals) + " nach dem Komma).";
    return false;
  }
  value = Value(number == 0 ? 0.0 : number);
  return true;
}

void ConstantColumn::Produce(FieldWriter& out) {
  switch (value_.GetType()) {
    case Value::Type::Text: out.PutText(value_.AsText()); break;
    case Value::Type::Number: out.PutNumber(value_.AsNumber()); break;
    case Value::Type::Logic: out.PutLogic(value_.AsLogic()); break;
    case Value::Type::Date: out.PutDate(value_.AsDate()); break;
    case Value::Type::Nil: out.PutBlank(); break;
  }
}

}  // namespace fw
