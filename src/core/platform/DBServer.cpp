#include "core/platform/DBServer.h"

#include "core/platform/DbfTable.h"

namespace fw {

DBServer::DBServer(const std::string& fileName, bool, bool, const std::string& driver)
    : driver_(driver), fileName_(fileName) {}
DBServer::~DBServer() = default;
bool DBServer::Create(const std::string&, const std::vector<FieldInfo>&, const std::string&) {
  return false;
}
bool DBServer::Used() const { return false; }
const std::string& DBServer::Driver() const { return driver_; }
const std::string& DBServer::FileName() const { return fileName_; }
bool DBServer::SetIndex(int) { return true; }
uint32_t DBServer::RecCount() const { return 0; }
uint32_t DBServer::RecNo() const { return 0; }
bool DBServer::Eof() const { return true; }
bool DBServer::Bof() const { return true; }
const std::vector<FieldInfo>& DBServer::DBStruct() const {
  static const std::vector<FieldInfo> none;
  return none;
}
int DBServer::FieldPos(std::string_view) const { return 0; }
bool DBServer::GoTop() { return false; }
bool DBServer::GoTo(uint32_t) { return false; }
bool DBServer::Skip(int32_t) { return false; }
bool DBServer::Append() { return false; }
Value DBServer::FieldGet(std::string_view) { return {}; }
Value DBServer::FieldGet(int) { return {}; }
bool DBServer::FieldPut(std::string_view, const Value&) { return false; }
bool DBServer::FieldPut(int, const Value&) { return false; }
bool DBServer::Zap() { return false; }
bool DBServer::Commit() { return false; }
bool DBServer::Close() { return false; }
bool DBServer::AppendRecords(uint32_t, std::span<const ColumnPlan>, const std::atomic<bool>*) {
  return false;
}

}  // namespace fw
