#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/platform/DBServer.h"
#include "core/platform/Value.h"

namespace fw {

// Reads the value of a rule's WERT key for a field of DBF type `type` ('C', 'N', 'L', 'D',
// 'M', and the other types the table engine fills), in the rules file's notation:
//   text      as it stands (Windows-1252), at most `length` characters in a character field
//   number    with "." before the decimals ("19.99", "-3"), fitting the field's width and
//             decimals; also for the binary number types
//   logical   1 or 0; J, Y, T, .T. for true and N, F, .F. for false are taken too
//   date      TT.MM.JJJJ; also for date-time fields
// An empty text gives no value: the field stays blank. On failure returns false with a German
// sentence in `error`.
bool ParseConstantValue(std::string_view text, char type, uint32_t length, uint32_t decimals,
                        Value& value, std::string& error);

// The same value in every record; no value leaves the field blank.
class ConstantColumn : public ColumnSource {
public:
  explicit ConstantColumn(Value value) : value_(std::move(value)) {}
  void Produce(FieldWriter& out) override;

private:
  Value value_;
};

}  // namespace fw
