#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

// One table of a project: the section "[kunden.dbf]" with its keys.
struct ProjectTable {
  std::string Name;       // the section's name as written (a path relative to the project), UTF-8
  std::string Path;       // the table's path, resolved against the project file's folder
  uint32_t Records = 0;   // SAETZE; 0: as many as the table's references give (JE)
  std::string Rules;      // REGELN as written (UTF-8); empty: the rules the analysis gives
  std::string RulesPath;  // resolved like Path; empty without REGELN
  bool Empty = false;     // LEEREN=1: the table is emptied before it is filled
  int Line = 0;           // the section's line in the file, for messages
};

// A project file: several tables of one folder filled in one run under one seed.
//
//   [PROJEKT]
//   SEED=7
//   [kunden.dbf]
//   SAETZE=300
//   REGELN=kunden.ini
//   [auftrag.dbf]
//   REGELN=auftrag.ini      ; its KDNR refers to kunden.dbf
//
// Keys and section names match without regard to case; ";" and "#" start a comment at the
// start of a line, and ";" after a blank also behind a value.
struct Project {
  std::string Path;     // the project file
  uint64_t Seed = 0;    // 0: a fresh seed for the run
  std::vector<ProjectTable> Tables;  // in the file's order
};

// Reads a project file. Returns false with a German message naming the file and the line
// when the file cannot be read, a line is no key, a key is unknown, a value is not of its
// kind, a table is named twice or no table is named at all.
bool ReadProject(const std::string& path, Project& out, std::string& error);

// The text of a project file for `project` (paths as written in Name and Rules).
std::string ProjectText(const Project& project);

// The project as a project file at `path` names it: the path set, and each relative table and
// rules name rewritten relative to the new file's folder when that is another one, so that the
// names still lead to the same files. Absolute names stay as they are.
void MoveProject(Project& project, const std::string& path);

// Writes the project file; false with a German message when it cannot be written.
bool WriteProject(const std::string& path, const Project& project, std::string& error);

}  // namespace fw
