// Writes the delivered tables beside the program: the five empty field-definition tables in
// <bin>/ProgrammDaten/ (rewritten only when missing or of another structure) and the sample
// table <bin>/TestDaten/Kunden.dbf with its memo file (only when missing).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/fields/DefinitionTables.h"
#include "core/platform/DBServer.h"
#include "core/platform/Error.h"

namespace {

using fw::FieldInfo;
namespace fs = std::filesystem;

bool SameStructure(const std::vector<FieldInfo>& a, const std::vector<FieldInfo>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].Name != b[i].Name || a[i].Type != b[i].Type || a[i].Length != b[i].Length ||
        a[i].Decimals != b[i].Decimals) {
      return false;
    }
  }
  return true;
}

bool HasStructure(const std::string& path, const std::vector<FieldInfo>& fields) {
  if (!fs::exists(path)) return false;
  fw::DBServer table(path, true, true);
  return table.Used() && SameStructure(table.DBStruct(), fields);
}

// Creates the table under a temporary name and moves it into place, so that a stopped build
// never leaves half a table.
bool WriteTable(const std::string& path, const std::vector<FieldInfo>& fields) {
  const std::string temporary = path + ".new.dbf";
  std::error_code ec;
  fs::remove(temporary, ec);
  if (!fw::DBServer::Create(temporary, fields, "DBFNTX")) return false;
  fs::rename(temporary, path, ec);
  if (ec) {
    std::fprintf(stderr, "fw-make-tables: %s: %s\n", path.c_str(), ec.message().c_str());
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fw-make-tables <bin folder>\n");
    return 2;
  }
  fw::ScopedErrorBlock report([](fw::Error& error) {
    std::fprintf(stderr, "fw-make-tables: %s: %s\n", error.FileName.c_str(),
                 error.Description.c_str());
    return fw::ErrorAction::Default;
  });
  const fs::path bin(argv[1]);
  std::error_code ec;
  fs::create_directories(bin / "ProgrammDaten", ec);
  fs::create_directories(bin / "TestDaten", ec);
  bool ok = true;

  for (fw::FieldKind kind : fw::kFieldKinds) {
    const std::string path = (bin / "ProgrammDaten" / fw::DefinitionTables::FileName(kind)).string();
    const std::vector<FieldInfo> fields = fw::DefinitionTables::Structure(kind);
    if (!HasStructure(path, fields)) ok = WriteTable(path, fields) && ok;
  }

  const fs::path kunden = bin / "TestDaten" / "Kunden.dbf";
  if (!fs::exists(kunden)) {
    const std::vector<FieldInfo> fields = {
        {"NAME", 'C', 20, 0},   {"VORNAME", 'C', 15, 0}, {"STRASSE", 'C', 25, 0},
        {"PLZ", 'C', 5, 0},     {"ORT", 'C', 20, 0},     {"UMSATZ", 'N', 10, 2},
        {"KUNDENNR", 'N', 8, 0}, {"AKTIV", 'L', 1, 0},   {"GEBDATUM", 'D', 8, 0},
        {"NOTIZ", 'M', 10, 0}};
    fs::remove(bin / "TestDaten" / "Kunden.dbt", ec);  // a memo file without its table
    ok = fw::DBServer::Create(kunden.string(), fields, "DBFNTX") && ok;
  }
  return ok ? 0 : 1;
}
