#include "core/generate/ParentValues.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/app/Utilities.h"
#include "core/fields/FieldKind.h"
#include "core/platform/CodePage.h"
#include "core/platform/FieldBytes.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

std::string Utf8(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

}  // namespace

ParentColumn::ParentColumn(const FieldInfo& field, uint32_t reserve) : field_(field) {
  switch (KindOfField(field).value_or(FieldKind::Character)) {
    case FieldKind::Numeric:
      kind_ = Kind::Number;
      numbers_.reserve(reserve);
      break;
    case FieldKind::Date:
      kind_ = Kind::Date;
      days_.reserve(reserve);
      break;
    case FieldKind::Logic:
      kind_ = Kind::Logic;
      logics_.reserve(reserve);
      break;
    default:
      kind_ = Kind::Text;
      width_ = std::max<uint32_t>(field.Length, 1);
      texts_.reserve(size_t(reserve) * width_);
      break;
  }
}

void ParentColumn::Add(const Value& value) {
  switch (kind_) {
    case Kind::Text: {
      const std::string_view text = TrimRight(value.AsText());
      const size_t take = std::min<size_t>(text.size(), width_);
      texts_.append(text.data(), take);
      texts_.append(width_ - take, ' ');
      longest_ = std::max(longest_, uint32_t(take));
      break;
    }
    case Kind::Number: {
      const double n = value.AsNumber();
      if (size_ == 0 || n < min_) min_ = n;
      if (size_ == 0 || n > max_) max_ = n;
      numbers_.push_back(n);
      break;
    }
    case Kind::Date: days_.push_back(value.AsDate().DayNumber()); break;
    case Kind::Logic: logics_.push_back(value.AsLogic() ? 1 : 0); break;
  }
  ++size_;
}

void ParentColumn::Put(uint32_t index, FieldWriter& out) const {
  switch (kind_) {
    case Kind::Text:
      out.PutText(TrimRight(std::string_view(texts_).substr(size_t(index) * width_, width_)));
      break;
    case Kind::Number: out.PutNumber(numbers_[index]); break;
    case Kind::Date: out.PutDate(At(index).AsDate()); break;
    case Kind::Logic: out.PutLogic(logics_[index] != 0); break;
  }
}

Value ParentColumn::At(uint32_t index) const {
  switch (kind_) {
    case Kind::Text:
      return Value(std::string(
          TrimRight(std::string_view(texts_).substr(size_t(index) * width_, width_))));
    case Kind::Number: return Value(numbers_[index]);
    case Kind::Date: {
      const int32_t day = days_[index];
      return Value(day == 0 ? Date() : Date::FromYmd(1, 1, 1).AddDays(day - 1));
    }
    case Kind::Logic: return Value(logics_[index] != 0);
  }
  return Value();
}

const ParentColumn* ParentValues::Column(std::string_view name) const {
  for (const ParentColumn& column : Columns)
    if (EqualIgnoringCase(column.Field().Name, name)) return &column;
  return nullptr;
}

bool ReadParentValues(DBServer& parent, const std::vector<std::string>& fieldNames,
                      ParentValues& result, std::string& error) {
  // Built aside: a refused call leaves `result` as it was.
  ParentValues out;
  out.Path = parent.FileName();  // the file system's name (UTF-8), shown as it is
  const std::vector<FieldInfo>& structure = parent.DBStruct();
  std::vector<int> positions;
  for (const std::string& name : fieldNames) {
    const int pos = parent.FieldPos(name);
    if (pos == 0) {
      error = "Die Tabelle " + parent.FileName() + " hat kein Feld " + Utf8(name) + ".";
      return false;
    }
    const FieldInfo& field = structure[size_t(pos - 1)];
    const std::optional<FieldKind> kind = KindOfField(field);
    if (!kind || *kind == FieldKind::Memo) {
      error = "Das Feld " + Utf8(name) + " der Tabelle " + parent.FileName() +
              " ist ein Feld vom Typ " + std::string(1, field.Type) +
              "; auf seine Werte kann kein anderes Feld verweisen.";
      return false;
    }
    positions.push_back(pos);
    out.Columns.emplace_back(field, parent.RecCount());
  }
  const uint32_t records = parent.RecCount();
  if (records > 0 && parent.GoTop()) {
    for (uint32_t i = 1; i <= records && !parent.Eof(); ++i) {
      if (!parent.Deleted()) {
        for (size_t c = 0; c < positions.size(); ++c)
          out.Columns[c].Add(parent.FieldGet(positions[c]));
        ++out.Records;
      }
      parent.Skip(1);
    }
  }
  result = std::move(out);
  return true;
}

std::string ParentFitsField(const ParentColumn& column, const FieldInfo& target) {
  const FieldInfo& source = column.Field();
  const std::optional<FieldKind> from = KindOfField(source), to = KindOfField(target);
  if (!to || from != to || *to == FieldKind::Memo)
    return "Das Feld " + Utf8(source.Name) + " (Typ " + std::string(1, source.Type) +
           ") passt nicht zum Feld " + Utf8(target.Name) + " (Typ " +
           std::string(1, target.Type) + ").";
  if (*to == FieldKind::Character && column.LongestText() > target.Length)
    return "Werte des Feldes " + Utf8(source.Name) + " sind bis zu " +
           std::to_string(column.LongestText()) + " Zeichen lang; das Feld " +
           Utf8(target.Name) + " hat nur " + std::to_string(target.Length) + ".";
  if (*to == FieldKind::Numeric && column.Size() > 0 &&
      !NumbersFitFieldOfType(column.Smallest(), column.Largest(), false, target.Type,
                             target.Length, target.Decimals))
    return "Die Werte des Feldes " + Utf8(source.Name) + " von " +
           NumberText(column.Smallest()) + " bis " + NumberText(column.Largest()) +
           " passen nicht in das Feld " + Utf8(target.Name) + ".";
  return {};
}

std::string ParentFieldFits(const std::string& parentPath, const std::string& parentField,
                            const FieldInfo& target) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(parentPath, ec))
    return "Die Tabelle " + parentPath + " gibt es nicht.";
  DBServer parent(parentPath, true, true);
  if (!parent.Used()) return "Die Tabelle " + parentPath + " kann nicht geöffnet werden.";
  ParentValues values;
  std::string error;
  if (!ReadParentValues(parent, {parentField}, values, error)) return error;
  return ParentFitsField(values.Columns.front(), target);
}

}  // namespace fw
