#pragma once
#include <string_view>
#include <vector>

#include "ui/platform/bDataServer.h"

namespace fw {

// A data server over rows held in memory: a structure array and one value per field and row.
// Shorter rows read as blank values of their fields.
class bArrayServer : public bDataServer {
public:
  bArrayServer(std::vector<FieldInfo> structure, std::vector<std::vector<Value>> rows);

  const std::vector<FieldInfo>& Structure() const override { return structure_; }
  uint32_t RecCount() const override { return uint32_t(rows_.size()); }
  std::vector<Value> ReadRecord(uint32_t recNo) override;
  bool WriteField(uint32_t recNo, int fieldPos, const Value& value) override;
  uint32_t CurrentRecord() const override { return recNo_; }

  bool GoTo(uint32_t recNo);
  // The value of a field of the current row, by name without regard to case; no value for an
  // unknown field or when there is no current row.
  Value FieldGet(std::string_view name) const;

private:
  std::vector<FieldInfo> structure_;
  std::vector<std::vector<Value>> rows_;
  uint32_t recNo_ = 0;
};

}  // namespace fw
