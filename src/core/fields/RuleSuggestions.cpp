#include "core/fields/RuleSuggestions.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "core/fields/FieldAddress.h"
#include "core/fields/FieldKind.h"
#include "core/fields/RuleSource.h"
#include "core/platform/FieldBytes.h"

namespace fw {
namespace {

// What a field's name says it holds.
enum class Meaning {
  None, Email, Iban, Bic, FirstName, LastName, Salutation, Title, Company, Name, HouseNumber,
  Street, Postcode, Town, State, Country, Phone, Fax, Id, Note, Amount, Price, Turnover,
  Salary, Quantity, Age, Percent, Year, BirthDate, PostcodeTown, Digits,
  // A date of an event (an order, an invoice), and a date that follows it in the same record
  // (delivery, payment, due date, end).
  EventDate, LaterDate,
};

struct Pattern {
  const char* Text;
  bool Prefix;  // the name begins with the text; otherwise the name is the text
  Meaning What;
};

// In order of precedence: the first pattern that fits wins.
constexpr Pattern kPatterns[] = {
    {"EMAIL", true, Meaning::Email},        {"MAIL", false, Meaning::Email},
    {"MAILADR", true, Meaning::Email},      {"IBAN", true, Meaning::Iban},
    {"BIC", false, Meaning::Bic},           {"SWIFT", true, Meaning::Bic},
    {"VORNAME", true, Meaning::FirstName},  {"VORNAM", false, Meaning::FirstName},
    {"VNAME", false, Meaning::FirstName},   {"FIRSTNAME", false, Meaning::FirstName},
    {"FNAME", false, Meaning::FirstName},   {"GIVENNAME", false, Meaning::FirstName},
    {"RUFNAME", false, Meaning::FirstName}, {"NACHNAME", true, Meaning::LastName},
    {"NACHNAM", false, Meaning::LastName},  {"NNAME", false, Meaning::LastName},
    {"LASTNAME", false, Meaning::LastName}, {"LNAME", false, Meaning::LastName},
    {"SURNAME", false, Meaning::LastName},  {"FAMILIENNA", true, Meaning::LastName},
    {"FAMNAME", false, Meaning::LastName},  {"ZUNAME", false, Meaning::LastName},
    {"ANREDE", true, Meaning::Salutation},  {"SALUTATION", true, Meaning::Salutation},
    {"TITEL", false, Meaning::Title},       {"TITLE", false, Meaning::Title},
    {"AKADTITEL", false, Meaning::Title},   {"FIRMA", true, Meaning::Company},
    {"FIRMEN", true, Meaning::Company},     {"COMPANY", true, Meaning::Company},
    {"UNTERNEHME", true, Meaning::Company}, {"ARBEITGEB", true, Meaning::Company},
    {"EMPLOYER", false, Meaning::Company},  {"LIEFERANT", true, Meaning::Company},
    {"KUNDE", false, Meaning::Company},     {"KUNDENNAME", false, Meaning::Company},
    {"CUSTOMER", false, Meaning::Company},  {"CLIENT", false, Meaning::Company},
    {"LIEFDAT", true, Meaning::LaterDate},  {"LIEFERDAT", true, Meaning::LaterDate},
    {"LIEFERTERMIN", true, Meaning::LaterDate}, {"LIEFERUNG", false, Meaning::LaterDate},
    {"VERSANDDAT", true, Meaning::LaterDate}, {"ZAHLDAT", true, Meaning::LaterDate},
    {"ZAHLUNGSDAT", true, Meaning::LaterDate}, {"FAELLIG", true, Meaning::LaterDate},
    {"ENDDAT", true, Meaning::LaterDate},   {"ENDE", false, Meaning::LaterDate},
    {"BIS", false, Meaning::LaterDate},     {"DELIVERY", true, Meaning::LaterDate},
    {"SHIPDATE", false, Meaning::LaterDate}, {"SHIPPED", false, Meaning::LaterDate},
    {"DUEDATE", false, Meaning::LaterDate}, {"DUE", false, Meaning::LaterDate},
    {"DATUM", false, Meaning::EventDate},   {"DATE", false, Meaning::EventDate},
    {"BESTDAT", true, Meaning::EventDate},  {"BESTELLDAT", true, Meaning::EventDate},
    {"ORDERDAT", true, Meaning::EventDate}, {"AUFTRAGSDAT", true, Meaning::EventDate},
    {"BELEGDAT", true, Meaning::EventDate}, {"RECHDAT", true, Meaning::EventDate},
    {"RECHNUNGSDAT", true, Meaning::EventDate}, {"STARTDAT", true, Meaning::EventDate},
    {"BEGINN", false, Meaning::EventDate},
    {"HERSTELLER", true, Meaning::Company}, {"SUPPLIER", true, Meaning::Company},
    {"MANUFACTUR", true, Meaning::Company}, {"NAME", false, Meaning::Name},
    {"HAUSNR", true, Meaning::HouseNumber}, {"HNR", false, Meaning::HouseNumber},
    {"HAUSNUM", true, Meaning::HouseNumber}, {"STRNR", false, Meaning::Street},
    {"STR_NR", false, Meaning::Street},     {"STRHNR", false, Meaning::Street},
    {"STRASSE", true, Meaning::Street},
    {"STRA\xDF" "E", true, Meaning::Street}, {"STR", false, Meaning::Street},
    {"STREET", true, Meaning::Street},      {"ADRESSE", false, Meaning::Street},
    {"ADDRESS", false, Meaning::Street},    {"ANSCHRIFT", false, Meaning::Street},
    {"PLZORT", false, Meaning::PostcodeTown}, {"PLZ_ORT", false, Meaning::PostcodeTown},
    {"PLZ", true, Meaning::Postcode},       {"ZIP", true, Meaning::Postcode},
    {"POSTLEITZA", true, Meaning::Postcode}, {"POSTCODE", false, Meaning::Postcode},
    {"POSTALCODE", false, Meaning::Postcode}, {"ORT", false, Meaning::Town},
    {"ORTSNAME", false, Meaning::Town},     {"WOHNORT", false, Meaning::Town},
    {"STADT", false, Meaning::Town},        {"CITY", false, Meaning::Town},
    {"TOWN", false, Meaning::Town},         {"GEMEINDE", false, Meaning::Town},
    {"BUNDESLAND", false, Meaning::State},  {"BLAND", false, Meaning::State},
    {"STATE", false, Meaning::State},       {"LAND", false, Meaning::Country},
    {"COUNTRY", false, Meaning::Country},   {"STAAT", false, Meaning::Country},
    {"NATION", true, Meaning::Country},     {"FAX", true, Meaning::Fax},
    {"TELEFAX", false, Meaning::Fax},       {"TEL", true, Meaning::Phone},
    {"PHONE", true, Meaning::Phone},        {"FON", false, Meaning::Phone},
    {"MOBIL", true, Meaning::Phone},        {"HANDY", false, Meaning::Phone},
    {"BEMERK", true, Meaning::Note},        {"NOTIZ", true, Meaning::Note},
    {"NOTE", true, Meaning::Note},          {"KOMMENTAR", true, Meaning::Note},
    {"COMMENT", true, Meaning::Note},       {"INFO", true, Meaning::Note},
    {"BESCHREIB", true, Meaning::Note},     {"DESCRIPT", true, Meaning::Note},
    {"TEXT", false, Meaning::Note},         {"GEB", true, Meaning::BirthDate},
    {"BIRTH", true, Meaning::BirthDate},    {"DOB", false, Meaning::BirthDate},
    {"UMSATZ", true, Meaning::Turnover},    {"SALDO", true, Meaning::Turnover},
    {"BETRAG", true, Meaning::Amount},      {"SUMME", true, Meaning::Amount},
    {"BRUTTO", true, Meaning::Amount},      {"NETTO", true, Meaning::Amount},
    {"KOSTEN", true, Meaning::Amount},      {"AMOUNT", true, Meaning::Amount},
    {"TOTAL", true, Meaning::Amount},       {"WERT", false, Meaning::Amount},
    {"PREIS", true, Meaning::Price},        {"PRICE", true, Meaning::Price},
    {"EKPREIS", false, Meaning::Price},     {"VKPREIS", false, Meaning::Price},
    {"EPREIS", false, Meaning::Price},      {"EK", false, Meaning::Price},
    {"VK", false, Meaning::Price},          {"EINZELPR", true, Meaning::Price},
    {"LISTENPR", true, Meaning::Price},
    {"GEHALT", true, Meaning::Salary},      {"LOHN", true, Meaning::Salary},
    {"SALARY", true, Meaning::Salary},      {"MENGE", true, Meaning::Quantity},
    {"ANZAHL", true, Meaning::Quantity},    {"STUECK", true, Meaning::Quantity},
    {"STK", false, Meaning::Quantity},      {"QTY", false, Meaning::Quantity},
    {"ANZ", false, Meaning::Quantity},
    {"QUANTITY", false, Meaning::Quantity}, {"BESTAND", true, Meaning::Quantity},
    {"ALTER", false, Meaning::Age},         {"AGE", false, Meaning::Age},
    {"PROZENT", true, Meaning::Percent},    {"RABATT", true, Meaning::Percent},
    {"PERCENT", true, Meaning::Percent},    {"MWST", true, Meaning::Percent},
    {"SKONTO", true, Meaning::Percent},     {"DISCOUNT", true, Meaning::Percent},
    {"VAT", false, Meaning::Percent},
    {"JAHR", false, Meaning::Year},         {"YEAR", false, Meaning::Year},
    {"BAUJAHR", false, Meaning::Year},      {"BLZ", false, Meaning::Digits},
    {"EAN", true, Meaning::Digits},         {"ISBN", false, Meaning::Digits},
    {"ID", false, Meaning::Id},
    {"NR", false, Meaning::Id},             {"NUMMER", false, Meaning::Id},
    {"KDNR", false, Meaning::Id},           {"NO", false, Meaning::Id},
};

bool Fits(std::string_view name, const Pattern& p) {
  return p.Prefix ? name.substr(0, std::char_traits<char>::length(p.Text)) == p.Text
                  : name == p.Text;
}

Meaning MeaningOfWord(std::string_view word) {
  if (word.empty()) return Meaning::None;
  for (const Pattern& p : kPatterns)
    if (Fits(word, p)) return p.What;
  // Numbers and keys: KUNDENNR, ARTIKELNUMMER, KUNDEID.
  auto ends = [&](std::string_view tail) {
    return word.size() > tail.size() && word.substr(word.size() - tail.size()) == tail;
  };
  if (ends("NR") || ends("NUMMER") || ends("ID") || ends("NO")) return Meaning::Id;
  return Meaning::None;
}

// The name in capitals, without the digits and underscores at its end (NAME1, NAME_2).
std::string Base(std::string_view name) {
  std::string s;
  for (char c : name) s += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
  while (!s.empty() && ((s.back() >= '0' && s.back() <= '9') || s.back() == '_')) s.pop_back();
  return s;
}

// The whole name first; then its parts between underscores, the last part first (KD_NAME,
// TEL_PRIV); then the name without its underscores (E_MAIL).
Meaning MeaningOf(std::string_view fieldName) {
  const std::string base = Base(fieldName);
  if (Meaning m = MeaningOfWord(base); m != Meaning::None) return m;
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0; i <= base.size(); ++i)
    if (i == base.size() || base[i] == '_') {
      if (i > start) parts.push_back(Base(base.substr(start, i - start)));
      start = i + 1;
    }
  if (parts.size() > 1) {
    std::string joined;
    for (const std::string& part : parts) joined += part;
    if (Meaning m = MeaningOfWord(joined); m != Meaning::None) return m;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it)
      if (Meaning m = MeaningOfWord(*it); m != Meaning::None) return m;
  }
  return Meaning::None;
}

bool Has(const std::vector<FieldInfo>& structure, Meaning what) {
  for (const FieldInfo& field : structure)
    if (MeaningOf(field.Name) == what) return true;
  return false;
}

// The largest whole bound a numeric field holds: every digit before the point a nine (one
// place fewer when negatives need the sign), at most 15 digits so that doubles stay exact.
// The most whole digits a rule's MINIMUM and MAXIMUM columns hold (N 20,6: 13). A wider
// field (GIS tools write N 24,15 or N 33,10) gets no larger bound than its rule can keep.
int RuleColumnDigits() { return RangeColumnDigits(); }

// Binary numbers by the width their values take as text, and no more than their form holds
// (an integer up to 2147483647: nine nines).
double LargestFitting(const FieldInfo& field, bool negatives) {
  const NumericLayout layout = NumericLayoutOf(field.Type, field.Length, field.Decimals);
  int digits = int(layout.Length) - (layout.Decimals > 0 ? int(layout.Decimals) + 1 : 0);
  if (negatives) --digits;
  digits = std::min({digits, 15, RuleColumnDigits()});
  const double largest = digits <= 0 ? 0 : std::pow(10.0, digits) - 1;
  if (largest <= layout.Largest) return largest;
  return std::pow(10.0, std::floor(std::log10(layout.Largest))) - 1;
}

Date YearsBack(Date today, int years) {
  int y, m, d;
  today.ToYmd(y, m, d);
  Date date = Date::FromYmd(y - years, m, d);
  return date.IsEmpty() ? Date::FromYmd(y - years, m, 28) : date;
}

void SuggestCharacter(SuggestedRule& rule, Meaning what, const std::vector<FieldInfo>& structure) {
  switch (what) {
    case Meaning::Email: rule.Quelle = GeneratedName(Generated::Email); break;
    case Meaning::Iban: rule.Quelle = GeneratedName(Generated::Iban); break;
    case Meaning::Bic: rule.Quelle = GeneratedName(Generated::Bic); break;
    case Meaning::FirstName: rule.Quelle = GeneratedName(Generated::FirstName); break;
    case Meaning::LastName:
    case Meaning::Name: rule.Quelle = GeneratedName(Generated::LastName); break;
    case Meaning::Salutation: rule.Quelle = GeneratedName(Generated::Salutation); break;
    case Meaning::Title:
      rule.Quelle = "Titel";
      rule.Options.BlankPercent = 85;
      break;
    case Meaning::Company: rule.Quelle = GeneratedName(Generated::Company); break;
    case Meaning::HouseNumber: rule.Quelle = GeneratedName(Generated::HouseNumber); break;
    case Meaning::Street:
      rule.Quelle = Has(structure, Meaning::HouseNumber) ? "Strassen" : "StrasseNr";
      break;
    case Meaning::Postcode: rule.Quelle = GeneratedName(Generated::Postcode); break;
    case Meaning::PostcodeTown: rule.Quelle = "PLZOrte"; break;  // "01067 Dresden" in one field
    case Meaning::Digits: rule.Quelle = GeneratedName(Generated::Digits); break;
    case Meaning::Town: rule.Quelle = GeneratedName(Generated::Town); break;
    case Meaning::State: rule.Quelle = GeneratedName(Generated::State); break;
    case Meaning::Country:
      // Beside a German address the country is Germany; alone, any country.
      rule.Quelle = Has(structure, Meaning::Postcode) || Has(structure, Meaning::Town) ? "Land"
                                                                                         : "Laender";
      break;
    case Meaning::Phone: rule.Quelle = GeneratedName(Generated::Phone); break;
    case Meaning::Fax:
      rule.Quelle = GeneratedName(Generated::Phone);
      rule.Options.BlankPercent = 60;
      break;
    case Meaning::Id:
      rule.Quelle = GeneratedName(Generated::Digits);
      rule.Options.Unique = true;
      break;
    default: rule.Quelle = kDefaultWordList; break;
  }
}

void SuggestNumber(SuggestedRule& rule, Meaning what, const FieldInfo& field, Date today) {
  double low = 0, high = 1000;
  bool negatives = false;
  switch (what) {
    case Meaning::Id:
      low = 1;
      high = 1e15;
      rule.Options.Unique = true;
      break;
    case Meaning::Postcode: low = 1001, high = 99998; break;
    case Meaning::HouseNumber: low = 1, high = 200; break;
    case Meaning::Amount: high = 10000, negatives = true; break;
    case Meaning::Turnover: high = 100000, negatives = true; break;
    case Meaning::Price: low = 1, high = 1000; break;
    case Meaning::Salary: low = 1800, high = 8000; break;
    case Meaning::Quantity: low = 1, high = 100; break;
    case Meaning::Age: low = 18, high = 90; break;
    case Meaning::Percent: high = 30; break;
    case Meaning::Year: {
      int y, m, d;
      today.ToYmd(y, m, d);
      low = 1950, high = y + 1;
      break;
    }
    default: break;
  }
  double largest = LargestFitting(field, negatives);
  if (negatives && largest < 9) {  // no room for a sign worth having
    negatives = false;
    largest = LargestFitting(field, false);
  }
  high = std::min(high, largest);
  if (low >= high) low = 0;
  if (high <= low) high = low = 0;  // no number fits: the field stays blank
  // A key of one or two digits cannot keep a fill of a few hundred records distinct: rather
  // than a rule that refuses such a fill, the field gets ordinary numbers.
  if (rule.Options.Unique && high - low + 1 < 1000) rule.Options.Unique = false;
  // A postcode field with room for five digits gets the postcode of the record's place, so
  // that it agrees with the town; the range stays for a user who switches that off.
  if (what == Meaning::Postcode && high >= 99998) rule.Options.Postcode = true;
  rule.Minimum = low;
  rule.Maximum = high;
  rule.Negativ = negatives && high > 0;
  rule.PercentNeg = rule.Negativ ? 10 : 0;
}

bool IsOneOf(const std::string& name, std::initializer_list<const char*> names) {
  return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == n; });
}

// The first field of the table with one of the names (as Base gives them), "" when none.
std::string FieldNamed(const std::vector<FieldInfo>& structure,
                       std::initializer_list<const char*> names) {
  for (const FieldInfo& field : structure)
    if (IsOneOf(Base(field.Name), names)) return field.Name;
  return {};
}

// Sources with parameters for names that mean them: a status of a few values in fixed shares,
// a currency, invoice numbers, position numbers within each order, a gross amount from the
// net one, notes of whole sentences.
void SuggestParameters(SuggestedRule& rule, FieldKind kind, const FieldInfo& field,
                       const std::vector<FieldInfo>& structure) {
  const std::string base = Base(field.Name);
  const bool text = kind == FieldKind::Character, number = kind == FieldKind::Numeric;
  FieldOptions& options = rule.Options;
  auto use = [&](SourceKind source) {
    if (text || kind == FieldKind::Memo) rule.Quelle = ParameterSourceName(source);
    else options.Source = source;
  };
  if (text && base == "STATUS" && field.Length >= 9) {
    use(SourceKind::List);
    options.Values = "offen:6,bezahlt:3,storniert:1";
  } else if (text && IsOneOf(base, {"WAEHRUNG", "CURRENCY", "WHG"}) && field.Length >= 3) {
    use(SourceKind::Constant);
    options.Constant = "EUR";
  } else if (IsOneOf(base, {"RECHNR", "RECHNUNGSNR", "RECHNUNGNR", "RENR", "INVOICENO"}) &&
             ((text && field.Length >= 12) || number)) {
    use(SourceKind::Sequence);
    if (text) options.MaskText = "R2026-######";
  } else if (number && IsOneOf(base, {"POS", "POSITION", "POSNR"})) {
    const std::string order =
        FieldNamed(structure, {"AUFTRAGNR", "AUFTRNR", "AUFNR", "BESTELLNR", "ORDNR", "ORDERNR",
                               "ORDER", "RECHNR", "RECHNUNGSNR", "BELEGNR"});
    if (!order.empty()) {
      use(SourceKind::Sequence);
      options.GroupField = order;
    }
  } else if (number && base == "BRUTTO" && !FieldNamed(structure, {"NETTO"}).empty()) {
    use(SourceKind::Formula);
    options.Formula =
        "ROUND(NETTO*1.19," + std::to_string(std::min<uint32_t>(field.Decimals, 2)) + ")";
  } else if (IsOneOf(base, {"BEMERKUNG", "BEMERKUNGEN", "NOTIZ", "NOTIZEN", "NOTES", "NOTE"}) &&
             (kind == FieldKind::Memo || (text && field.Length >= 40))) {
    use(SourceKind::Sentences);
  }
}

}  // namespace

SuggestedRule SuggestRule(const FieldInfo& field, const std::vector<FieldInfo>& structure,
                          Date today) {
  SuggestedRule rule;
  const Meaning what = MeaningOf(field.Name);
  const std::optional<FieldKind> kind = KindOfField(field);
  if (!kind) return rule;
  switch (*kind) {
    case FieldKind::Character: SuggestCharacter(rule, what, structure); break;
    case FieldKind::Numeric: SuggestNumber(rule, what, field, today); break;
    case FieldKind::Logic: rule.PercentTrue = 50; break;
    case FieldKind::Date:
      if (what == Meaning::BirthDate) {
        rule.Start = YearsBack(today, 90);
        rule.End = YearsBack(today, 18);
      } else {
        rule.Start = YearsBack(today, 5);
        rule.End = today;
      }
      // A delivery or due date follows the date of the order or invoice in its record, when
      // the table has one; the range stays for a user who switches that off.
      if (what == Meaning::LaterDate) {
        for (size_t i = 0; i < structure.size(); ++i) {
          if (KindOfField(structure[i]) == FieldKind::Date &&
              MeaningOf(structure[i].Name) == Meaning::EventDate) {
            rule.Options.AfterField = int(i) + 1;
            break;
          }
        }
      }
      break;
    case FieldKind::Memo:
      rule.Quelle = kDefaultWordList;
      rule.MinWords = 5;
      rule.MaxWords = 30;
      break;
  }
  SuggestParameters(rule, *kind, field, structure);
  return rule;
}

bool NameMeansPostcode(std::string_view fieldName) {
  return MeaningOf(fieldName) == Meaning::Postcode;
}

void SuggestRules(DBServer& target, RuleSet& rules, Date today) {
  const std::vector<FieldInfo>& structure = target.DBStruct();
  for (size_t index = 0; index < structure.size(); ++index) {
    const FieldInfo& field = structure[index];
    // Every type the program fills, by the one table of kinds: F, Visual FoxPro's and dBase 7's
    // binary numbers and date-times, varchars.
    const std::optional<FieldKind> kind = KindOfField(field);
    FieldRule* rule = rules.AtField(int(index) + 1);
    if (!kind || !rule || rule->Kind != *kind) continue;
    const SuggestedRule suggested = SuggestRule(field, structure, today);
    switch (*kind) {
      case FieldKind::Character:
        rule->Source = ResolveSource(suggested.Quelle);
        rule->MaxLength = suggested.MaxLength;
        rule->FixLength = suggested.FixLength;
        break;
      case FieldKind::Numeric:
        rule->Minimum = suggested.Minimum;
        rule->Maximum = suggested.Maximum;
        rule->Negative = suggested.Negativ;
        rule->PercentNeg = suggested.PercentNeg;
        break;
      case FieldKind::Logic: rule->PercentTrue = suggested.PercentTrue; break;
      case FieldKind::Date:
        rule->Start = suggested.Start;
        rule->End = suggested.End;
        break;
      case FieldKind::Memo:
        rule->MinWords = suggested.MinWords;
        rule->MaxWords = suggested.MaxWords;
        rule->Source = ResolveSource(suggested.Quelle);
        break;
    }
    rule->Options = suggested.Options;
  }
}

void SuggestRules(DBServer& target, DefinitionTables& tables, Date today) {
  RuleSet rules = tables.Load(target.DBStruct());
  SuggestRules(target, rules, today);
  tables.Store(rules, target.DBStruct());
}

}  // namespace fw
