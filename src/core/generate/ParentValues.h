#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/platform/DBServer.h"
#include "core/platform/Date.h"
#include "core/platform/Value.h"

namespace fw {

// The values of some fields of another table (the parent), one per record that is not marked
// deleted, read once before a run whose fields refer to that table. A reference draws one
// parent record per new record and writes its key; the fields looked up with it copy other
// fields of the very same parent record.
//
// Memory grows with the parent's records only: a text field keeps its bytes in one buffer of
// fixed-width slots, numbers as doubles, dates as day numbers, logicals as bytes.
class ParentColumn {
public:
  ParentColumn(const FieldInfo& field, uint32_t reserve);

  const FieldInfo& Field() const { return field_; }
  uint32_t Size() const { return size_; }
  void Add(const Value& value);
  // Writes the value of parent record `index` (0-based among the records read).
  void Put(uint32_t index, FieldWriter& out) const;
  Value At(uint32_t index) const;

  // The longest text (blanks at the end not counted), and the smallest and largest number.
  uint32_t LongestText() const { return longest_; }
  double Smallest() const { return min_; }
  double Largest() const { return max_; }

private:
  enum class Kind { Text, Number, Date, Logic };
  FieldInfo field_;
  Kind kind_;
  uint32_t width_ = 0;  // slot width of a text
  uint32_t size_ = 0;
  std::string texts_;
  std::vector<double> numbers_;
  std::vector<int32_t> days_;
  std::vector<uint8_t> logics_;
  uint32_t longest_ = 0;
  double min_ = 0, max_ = 0;
};

// The fields of a parent table that a child table uses, read in one pass over its records.
struct ParentValues {
  std::string Path;
  std::vector<ParentColumn> Columns;  // in the order the field names were asked for
  uint32_t Records = 0;               // records read (those not marked deleted)
  // The column of a field name (upper case, as the table stores it); nullptr when not read.
  const ParentColumn* Column(std::string_view name) const;
};

// Reads the named fields of every record of `parent` that is not marked deleted. Returns
// false with a German message in `error` naming the table and the field when the table has no
// such field or a field of a kind whose values cannot be referred to (memos, binary fields);
// `out` is then left as it was.
bool ReadParentValues(DBServer& parent, const std::vector<std::string>& fieldNames,
                      ParentValues& out, std::string& error);

// Whether every value of `column` fits the field `target` of the child table: a text no
// longer than the child's text field, a number that the child's numeric field holds, a date
// into a date, a logical into a logical. Empty when they fit, else the German reason.
std::string ParentFitsField(const ParentColumn& column, const FieldInfo& target);

// The check a run makes before it writes a reference, for the field `parentField` of the table
// at `parentPath` and the child's field `target`: reads that field's values and checks them as
// ParentFitsField does. Empty when they fit, else the German reason (also when the table is not
// there or has no such field). An error opening the table goes to the error block in force.
std::string ParentFieldFits(const std::string& parentPath, const std::string& parentField,
                            const FieldInfo& target);

}  // namespace fw
