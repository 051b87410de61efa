#include "ui/platform/bDataServer.h"

namespace fw {

uint32_t bDbServer::RecCount() const { return server_.Used() ? server_.RecCount() : 0; }

void bDbServer::Restore(uint32_t recNo) {
  if (recNo >= 1 && recNo <= server_.RecCount() && server_.RecNo() != recNo) server_.GoTo(recNo);
}

std::vector<Value> bDbServer::ReadRecord(uint32_t recNo) {
  std::vector<Value> values;
  if (!server_.Used() || recNo < 1 || recNo > server_.RecCount()) return values;
  const uint32_t saved = server_.RecNo();
  if (server_.RecNo() != recNo) server_.GoTo(recNo);
  const int fields = int(server_.DBStruct().size());
  values.reserve(size_t(fields));
  for (int pos = 1; pos <= fields; ++pos) values.push_back(server_.FieldGet(pos));
  Restore(saved);
  return values;
}

bool bDbServer::WriteField(uint32_t recNo, int fieldPos, const Value& value) {
  if (!server_.Used() || recNo < 1 || recNo > server_.RecCount()) return false;
  const uint32_t saved = server_.RecNo();
  if (server_.RecNo() != recNo) server_.GoTo(recNo);
  const bool ok = server_.FieldPut(fieldPos, value) && server_.Commit();
  Restore(saved);
  return ok;
}

}  // namespace fw
