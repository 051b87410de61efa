#include "ui/platform/bArrayServer.h"

#include <algorithm>
#include <cctype>

namespace fw {
namespace {

Value BlankOf(const FieldInfo& field) {
  switch (field.Type) {
    case 'N': case 'F': return Value(0.0);
    case 'L': return Value(false);
    case 'D': return Value(Date());
    default: return Value(std::string());
  }
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::toupper(static_cast<unsigned char>(x)) ==
                  std::toupper(static_cast<unsigned char>(y));
         });
}

}  // namespace

bArrayServer::bArrayServer(std::vector<FieldInfo> structure, std::vector<std::vector<Value>> rows)
    : structure_(std::move(structure)), rows_(std::move(rows)) {
  for (auto& row : rows_) {
    row.resize(structure_.size());
    for (size_t i = 0; i < row.size(); ++i)
      if (row[i].IsNil()) row[i] = BlankOf(structure_[i]);
  }
  recNo_ = rows_.empty() ? 0 : 1;
}

std::vector<Value> bArrayServer::ReadRecord(uint32_t recNo) {
  if (recNo < 1 || recNo > rows_.size()) return {};
  return rows_[recNo - 1];
}

bool bArrayServer::WriteField(uint32_t recNo, int fieldPos, const Value& value) {
  if (recNo < 1 || recNo > rows_.size() || fieldPos < 1 || size_t(fieldPos) > structure_.size())
    return false;
  rows_[recNo - 1][size_t(fieldPos - 1)] = value;
  return true;
}

bool bArrayServer::GoTo(uint32_t recNo) {
  if (recNo < 1 || recNo > rows_.size()) return false;
  recNo_ = recNo;
  return true;
}

Value bArrayServer::FieldGet(std::string_view name) const {
  if (recNo_ < 1 || recNo_ > rows_.size()) return {};
  for (size_t i = 0; i < structure_.size(); ++i)
    if (SameName(structure_[i].Name, name)) return rows_[recNo_ - 1][i];
  return {};
}

}  // namespace fw
