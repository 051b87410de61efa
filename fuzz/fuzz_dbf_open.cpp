// Opens arbitrary bytes as a table with its memo file, reads every field of every record, then
// appends a record and writes every field. The files live in memory behind the engine's file
// seam. Input layout: the first byte picks the driver; the next two bytes (little-endian) give
// the length of the table part; the table part follows, and the rest is the memo file.
#include <cstdint>
#include <string>

#include "MemoryFiles.h"
#include "core/platform/DBServer.h"
#include "core/platform/Error.h"

namespace {

fuzz::MemoryFiles& Files() {
  static fuzz::MemoryFiles* files = [] {
    auto* f = new fuzz::MemoryFiles;
    fw::SetFileIo(f);
    return f;
  }();
  return *files;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const char* const kDrivers[] = {"", "DBFNTX", "DBFMDX", "DBFCDX"};
  const char* driver = kDrivers[data[0] % 4];
  const size_t tableSize = std::min<size_t>(size - 3, size_t(data[1]) | (size_t(data[2]) << 8));
  const char* table = reinterpret_cast<const char*>(data + 3);
  const size_t memoSize = size - 3 - tableSize;

  fuzz::MemoryFiles& files = Files();
  files.Reset();
  const std::string dbf = "/fuzz/t.dbf";
  files.Files[dbf].assign(table, tableSize);
  files.Files["/fuzz/t.dbt"].assign(table + tableSize, memoSize);
  files.Files["/fuzz/t.fpt"].assign(table + tableSize, memoSize);

  fw::ScopedErrorBlock quiet([](fw::Error&) { return fw::ErrorAction::Default; });
  {
    fw::DBServer server(dbf, false, true, driver);
    if (server.Used()) {
      const size_t fields = server.DBStruct().size();
      uint32_t records = 0;
      for (server.GoTop(); !server.Eof() && records < 10000; server.Skip(), ++records) {
        for (size_t i = 1; i <= fields; ++i) server.FieldGet(int(i));
      }
      server.GoTo(server.RecCount());
      server.Skip(-1);
      if (fields) server.FieldGet(1);
    }
  }
  // Writing as well: open read-write, append a record and put a value in each field.
  {
    fw::DBServer server(dbf, false, false, driver);
    if (server.Used() && server.RecCount() < 10000) {
      server.Append();
      for (size_t i = 1; i <= server.DBStruct().size(); ++i) {
        switch (server.DBStruct()[i - 1].Type) {
          case 'C': case 'V': case 'M': server.FieldPut(int(i), fw::Value("f\xFC\xDF")); break;
          case 'N': case 'F': case 'I': case 'B': case 'Y': case 'O': case '+':
            server.FieldPut(int(i), fw::Value(-1.5));
            break;
          case 'L': server.FieldPut(int(i), fw::Value(true)); break;
          case 'D': case 'T': case '@':
            server.FieldPut(int(i), fw::Value(fw::Date::FromYmd(2000, 1, 1)));
            break;
          default: break;
        }
      }
      server.Close();
    }
  }
  return 0;
}
