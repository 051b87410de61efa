#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace fw {

// Built-in sources whose values are put together per record from the data files of the data
// folder (their columns are in core/generate/GeneratedSources.h). Columns of one record that
// draw from the same group (a place, a person) agree with each other.
enum class Generated {
  StreetNumber,  // "StrasseNr": a street with a house number ("Lindenstraße 12a")
  HouseNumber,   // "Hausnummer": "12", "7b"
  Postcode,      // "Postleitzahl": postcode of the record's place
  Town,          // "Ortsname": town of the record's place
  State,         // "Bundesland": federal state of the record's place
  Country,       // "Land": country of the record's place ("Deutschland": the pairs are German)
  Phone,         // "Telefon": area code of the record's town when known, else a mobile number
  FirstName,     // "Vorname": first name of the record's person
  LastName,      // "Nachname": surname of the record's person
  Salutation,    // "Anrede": "Herr" or "Frau", as the person's first name says
  Email,         // "EMail": from the person's names, at a reserved example domain
  Company,       // "Firma": a company name with its legal form
  Iban,          // "IBAN": a German IBAN with valid check digits
  Bic,           // "BIC": a German-looking BIC (not a real bank's)
  Digits,        // "Nummer": digits over the whole field, leading zeros kept
};

// The built-in source of a name (without regard to letter case), if it is one.
std::optional<Generated> FindGenerated(std::string_view name);
const char* GeneratedName(Generated source);

// What a rule's source name (the QUELLE of a character or memo rule) means. A closed set:
// every place that acts on a source switches over it, so a new kind is found by the compiler
// wherever it needs a case.
enum class SourceKind {
  Empty,       // "-LEER-": the field is left as it is
  RandomText,  // "Random": letters and blanks, MAXLENGTH and FIXLENGTH apply
  WordList,    // a word file <Name>.txt of the data folder ("Worte" when none is named)
  Generated,   // a built-in source (Postleitzahl, Vorname, IBAN, ...)
  Table,       // "Tabelle": a field of another table (the rule's Reference says which)
  // Sources with parameters of their own (FieldOptions): character and memo fields name them
  // in QUELLE, the other kinds in their option of that name.
  List,       // "Liste": values with weights, WERTE
  Mask,       // "Maske": a pattern, MASKE
  Sequence,   // "Folge": a running number, START, SCHRITT, GRUPPE (and MASKE in a text)
  Constant,   // "Wert": the same value in every record, WERT
  Formula,    // "Formel": an xBase expression over the record's other fields, FORMEL
  Sentences,  // "Saetze": German sentences of the word classes Satz*.txt
};

// The name of one of the sources with parameters ("Liste", ...); "" for the other kinds.
const char* ParameterSourceName(SourceKind kind);
// The source with parameters of a name (without regard to letter case), if it is one.
std::optional<SourceKind> FindParameterSource(std::string_view name);

// The names the resolver gives a meaning of its own.
inline constexpr const char* kEmptySourceName = "-LEER-";
inline constexpr const char* kRandomSourceName = "Random";
inline constexpr const char* kDefaultWordList = "Worte";
inline constexpr const char* kTableSourceName = "Tabelle";

// A resolved source: its kind and the name it was given (Windows-1252, trailing blanks cut;
// empty for the default word list). `Builtin` says which built-in source a Generated one is.
struct RuleSource {
  SourceKind Kind = SourceKind::WordList;
  std::string Name;
  Generated Builtin = Generated::StreetNumber;

  // The word file a WordList source reads: its name, "Worte" when none is given.
  std::string WordListName() const { return Name.empty() ? kDefaultWordList : Name; }

  bool operator==(const RuleSource&) const = default;
};

// The one place a source name becomes a source: trailing blanks are cut; a blank name is the
// word list "Worte"; "-LEER-" and "Random" are compared exactly; a built-in source's name,
// "Tabelle" and the name of a source with parameters without regard to letter case (the name
// keeps its spelling); any other name is a word file.
RuleSource ResolveSource(std::string_view name);

// Whether two names mean the same source: the same kind, and for a built-in source the same
// one, for a word list the same file (word files are found without regard to letter case, a
// blank name is "Worte").
bool SameSource(std::string_view a, std::string_view b);

}  // namespace fw
