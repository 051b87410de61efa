#pragma once
#include <string>
#include <vector>

#include "core/platform/DBServer.h"

namespace fw::test {

// A table with one field of each kind the engine fills:
// NAME C(20), BETRAG N(10,2), DATUM D, AKTIV L, NOTIZ M, ZAHL F(8,3).
std::vector<FieldInfo> MixedFields();

// Creates a table and returns its path; fails the current test when it cannot.
std::string CreateTable(const std::string& path, const std::vector<FieldInfo>& fields,
                        const std::string& driver = "DBFNTX");

}  // namespace fw::test
