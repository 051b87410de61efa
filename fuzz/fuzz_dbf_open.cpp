// Opens arbitrary bytes as a table with its memo file and reads every field of every record.
// Input layout: the first byte picks the memo format (and so the driver); the next two bytes
// (little-endian) give the length of the table part; the table part follows, and the rest is
// the memo file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/errors/Error.h"
#include "core/platform/DBServer.h"

namespace {

const std::string& WorkFolder() {
  static const std::string folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "fuzzdbf-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  static const char* const kDrivers[] = {"", "DBFNTX", "DBFMDX", "DBFCDX"};
  const char* driver = kDrivers[data[0] % 4];
  size_t tableSize = std::min<size_t>(size - 3, size_t(data[1]) | (size_t(data[2]) << 8));
  const uint8_t* table = data + 3;
  const uint8_t* memo = table + tableSize;
  size_t memoSize = size - 3 - tableSize;

  const std::string dbf = WorkFolder() + "/t.dbf";
  WriteFile(dbf, table, tableSize);
  WriteFile(WorkFolder() + "/t.dbt", memo, memoSize);
  WriteFile(WorkFolder() + "/t.fpt", memo, memoSize);

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
          case 'C': case 'M': server.FieldPut(int(i), fw::Value("fuzz")); break;
          case 'N': case 'F': server.FieldPut(int(i), fw::Value(1.5)); break;
          case 'L': server.FieldPut(int(i), fw::Value(true)); break;
          case 'D': server.FieldPut(int(i), fw::Value(fw::Date::FromYmd(2000, 1, 1))); break;
          default: break;
        }
      }
      server.Close();
    }
  }
  return 0;
}
