#include "core/fields/RememberedRules.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/app/UserFolders.h"
#include "core/fields/IndexFilesKey.h"
#include "core/fields/RulesFile.h"

namespace fw {
namespace {

constexpr const char* kTableLine = "; Tabelle: ";

std::string AbsolutePath(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

// FNV-1a, 64 bits: stable across machines and library versions, which std::hash is not.
uint64_t PathHash(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  return hash;
}

std::string FirstLine(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::string line;
  if (!file || !std::getline(file, line)) return {};
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

std::string RememberedRulesFile(const std::string& tablePath) {
  const std::string folder = UserConfigFolder();
  if (folder.empty()) return {};
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.ini",
                static_cast<unsigned long long>(PathHash(AbsolutePath(tablePath))));
  return folder + "regeln/" + name;
}

bool RememberRules(const std::string& tablePath, DBServer& target, DefinitionTables& tables) {
  const RuleSet rules = tables.Load(target.DBStruct());
  tables.GoTopAll();
  return RememberRules(tablePath, target, rules);
}

bool RememberRules(const std::string& tablePath, DBServer& target, const RuleSet& rules) {
  const std::string file = RememberedRulesFile(tablePath);
  if (file.empty() || !MakeFolders(file.substr(0, file.rfind('/')))) return false;
  const std::string absolute = AbsolutePath(tablePath);
  // A path with a line break could not be named on the first line: such a table is not
  // remembered.
  if (absolute.find_first_of("\r\n") != std::string::npos) return false;
  const std::string temporary = file + ".neu." + std::to_string(::getpid());
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << kTableLine << absolute << "\n"
        << "; Die zuletzt verwendeten Regeln dieser Tabelle, vom Programm geschrieben.\n"
        << RulesText(target, rules, FolderOfFile(file));
    out.close();
    if (!out) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (std::rename(temporary.c_str(), file.c_str()) != 0) {
    std::remove(temporary.c_str());
    return false;
  }
  return true;
}

std::string FindRememberedRules(const std::string& tablePath) {
  const std::string file = RememberedRulesFile(tablePath);
  if (file.empty()) return {};
  if (FirstLine(file) != kTableLine + AbsolutePath(tablePath)) return {};
  return file;
}

std::string RulesOnly(const std::string& rulesText) {
  std::istringstream lines(rulesText);
  std::string line, rules;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    rules += line;
    rules += '\n';
  }
  return rules;
}

}  // namespace fw
