#pragma once
#include <cstdint>
#include <string_view>

#include "core/platform/Date.h"

namespace fw::expr {

// What an expression reads of the record it is evaluated on. Fields are addressed by the index
// the field resolver gave at compile time; an expression only ever asks a field for the kind
// its resolver named (Text of a C field, Number of an N field, ...). Text is the field's bytes
// in the table's code page, trailing blanks included, valid until the record changes.
class RecordView {
public:
  virtual ~RecordView() = default;
  virtual std::string_view Text(uint32_t field) const = 0;
  virtual double Number(uint32_t field) const = 0;
  virtual Date DateOf(uint32_t field) const = 0;
  virtual bool Logic(uint32_t field) const = 0;
  // The record number, 1 for the first record.
  virtual uint32_t RecNo() const = 0;
  virtual bool Deleted() const = 0;
};

}  // namespace fw::expr
