#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fields/RuleSource.h"
#include "core/generate/ExistingValues.h"
#include "core/generate/SourceData.h"
#include "core/platform/DBServer.h"

namespace fw {

// The columns of the built-in sources (the names and the enum Generated are the source
// resolver's, core/fields/RuleSource.h). Columns of one record that draw from the same group
// (a place, a person) agree with each other: each of them replays the same stream of the
// group, so the n-th record's postcode, town, federal state and area code come from the same
// pair, and its salutation and e-mail address from the same person as its first and last name.

// The word files (names without ".txt") a source needs, in the order MakeGeneratedColumn
// takes their entries.
std::vector<std::string> GeneratedFiles(Generated source);

// The streams shared by the columns of one run: every column of a group replays its stream.
// `TownWidth`, when not 0, is the narrowest field of the run that gets the town: the place
// columns then draw only from the pairs whose town fits it whole (all of them the same pairs,
// so that they stay in step), unless no pair's town does.
struct GroupSeeds {
  uint64_t Places = 0, People = 0;
  uint32_t TownWidth = 0;
  bool TownWidthInUtf8 = false;  // the table holds UTF-8: the width counts its bytes
};

// What the records already in the table hold, for a source that makes its values distinct
// itself: the numbers taken (Nummer: the numbers; IBAN: the account numbers) and the largest
// running number its texts end with (EMail).
struct TakenValues {
  std::shared_ptr<const TakenIndices> Indices;
  uint64_t LastNumber = 0;
};

// The column of a built-in source. `files` holds the entries of GeneratedFiles(source), each
// with at least one entry. `unique` asks for distinct values where the source can give them
// itself (Nummer, EMail, IBAN), none of them one of the `taken` values.
std::unique_ptr<ColumnSource> MakeGeneratedColumn(
    Generated source, uint64_t seed, const GroupSeeds& groups,
    const std::vector<std::shared_ptr<const std::vector<std::string>>>& files,
    uint32_t fieldLength, bool unique, const TakenValues& taken = {});

// True when the source makes its values distinct itself when asked to.
bool GeneratedMakesUnique(Generated source);

// How many distinct values the source can give for a field of `fieldLength` (Nummer only;
// 0 for the others, which are made distinct by a suffix).
uint64_t GeneratedCapacity(Generated source, uint32_t fieldLength);

// The local part of an e-mail address for a first and a last name (Windows-1252): lower case
// ASCII, umlauts and ß written out (ä -> ae, ß -> ss), accents dropped, blanks and other signs
// left out.
std::string MailName(std::string_view cp1252);

// The reserved example domains the addresses use (example.com, .org, .net and *.example).
const std::vector<std::string>& MailDomains();

}  // namespace fw
