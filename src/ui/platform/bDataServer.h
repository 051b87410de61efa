#pragma once
#include <cstdint>
#include <string_view>
#include <vector>

#include "core/platform/DBServer.h"
#include "core/platform/Value.h"

namespace fw {

// What a grid needs of the data it shows: the structure, the records by number and a way to
// write one field of one record. Record numbers are 1-based. Reading and writing through this
// interface leaves the server's own record pointer where it was, so a grid that repaints in
// the middle of a run does not move the cursor the run works with.
class bDataServer {
public:
  virtual ~bDataServer() = default;
  virtual const std::vector<FieldInfo>& Structure() const = 0;
  virtual uint32_t RecCount() const = 0;
  // The values of every field of one record, in field order.
  virtual std::vector<Value> ReadRecord(uint32_t recNo) = 0;
  // Writes one field (1-based) of one record and makes it durable at once.
  virtual bool WriteField(uint32_t recNo, int fieldPos, const Value& value) = 0;
  // The record the server's own pointer is on (0 when none).
  virtual uint32_t CurrentRecord() const = 0;
};

// A table server seen by a grid.
class bDbServer : public bDataServer {
public:
  explicit bDbServer(DBServer& server) : server_(server) {}
  DBServer& Server() const { return server_; }

  const std::vector<FieldInfo>& Structure() const override { return server_.DBStruct(); }
  uint32_t RecCount() const override;
  std::vector<Value> ReadRecord(uint32_t recNo) override;
  bool WriteField(uint32_t recNo, int fieldPos, const Value& value) override;
  uint32_t CurrentRecord() const override { return server_.RecNo(); }

private:
  void Restore(uint32_t recNo);
  DBServer& server_;
};

}  // namespace fw
