#include "core/fields/RuleSource.h"

#include "core/app/Utilities.h"
#include "core/platform/TextTrim.h"

namespace fw {
namespace {

struct NameOf {
  Generated Source;
  const char* Name;
};
constexpr NameOf kNames[] = {
    {Generated::StreetNumber, "StrasseNr"}, {Generated::HouseNumber, "Hausnummer"},
    {Generated::Postcode, "Postleitzahl"},  {Generated::Town, "Ortsname"},
    {Generated::State, "Bundesland"},      {Generated::Country, "Land"},
    {Generated::Phone, "Telefon"},          {Generated::FirstName, "Vorname"},
    {Generated::LastName, "Nachname"},      {Generated::Salutation, "Anrede"},
    {Generated::Email, "EMail"},            {Generated::Company, "Firma"},
    {Generated::Iban, "IBAN"},              {Generated::Bic, "BIC"},
    {Generated::Digits, "Nummer"},
};

struct KindName {
  SourceKind Kind;
  const char* Name;
};
constexpr KindName kParameterNames[] = {
    {SourceKind::List, "Liste"},      {SourceKind::Mask, "Maske"},
    {SourceKind::Sequence, "Folge"},  {SourceKind::Constant, "Wert"},
    {SourceKind::Formula, "Formel"},  {SourceKind::Sentences, "Saetze"},
};

}  // namespace

const char* ParameterSourceName(SourceKind kind) {
  for (const KindName& entry : kParameterNames)
    if (entry.Kind == kind) return entry.Name;
  return "";
}

std::optional<SourceKind> FindParameterSource(std::string_view name) {
  for (const KindName& entry : kParameterNames)
    if (EqualIgnoringCase(name, entry.Name)) return entry.Kind;
  return std::nullopt;
}

std::optional<Generated> FindGenerated(std::string_view name) {
  for (const NameOf& entry : kNames)
    if (EqualIgnoringCase(name, entry.Name)) return entry.Source;
  return std::nullopt;
}

const char* GeneratedName(Generated source) {
  for (const NameOf& entry : kNames)
    if (entry.Source == source) return entry.Name;
  return "";
}

RuleSource ResolveSource(std::string_view name) {
  const std::string_view trimmed = TrimRight(name);
  RuleSource source;
  if (trimmed.empty()) return source;  // the default word list
  source.Name = std::string(trimmed);
  if (trimmed == kEmptySourceName) {
    source.Kind = SourceKind::Empty;
  } else if (trimmed == kRandomSourceName) {
    source.Kind = SourceKind::RandomText;
  } else if (EqualIgnoringCase(trimmed, kTableSourceName)) {
    source.Kind = SourceKind::Table;
  } else if (const std::optional<Generated> builtin = FindGenerated(trimmed)) {
    source.Kind = SourceKind::Generated;
    source.Builtin = *builtin;
  } else if (const std::optional<SourceKind> kind = FindParameterSource(trimmed)) {
    source.Kind = *kind;
  }
  return source;
}

bool SameSource(std::string_view a, std::string_view b) {
  const RuleSource first = ResolveSource(a);
  const RuleSource second = ResolveSource(b);
  if (first.Kind != second.Kind) return false;
  switch (first.Kind) {
    case SourceKind::Empty:
    case SourceKind::RandomText: return true;
    case SourceKind::Generated: return first.Builtin == second.Builtin;
    case SourceKind::WordList: return EqualIgnoringCase(first.WordListName(), second.WordListName());
    // The other kinds are named by one word each, whatever its letter case.
    case SourceKind::Table:
    case SourceKind::List:
    case SourceKind::Mask:
    case SourceKind::Sequence:
    case SourceKind::Constant:
    case SourceKind::Formula:
    case SourceKind::Sentences: return true;
  }
  return false;
}

}  // namespace fw
