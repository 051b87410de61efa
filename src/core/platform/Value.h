#pragma once
#include <string>
#include <variant>

#include "core/platform/Date.h"

namespace fw {

// A dynamic value as read from a table or a settings file: text, number, logical, date or no
// value. Text is single-byte Windows-1252, as in the tables and word files.
class Value {
public:
  enum class Type { Nil, Text, Number, Logic, Date };

  Value() = default;
  explicit Value(std::string text) : v_(std::move(text)) {}
  explicit Value(const char* text) : v_(std::string(text)) {}
  explicit Value(double number) : v_(number) {}
  explicit Value(int number) : v_(double(number)) {}
  explicit Value(bool logic) : v_(logic) {}
  explicit Value(fw::Date date) : v_(date) {}

  Type GetType() const { return Type(v_.index()); }
  bool IsNil() const { return GetType() == Type::Nil; }
  bool IsText() const { return GetType() == Type::Text; }
  bool IsNumber() const { return GetType() == Type::Number; }
  bool IsLogic() const { return GetType() == Type::Logic; }
  bool IsDate() const { return GetType() == Type::Date; }

  // Each accessor gives the value when it has that type, else the type's empty value
  // ("", 0, false, the empty date).
  const std::string& AsText() const;
  double AsNumber() const;
  bool AsLogic() const;
  fw::Date AsDate() const;

  friend bool operator==(const Value&, const Value&) = default;

private:
  std::variant<std::monostate, std::string, double, bool, fw::Date> v_;
};

}  // namespace fw
