#include <gtest/gtest.h>

#include "core/platform/FieldBytes.h"
#include "core/fields/RuleSuggestions.h"
#include "core/generate/Generators.h"

namespace fw {
namespace {

const Date kToday = Date::FromYmd(2026, 12, 8);

SuggestedRule For(const FieldInfo& field, const std::vector<FieldInfo>& structure = {}) {
  return SuggestRule(field, structure, kToday);
}

TEST(RuleSuggestionsTest, CharacterFieldsBySpelling) {
  struct Case {
    const char* Name;
    const char* Source;
  } cases[] = {
      {"NAME", "Nachname"},      {"NACHNAME", "Nachname"},   {"KD_NAME", "Nachname"},
      {"NAME1", "Nachname"},     {"VORNAME", "Vorname"},     {"VNAME", "Vorname"},
      {"FIRSTNAME", "Vorname"},  {"STRASSE", "StrasseNr"},   {"STR", "StrasseNr"},
      {"PLZ", "Postleitzahl"},   {"ZIP", "Postleitzahl"},    {"ORT", "Ortsname"},
      {"STADT", "Ortsname"},     {"CITY", "Ortsname"},       {"TEL", "Telefon"},
      {"TELEFON", "Telefon"},    {"PHONE", "Telefon"},       {"MOBIL", "Telefon"},
      {"FAX", "Telefon"},        {"EMAIL", "EMail"},         {"E_MAIL", "EMail"},
      {"MAIL", "EMail"},         {"IBAN", "IBAN"},           {"BIC", "BIC"},
      {"ANREDE", "Anrede"},      {"TITEL", "Titel"},         {"FIRMA", "Firma"},
      {"COMPANY", "Firma"},      {"LAND", "Laender"},        {"BUNDESLAND", "Bundesland"},
      {"KDNR", "Nummer"},        {"KUNDENNR", "Nummer"},     {"ID", "Nummer"},
      {"BEMERKUNG", "Worte"},    {"NOTIZ", "Worte"},         {"XYZ", "Worte"},
      {"hausnr", "Hausnummer"},  {"STRNR", "StrasseNr"},    {"STR_NR", "StrasseNr"},
      {"PLZ_ORT", "PLZOrte"},    {"BLZ", "Nummer"},          {"LIEFERANT", "Firma"},
      {"SUPPLIER", "Firma"},     {"KUNDE", "Firma"},         {"CUSTOMER", "Firma"},
  };
  for (const Case& c : cases) {
    const SuggestedRule rule = For({c.Name, 'C', 20, 0});
    EXPECT_EQ(rule.Quelle, c.Source) << c.Name;
  }
  EXPECT_TRUE(For({"KDNR", 'C', 8, 0}).Options.Unique);
  EXPECT_FALSE(For({"NAME", 'C', 20, 0}).Options.Unique);
  EXPECT_FALSE(For({"BLZ", 'C', 8, 0}).Options.Unique);  // many accounts at one bank
  EXPECT_GT(For({"TITEL", 'C', 10, 0}).Options.BlankPercent, 50);
  // Beside a postcode or town the country is the place's own.
  EXPECT_EQ(For({"LAND", 'C', 20, 0}, {{"LAND", 'C', 20, 0}, {"PLZ", 'C', 5, 0}}).Quelle, "Land");
  // A street beside a house-number field gets no house number of its own.
  EXPECT_EQ(For({"STRASSE", 'C', 30, 0}, {{"STRASSE", 'C', 30, 0}, {"HAUSNR", 'C', 5, 0}}).Quelle,
            "Strassen");
}

TEST(RuleSuggestionsTest, NumbersFitTheirFieldAndIdsAreUnique) {
  const FieldInfo fields[] = {{"KDNR", 'N', 6, 0},   {"ID", 'N', 10, 0},   {"BETRAG", 'N', 10, 2},
                              {"PREIS", 'N', 7, 2},  {"UMSATZ", 'N', 12, 2}, {"MENGE", 'N', 4, 0},
                              {"ANZAHL", 'N', 1, 0}, {"SUMME", 'N', 4, 2},  {"ALTER", 'N', 3, 0},
                              {"X", 'N', 2, 0},      {"SALDO", 'N', 2, 0},  {"BETRAG", 'N', 5, 3}};
  for (const FieldInfo& f : fields) {
    const SuggestedRule rule = For(f);
    EXPECT_LT(rule.Minimum, rule.Maximum) << f.Name << f.Length;
    EXPECT_TRUE(NumbersFitField(rule.Minimum, rule.Maximum, rule.Negativ && rule.PercentNeg > 0,
                                f.Length, f.Decimals))
        << f.Name << " " << f.Length << "," << f.Decimals;
  }
  // Wide fields of GIS tools: the bounds fit the rule's own MINIMUM and MAXIMUM columns.
  for (const FieldInfo& f : {FieldInfo{"ID", 'N', 20, 0}, FieldInfo{"OGC_FID", 'F', 24, 15},
                             FieldInfo{"WERT", 'N', 33, 10}}) {
    const SuggestedRule rule = For(f);
    EXPECT_TRUE(NumbersFitField(rule.Minimum, rule.Maximum, rule.Negativ, 20, 6)) << f.Name;
  }
  // A one-digit key cannot hold a fill of distinct values: the suggestion does not ask for it.
  EXPECT_FALSE(For({"ID", 'N', 1, 0}).Options.Unique);
  const SuggestedRule id = For({"KDNR", 'N', 6, 0});
  EXPECT_TRUE(id.Options.Unique);
  EXPECT_EQ(id.Minimum, 1);
  EXPECT_EQ(id.Maximum, 999999);
  const SuggestedRule amount = For({"BETRAG", 'N', 10, 2});
  EXPECT_TRUE(amount.Negativ);
  EXPECT_EQ(amount.PercentNeg, 10);
  EXPECT_EQ(For({"ALTER", 'N', 3, 0}).Minimum, 18);
  // Prices and shares under their short names, not the general range up to 1000.
  EXPECT_EQ(For({"EPREIS", 'N', 9, 2}).Minimum, 1);
  EXPECT_EQ(For({"VK", 'N', 9, 2}).Minimum, 1);
  EXPECT_EQ(For({"DISCOUNT", 'N', 5, 2}).Maximum, 30);
  EXPECT_EQ(For({"SKONTO", 'N', 5, 2}).Maximum, 30);
  EXPECT_EQ(For({"ANZ", 'N', 4, 0}).Maximum, 100);
  // A field too narrow for any number (two decimals in a width of two) stays blank.
  const SuggestedRule none = For({"BETRAG", 'N', 2, 2});
  EXPECT_EQ(none.Minimum, 0);
  EXPECT_EQ(none.Maximum, 0);
}

TEST(RuleSuggestionsTest, DatesLogicalsAndMemos) {
  const SuggestedRule birth = For({"GEBDATUM", 'D', 8, 0});
  EXPECT_EQ(birth.Start, Date::FromYmd(1936, 12, 8));
  EXPECT_EQ(birth.End, Date::FromYmd(2008, 12, 8));  // everyone is of age
  EXPECT_EQ(For({"GEBURTSTAG", 'D', 8, 0}).End, birth.End);
  const SuggestedRule other = For({"DATUM", 'D', 8, 0});
  EXPECT_EQ(other.Start, Date::FromYmd(2021, 12, 8));
  EXPECT_EQ(other.End, kToday);
  EXPECT_EQ(SuggestRule({"GEBDATUM", 'D', 8, 0}, {}, Date::FromYmd(2024, 2, 29)).End,
            Date::FromYmd(2006, 2, 28));
  EXPECT_EQ(For({"AKTIV", 'L', 1, 0}).PercentTrue, 50);
  const SuggestedRule memo = For({"TEXT", 'M', 10, 0});
  EXPECT_EQ(memo.Quelle, "Worte");
  EXPECT_EQ(memo.MinWords, 5);
  EXPECT_EQ(memo.MaxWords, 30);
  // Notes read as sentences, in a memo or a long text field, not in a short one.
  EXPECT_EQ(For({"NOTIZ", 'M', 10, 0}).Quelle, "Saetze");
  EXPECT_EQ(For({"BEMERKUNG", 'C', 60, 0}).Quelle, "Saetze");
  EXPECT_NE(For({"BEMERKUNG", 'C', 20, 0}).Quelle, "Saetze");
}

// Invoice fields get the sources their names mean; a position counts within its order, and a
// gross amount follows the net one, only where the table has those fields.
TEST(RuleSuggestionsTest, InvoiceFieldsGetSourcesWithParameters) {
  const std::vector<FieldInfo> invoice = {{"RECHNR", 'C', 12, 0}, {"POS", 'N', 3, 0},
                                          {"STATUS", 'C', 10, 0}, {"WAEHRUNG", 'C', 3, 0},
                                          {"NETTO", 'N', 10, 2},  {"BRUTTO", 'N', 10, 2}};
  auto at = [&](size_t i) { return SuggestRule(invoice[i], invoice, kToday); };
  EXPECT_EQ(at(0).Quelle, "Folge");
  EXPECT_EQ(at(0).Options.MaskText, "R2026-######");
  EXPECT_EQ(at(1).Options.Source, SourceKind::Sequence);
  EXPECT_EQ(at(1).Options.GroupField, "RECHNR");
  EXPECT_EQ(at(2).Quelle, "Liste");
  EXPECT_EQ(at(2).Options.Values, "offen:6,bezahlt:3,storniert:1");
  EXPECT_EQ(at(3).Options.Constant, "EUR");
  EXPECT_EQ(at(5).Options.Formula, "ROUND(NETTO*1.19,2)");
  // Without an order or a net field: the ordinary number rules.
  EXPECT_FALSE(SuggestRule(invoice[1], {invoice[1]}, kToday).Options.Source);
  EXPECT_FALSE(SuggestRule(invoice[5], {invoice[5]}, kToday).Options.Source);
}

}  // namespace
}  // namespace fw
