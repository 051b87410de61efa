#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>

#include "core/generate/ColumnOptions.h"
#include "core/generate/FillTestSupport.h"
#include "core/generate/GeneratedSources.h"
#include "core/generate/Generators.h"
#include "core/generate/Iban.h"
#include "core/generate/SourceData.h"
#include "core/generate/WordSource.h"

namespace fw {
namespace {

using test::RecordingWriter;
using Words = std::shared_ptr<const std::vector<std::string>>;

Words List(std::vector<std::string> words) {
  return std::make_shared<const std::vector<std::string>>(std::move(words));
}

std::vector<std::string> Produce(ColumnSource& column, int n) {
  RecordingWriter out;
  for (int i = 0; i < n; ++i) column.Produce(out);
  return out.Texts;
}

TEST(IbanTest, CheckDigitsFollowMod97) {
  // The example IBAN of the German banks' documentation.
  EXPECT_EQ(IbanCheckDigits("DE", "370400440532013000"), 89);
  EXPECT_TRUE(IsValidIban("DE89370400440532013000"));
  EXPECT_FALSE(IsValidIban("DE88370400440532013000"));
  EXPECT_FALSE(IsValidIban("DE89370400440532013001"));
  EXPECT_FALSE(IsValidIban("DE89 3704"));
  EXPECT_TRUE(IsValidIban("GB82WEST12345698765432"));
  EXPECT_EQ(GermanIban(37040044, 532013000), "DE89370400440532013000");
  EXPECT_EQ(GermanIban(10000000, 0).size(), 22u);
  auto column = MakeGeneratedColumn(Generated::Iban, 7, {}, {}, 22, false);
  for (const std::string& iban : Produce(*column, 2000)) {
    ASSERT_EQ(iban.size(), 22u);
    EXPECT_EQ(iban.substr(0, 2), "DE");
    EXPECT_TRUE(IsValidIban(iban)) << iban;
  }
}

// Postcode, town, state and phone columns of one run, and the salutation, names and e-mail of
// one person, agree record by record.
TEST(GeneratedSourcesTest, ColumnsOfOneGroupAgree) {
  const Words pairs = List({"01067 Dresden", "10115 Berlin", "95326 Kulmbach", "80331 M\xFCnchen"});
  const Words codes = List({"01 0351 Dresden", "10 030 Berlin", "8 089 M\xFCnchen"});
  const Words states = List({"0 Sachsen", "1 Berlin", "9 Bayern", "8 Bayern"});
  const GroupSeeds groups{11, 12};
  auto postcode = MakeGeneratedColumn(Generated::Postcode, 1, groups, {pairs}, 5, false);
  auto town = MakeGeneratedColumn(Generated::Town, 2, groups, {pairs}, 20, false);
  auto phone = MakeGeneratedColumn(Generated::Phone, 3, groups, {pairs, codes}, 20, false);
  auto state = MakeGeneratedColumn(Generated::State, 4, groups, {pairs, states}, 20, false);
  const std::map<std::string, std::string> townOf{
      {"01067", "Dresden"}, {"10115", "Berlin"}, {"95326", "Kulmbach"}, {"80331", "M\xFCnchen"}};
  const std::map<std::string, std::string> stateOf{
      {"01067", "Sachsen"}, {"10115", "Berlin"}, {"95326", "Bayern"}, {"80331", "Bayern"}};
  const std::map<std::string, std::string> areaOf{
      {"Dresden", "0351 "}, {"Berlin", "030 "}, {"M\xFCnchen", "089 "}};
  // A town field of 6 characters: the place columns all leave out Kulmbach and M\xFCnchen.
  const GroupSeeds narrow{11, 12, 6};
  auto narrowPostcode = MakeGeneratedColumn(Generated::Postcode, 1, narrow, {pairs}, 5, false);
  auto narrowTown = MakeGeneratedColumn(Generated::Town, 2, narrow, {pairs}, 6, false);
  const auto np = Produce(*narrowPostcode, 100), nt = Produce(*narrowTown, 100);
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(townOf.at(np[i]), nt[i]);
    EXPECT_LE(nt[i].size(), 6u) << nt[i];
  }
  const auto p = Produce(*postcode, 500), t = Produce(*town, 500), f = Produce(*phone, 500),
             st = Produce(*state, 500);
  std::set<std::string> seen;
  for (int i = 0; i < 500; ++i) {
    EXPECT_EQ(townOf.at(p[i]), t[i]);
    EXPECT_EQ(stateOf.at(p[i]), st[i]);
    seen.insert(t[i]);
    const auto area = areaOf.find(t[i]);
    if (area != areaOf.end()) EXPECT_EQ(f[i].substr(0, area->second.size()), area->second) << f[i];
    else EXPECT_EQ(f[i].substr(0, 2), "01") << f[i];  // a mobile number
  }
  EXPECT_EQ(seen.size(), 4u);

  const Words male = List({"Hans", "J\xFCrgen"}), female = List({"Anna", "B\xE4rbel"});
  const Words last = List({"M\xFCller", "Gro\xDF", "Meyer-L\xFC" "denscheidt"});
  const std::vector<Words> people{male, female, last};
  auto first = MakeGeneratedColumn(Generated::FirstName, 1, groups, people, 15, false);
  auto name = MakeGeneratedColumn(Generated::LastName, 2, groups, people, 20, false);
  auto salutation = MakeGeneratedColumn(Generated::Salutation, 3, groups, people, 4, false);
  auto mail = MakeGeneratedColumn(Generated::Email, 4, groups, people, 60, false);
  const auto fn = Produce(*first, 300), ln = Produce(*name, 300), sa = Produce(*salutation, 300),
             ma = Produce(*mail, 300);
  for (int i = 0; i < 300; ++i) {
    const bool woman = fn[i] == "Anna" || fn[i] == "B\xE4rbel";
    EXPECT_EQ(sa[i], woman ? "Frau" : "Herr") << fn[i];
    const std::string surname = MailName(ln[i]);
    EXPECT_NE(ma[i].find(surname), std::string::npos) << ma[i] << " " << ln[i];
    EXPECT_NE(ma[i].find(MailName(fn[i]).substr(0, 1)), std::string::npos);
    const std::string domain = ma[i].substr(ma[i].find('@') + 1);
    bool reserved = false;
    for (const std::string& d : MailDomains()) reserved = reserved || d == domain;
    EXPECT_TRUE(reserved) << ma[i];
    for (unsigned char c : ma[i]) EXPECT_LT(c, 128) << ma[i];
  }
  EXPECT_EQ(MailName("J\xFCrgen"), "juergen");
  EXPECT_EQ(MailName("Gro\xDF"), "gross");
  EXPECT_EQ(MailName("\xC9lodie Fran\xE7ois"), "elodiefrancois");
}

// How the data files bind area codes and states to the pairs: a code to its town's pairs
// under a prefix (the first entry that fits), a state by the longest prefix, an entry naming
// the town first. Files of the older shape (area codes of a few towns, no states) still load.
TEST(GeneratedSourcesTest, PlacesTakeAreaCodesAndStatesFromTheirEntries) {
  const std::vector<std::string> pairs{"21039 Hamburg", "21039 B\xF6rnsen", "21465 Reinbek",
                                       "22113 Hamburg", "19273 Amt Neuhaus", "99998 K\xF6rner",
                                       "1234 Kurz", "abcde Fehler"};
  const std::vector<std::string> codes{"2 040 Hamburg", "21 04104 Hamburg", "21 040 B\xF6rnsen",
                                       "19 038841 Amt Neuhaus", "9 0361", "x 030 Berlin"};
  const std::vector<std::string> states{"2 Niedersachsen", "21 Schleswig-Holstein", "22 Hamburg",
                                        "21039 Hamburg Hamburg", "19 Mecklenburg-Vorpommern",
                                        "19273 Niedersachsen Amt Neuhaus", "9 Th\xFCringen",
                                        "ohne", "123456 Zu lang"};
  const Places places = MakePlaces(pairs, codes, states);
  ASSERT_EQ(places.Size(), 6u);  // "1234 Kurz" and "abcde Fehler" are no pairs
  const std::vector<std::string> area{"040", "040", "", "040", "038841", ""};
  const std::vector<std::string> state{"Hamburg", "Schleswig-Holstein", "Schleswig-Holstein",
                                       "Hamburg", "Niedersachsen", "Th\xFCringen"};
  for (size_t i = 0; i < places.Size(); ++i) {
    EXPECT_EQ(places.AreaCode[i], area[i]) << places.Town[i];
    EXPECT_EQ(places.State[i], state[i]) << places.Town[i];
  }
  // Only the pairs whose town fits the narrowest town field whole, unless none does.
  const Places narrow = MakePlaces(pairs, codes, states, 7);
  EXPECT_EQ(narrow.Size(), 5u);
  for (const std::string& town : narrow.Town) EXPECT_LE(town.size(), 7u) << town;
  EXPECT_EQ(MakePlaces(pairs, codes, states, 3).Size(), 6u);
  // Without a state file (an older data folder) every state is empty.
  const Places older = MakePlaces(pairs, {"10 030 Berlin", "2 040 Hamburg"});
  ASSERT_EQ(older.Size(), 6u);
  EXPECT_EQ(older.AreaCode[0], "040");
  EXPECT_EQ(older.State[0], "");
}

// The delivered data: every pair has one of the sixteen states, the big cities the right one,
// and the towns with an area code of their own get it.
TEST(GeneratedSourcesTest, DeliveredPlacesCarryStatesAndAreaCodes) {
  auto read = [](const char* name) {
    std::string text;
    EXPECT_EQ(ReadWordFile(std::string(FW_SOURCE_DIR) + "/data/ProgrammDaten/" + name, text),
              WordFileRead::Ok) << name;
    return NonEmptyEntries(SplitWordList(text));
  };
  const Places places = MakePlaces(read("PLZOrte.txt"), read("Vorwahlen.txt"),
                                   read("PLZBundeslaender.txt"));
  ASSERT_GT(places.Size(), 12000u);
  const auto sixteen = read("Bundeslaender.txt");
  const std::set<std::string> states(sixteen.begin(), sixteen.end());
  ASSERT_EQ(states.size(), 16u);
  size_t withArea = 0;
  std::map<std::string, std::pair<std::string, std::string>> city;
  for (size_t i = 0; i < places.Size(); ++i) {
    EXPECT_TRUE(states.count(places.State[i])) << places.Postcode[i] << " " << places.State[i];
    withArea += !places.AreaCode[i].empty();
    city[places.Postcode[i] + " " + places.Town[i]] = {places.State[i], places.AreaCode[i]};
  }
  EXPECT_GT(withArea, places.Size() * 2 / 5);
  const std::map<std::string, std::pair<std::string, std::string>> known{
      {"01067 Dresden", {"Sachsen", "0351"}},        {"10115 Berlin", {"Berlin", "030"}},
      {"20095 Hamburg", {"Hamburg", "040"}},         {"80331 M\xFCnchen", {"Bayern", "089"}},
      {"50667 K\xF6ln", {"Nordrhein-Westfalen", "0221"}},
      {"60311 Frankfurt am Main", {"Hessen", "069"}},
      {"70173 Stuttgart", {"Baden-W\xFCrttemberg", "0711"}},
      {"28195 Bremen", {"Bremen", "0421"}},          {"27568 Bremerhaven", {"Bremen", "0471"}},
      {"99084 Erfurt", {"Th\xFCringen", "0361"}},   {"39104 Magdeburg", {"Sachsen-Anhalt", "0391"}},
      {"14467 Potsdam", {"Brandenburg", "0331"}},    {"19053 Schwerin", {"Mecklenburg-Vorpommern", "0385"}},
      {"24103 Kiel", {"Schleswig-Holstein", "0431"}}, {"30159 Hannover", {"Niedersachsen", "0511"}},
      {"55116 Mainz", {"Rheinland-Pfalz", "06131"}}, {"66111 Saarbr\xFC" "cken", {"Saarland", "0681"}},
      {"63065 Offenbach am Main", {"Hessen", "069"}}};
  for (const auto& [pair, expected] : known) {
    ASSERT_TRUE(city.count(pair)) << pair;
    EXPECT_EQ(city[pair], expected) << pair;
  }
}

// Values put together from parts fit a narrow field whole instead of losing the part that
// makes them what they are when the field cuts them: the house number, the domain, the legal
// form, the last digits of a phone number.
TEST(GeneratedSourcesTest, ComposedValuesFitNarrowFields) {
  const Words streets = List({"Lindenstra\xDF" "e", "Am Markt", "Geschwister-Scholl-Stra\xDF" "e",
                              "Bertolt-Brecht-Allee"});
  auto street = MakeGeneratedColumn(Generated::StreetNumber, 1, {}, {streets}, 14, false);
  for (const std::string& s : Produce(*street, 300)) {
    EXPECT_LE(s.size(), 14u) << s;
    EXPECT_TRUE((s.back() >= '0' && s.back() <= '9') || (s.back() >= 'a' && s.back() <= 'c')) << s;
  }

  const std::vector<Words> people{List({"Maximilian", "Hans"}), List({"Anna"}),
                                  List({"Meyer-L\xFC" "denscheidt", "Schulz"})};
  for (bool unique : {false, true}) {
    auto mail = MakeGeneratedColumn(Generated::Email, 2, {3, 4}, people, 20, unique);
    const auto addresses = Produce(*mail, 500);
    for (const std::string& a : addresses) {
      EXPECT_LE(a.size(), 20u) << a;
      const size_t at = a.find('@');
      ASSERT_NE(at, std::string::npos) << a;
      EXPECT_GT(at, 0u) << a;
      EXPECT_EQ(std::string(".-_").find(a[at - 1]), std::string::npos) << a;
      bool reserved = false;
      for (const std::string& d : MailDomains()) reserved = reserved || a.substr(at + 1) == d;
      EXPECT_TRUE(reserved) << a;
    }
    if (unique) {
      EXPECT_EQ(std::set<std::string>(addresses.begin(), addresses.end()).size(), 500u);
    }
  }

  const Words forms = List({"GmbH", "UG (haftungsbeschr\xE4nkt)", "GmbH & Co. KG"});
  auto company = MakeGeneratedColumn(Generated::Company, 5, {},
                                     {List({"Hildebrand", "Ott", "Heinemann"}),
                                      List({"Bau", "Heizungsbau und Sanit\xE4r"}), forms},
                                     22, false);
  for (const std::string& c : Produce(*company, 300)) {
    EXPECT_LE(c.size(), 22u) << c;
    EXPECT_TRUE(c.ends_with("GmbH") || c.ends_with("KG") || c.ends_with(")")) << c;
  }

  const Words pairs = List({"01067 Dresden", "95326 Kulmbach"});
  auto phone = MakeGeneratedColumn(Generated::Phone, 6, {7, 8}, {pairs, List({"01 0351 Dresden"})},
                                   11, false);
  for (const std::string& f : Produce(*phone, 300)) {
    EXPECT_LE(f.size(), 11u) << f;
    EXPECT_GE(f.size() - f.find(' ') - 1, 3u) << f;
  }
}

TEST(UniqueValuesTest, NoValueTwice) {
  for (uint64_t size : {1ull, 2ull, 10ull, 97ull, 1000ull, 1024ull}) {
    DistinctIndices indices(size * 31 + 5, size);
    std::set<uint64_t> seen;
    for (uint64_t i = 0; i < size; ++i) {
      const uint64_t v = indices.Next();
      EXPECT_LT(v, size);
      seen.insert(v);
    }
    EXPECT_EQ(seen.size(), size) << size;
  }
  // Two decimals from 1 to below 3: 200 values, each once, on the grid of the decimals.
  EXPECT_EQ(UniqueNumberColumn::Capacity(1, 3, 2), 200u);
  EXPECT_EQ(UniqueNumberColumn::Capacity(0, 1e300, 0), 9007199254740992u);
  UniqueNumberColumn numbers(3, 1, 3, 2, true, 30);
  RecordingWriter out;
  for (int i = 0; i < 200; ++i) numbers.Produce(out);
  std::set<long> cents;
  for (double n : out.Numbers) cents.insert(std::lround(std::fabs(n) * 100));
  EXPECT_EQ(cents.size(), 200u);
  EXPECT_EQ(*cents.begin(), 100);
  EXPECT_EQ(*cents.rbegin(), 299);

  UniqueDateColumn dates(4, Date::FromYmd(2020, 1, 1), Date::FromYmd(2020, 1, 31));
  for (int i = 0; i < 30; ++i) dates.Produce(out);
  EXPECT_EQ(std::set<Date>(out.Dates.begin(), out.Dates.end()).size(), 30u);

  // Words with a running number, cut so that the number always fits the field.
  SuffixColumn words(std::make_unique<WordColumn>(5, List({"Lindenstra\xDF" "e", "Am Markt"})), 10);
  const auto texts = Produce(words, 120);
  EXPECT_EQ(std::set<std::string>(texts.begin(), texts.end()).size(), 120u);
  EXPECT_EQ(texts[0].substr(texts[0].size() - 2), "-1");
  EXPECT_EQ(texts[119].size(), 10u);
  EXPECT_EQ(texts[119].substr(6), "-120");
  EXPECT_EQ(SuffixColumn::LengthNeeded(9), 2u);
  EXPECT_EQ(SuffixColumn::LengthNeeded(10), 3u);

  // Values the table already holds are left out, however they are kept: as a bitmap (a dense
  // range), sorted in 4 bytes, or sorted in 8 where the range is that large.
  for (uint64_t size : {64ull, 1000000000ull, 1000000000000ull}) {
    TakenIndices::Builder builder(size, 3);
    for (uint64_t i = 0; i < 63; ++i) builder.Add(i * (size / 64));
    builder.Add(size);  // outside the range: not taken
    const TakenIndices taken(std::move(builder));
    EXPECT_EQ(taken.Count(), 63u) << size;
    const uint64_t step = size / 64;
    EXPECT_TRUE(taken.Contains(62 * step)) << size;
    EXPECT_FALSE(taken.Contains(63 * step)) << size;
    if (step > 1) {
      EXPECT_FALSE(taken.Contains(step + 1)) << size;
    }
    EXPECT_FALSE(taken.Contains(size)) << size;
    if (size == 64) {  // one number left: it comes, and then it comes again rather than none
      DistinctIndices free(9, size);
      EXPECT_EQ(free.NextNotIn(&taken), 63u);
      EXPECT_EQ(free.NextNotIn(&taken), 63u);
    }
  }

  auto digits = MakeGeneratedColumn(Generated::Digits, 6, {}, {}, 3, true);
  const auto numbers3 = Produce(*digits, 1000);
  EXPECT_EQ(std::set<std::string>(numbers3.begin(), numbers3.end()).size(), 1000u);
  EXPECT_EQ(GeneratedCapacity(Generated::Digits, 3), 1000u);
}

// A blank share leaves about that share blank and keeps a linked column in step.
TEST(BlankShareTest, BlanksKeepLinkedColumnsInStep) {
  struct Writer : RecordingWriter {
    int Blanks = 0;
    void PutBlank() override {
      ++Blanks;
      Texts.emplace_back();
    }
  };
  const Words pairs = List({"01067 Dresden", "10115 Berlin", "95326 Kulmbach"});
  const GroupSeeds groups{21, 22};
  BlankShareColumn postcode(9, MakeGeneratedColumn(Generated::Postcode, 1, groups, {pairs}, 5, false),
                            30);
  auto town = MakeGeneratedColumn(Generated::Town, 2, groups, {pairs}, 20, false);
  Writer p, t;
  for (int i = 0; i < 4000; ++i) {
    postcode.Produce(p);
    town->Produce(t);
  }
  EXPECT_NEAR(p.Blanks, 1200, 150);
  for (int i = 0; i < 4000; ++i) {
    if (p.Texts[i].empty()) continue;
    EXPECT_EQ(p.Texts[i] == "01067", t.Texts[i] == "Dresden");
    EXPECT_EQ(p.Texts[i] == "10115", t.Texts[i] == "Berlin");
  }
}

}  // namespace
}  // namespace fw
