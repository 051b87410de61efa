#include "core/index/FoxKeys.h"

#include <cstring>

namespace fw {

namespace {

// Date's day 1 is 1.1.0001 of the proleptic Gregorian calendar, Julian day 1,721,426.
constexpr double kJulianDayOfDayZero = 1721425.0;

std::string NumberKey(double number) {
  if (number == 0) number = 0;  // -0 sorts as 0
  uint64_t bits;
  std::memcpy(&bits, &number, sizeof bits);
  if (bits >> 63)
    bits = ~bits;
  else
    bits |= uint64_t(1) << 63;
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[size_t(i)] = char(uint8_t(bits >> (56 - 8 * i)));
  return key;
}

}  // namespace

double FoxJulianDay(const Date& date) {
  return date.IsEmpty() ? 0.0 : double(date.DayNumber()) + kJulianDayOfDayZero;
}

std::string FoxSortKey(const Value& value, uint32_t keyLength) {
  switch (value.GetType()) {
    case Value::Type::Number:
      return NumberKey(value.AsNumber());
    case Value::Type::Date:
      return NumberKey(FoxJulianDay(value.AsDate()));
    case Value::Type::Logic:
      return value.AsLogic() ? "T" : "F";
    case Value::Type::Text: {
      std::string key = value.AsText().substr(0, keyLength);
      key.resize(keyLength, ' ');
      return key;
    }
    case Value::Type::Nil:
      break;
  }
  return std::string(keyLength, ' ');
}

}  // namespace fw
