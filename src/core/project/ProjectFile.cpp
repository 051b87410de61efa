#include "core/project/ProjectFile.h"

#include <filesystem>
#include <fstream>

#include "core/app/Utilities.h"
#include "core/app/WholeFile.h"
#include "core/platform/CodePage.h"
#include "core/platform/TextTrim.h"
#include "core/generate/Random.h"

namespace fw {
namespace {

constexpr uint64_t kMaxProjectFileBytes = 1u << 20;
constexpr const char* kProjectSection = "PROJEKT";

std::string Trimmed(std::string_view s) { return std::string(TrimRight(TrimLeft(s), " \t\r")); }

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

// A value without a comment behind it: ";" after a blank or a tab starts one.
std::string WithoutComment(std::string_view value) {
  for (size_t i = 1; i < value.size(); ++i)
    if (value[i] == ';' && (value[i - 1] == ' ' || value[i - 1] == '\t'))
      return Trimmed(value.substr(0, i));
  return Trimmed(value);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string Resolved(const std::string& folder, const std::string& name) {
  if (name.empty() || name[0] == '/') return name;
  return folder + name;
}

bool ParseCount(const std::string& text, uint32_t& out) {
  if (!AllDigits(text) || text.size() > 10) return false;
  const uint64_t n = std::stoull(text);
  if (n > 0xFFFFFFFFull) return false;
  out = uint32_t(n);
  return true;
}

}  // namespace

bool ReadProject(const std::string& path, Project& out, std::string& error) {
  out = Project{};
  out.Path = path;
  std::string text;
  switch (ReadCp1252TextFile(path, kMaxProjectFileBytes, text)) {
    case WholeFileRead::Ok: break;
    case WholeFileRead::Missing:
      error = "Die Projektdatei " + path + " ist nicht vorhanden.";
      return false;
    case WholeFileRead::TooLarge:
      error = "Die Projektdatei " + path + " ist zu groß (mehr als 1 MB).";
      return false;
    default:
      error = "Die Projektdatei " + path + " kann nicht gelesen werden.";
      return false;
  }
  const std::string folder = FolderOf(path);
  auto fail = [&](int line, const std::string& why) {
    error = "Projektdatei " + path + ", Zeile " + std::to_string(line) + ": " + why;
    return false;
  };
  enum class In { Nothing, Project, Table } in = In::Nothing;
  int lineNo = 0;
  size_t at = 0;
  while (at <= text.size()) {
    const size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = Trimmed(std::string_view(text).substr(at, end - at));
    at = end + 1;
    ++lineNo;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      const size_t close = line.find(']');
      if (close == std::string::npos || close == 1)
        return fail(lineNo, "Der Abschnitt \"" + Cp1252ToUtf8(line) + "\" ist unvollständig.");
      // Names and paths are kept as the file system spells them (UTF-8).
      const std::string name = Cp1252ToUtf8(Trimmed(std::string_view(line).substr(1, close - 1)));
      if (Upper(name) == kProjectSection) {
        in = In::Project;
        continue;
      }
      for (const ProjectTable& table : out.Tables)
        if (EqualIgnoringCase(table.Name, name))
          return fail(lineNo, "Die Tabelle " + name + " steht zweimal im Projekt.");
      ProjectTable table;
      table.Name = name;
      table.Path = Resolved(folder, name);
      table.Line = lineNo;
      out.Tables.push_back(std::move(table));
      in = In::Table;
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos)
      return fail(lineNo, "\"" + Cp1252ToUtf8(line) + "\" ist keine Zeile der Form SCHLÜSSEL=Wert.");
    const std::string key = Upper(Trimmed(std::string_view(line).substr(0, eq)));
    const std::string value = WithoutComment(std::string_view(line).substr(eq + 1));
    if (in == In::Nothing)
      return fail(lineNo, "Vor dem ersten Abschnitt steht ein Schlüssel (" + Cp1252ToUtf8(key) + ").");
    if (in == In::Project) {
      if (key != "SEED")
        return fail(lineNo, "Der Abschnitt [PROJEKT] kennt den Schlüssel " + Cp1252ToUtf8(key) +
                                " nicht (nur SEED).");
      out.Seed = SeedFromText(value);
      if (out.Seed == 0 && !value.empty() && value != "0")
        return fail(lineNo, "SEED muss eine ganze Zahl ab 1 sein (0 oder leer: jedes Mal neu).");
      continue;
    }
    ProjectTable& table = out.Tables.back();
    if (key == "SAETZE") {
      if (!ParseCount(value, table.Records))
        return fail(lineNo, "SAETZE muss eine ganze Zahl von 0 bis 4294967295 sein.");
    } else if (key == "REGELN") {
      table.Rules = Cp1252ToUtf8(value);
      table.RulesPath = Resolved(folder, table.Rules);
    } else if (key == "LEEREN") {
      if (value != "0" && value != "1") return fail(lineNo, "LEEREN muss 0 oder 1 sein.");
      table.Empty = value == "1";
    } else {
      return fail(lineNo, "Der Schlüssel " + Cp1252ToUtf8(key) +
                              " ist unbekannt (eine Tabelle kennt SAETZE, REGELN und LEEREN).");
    }
  }
  if (out.Tables.empty()) {
    error = "Die Projektdatei " + path + " nennt keine Tabelle.";
    return false;
  }
  return true;
}

std::string ProjectText(const Project& project) {
  std::string text = "[PROJEKT]\n";
  if (project.Seed != 0) text += "SEED=" + std::to_string(project.Seed) + "\n";
  for (const ProjectTable& table : project.Tables) {
    text += "\n[" + table.Name + "]\n";
    if (table.Records != 0) text += "SAETZE=" + std::to_string(table.Records) + "\n";
    if (!table.Rules.empty()) text += "REGELN=" + table.Rules + "\n";
    if (table.Empty) text += "LEEREN=1\n";
  }
  return text;
}

void MoveProject(Project& project, const std::string& path) {
  namespace fs = std::filesystem;
  auto folderOf = [](const std::string& file) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(file, ec);
    return (ec ? fs::path(file) : absolute).lexically_normal().parent_path();
  };
  const fs::path from = folderOf(project.Path.empty() ? path : project.Path);
  const fs::path to = folderOf(path);
  project.Path = path;
  if (from == to) return;
  auto rebase = [&](std::string& name) {
    if (name.empty() || name[0] == '/') return;
    const fs::path relative = (from / name).lexically_normal().lexically_relative(to);
    if (!relative.empty()) name = relative.string();
  };
  for (ProjectTable& table : project.Tables) {
    rebase(table.Name);
    rebase(table.Rules);
  }
}

bool WriteProject(const std::string& path, const Project& project, std::string& error) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << ProjectText(project);
  file.close();
  if (!file) {
    error = "Die Projektdatei " + path + " kann nicht geschrieben werden.";
    return false;
  }
  return true;
}

}  // namespace fw
