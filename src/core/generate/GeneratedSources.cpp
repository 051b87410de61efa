#include "core/generate/GeneratedSources.h"

#include <algorithm>
#include <charconv>

#include "core/app/Utilities.h"
#include "core/generate/ColumnOptions.h"
#include "core/generate/Iban.h"
#include "core/generate/Random.h"

namespace fw {
namespace {

using Words = std::shared_ptr<const std::vector<std::string>>;

// Appends `count` random decimal digits, the first of them from `firstMin` up.
void AppendDigits(RandomStream& random, std::string& out, uint32_t count, uint32_t firstMin = 0) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t low = i == 0 ? firstMin : 0;
    out += char('0' + low + random.Below(10 - low));
  }
}

// A house number as streets have them: small numbers more often, one in ten with a letter.
void AppendHouseNumber(RandomStream& random, std::string& out) {
  const uint32_t n = random.Below(4) == 0 ? 1 + random.Below(180) : 1 + random.Below(40);
  char digits[8];
  out.append(digits, std::to_chars(digits, digits + sizeof digits, n).ptr);
  if (random.Below(10) == 0) out += char('a' + random.Below(3));
}

// Values put together from parts are made to fit their field rather than cut by it, since a cut
// takes off what makes them what they are: a street's house number, an address's domain, a
// company's legal form. Parts are drawn again this many times at most; then the shortest parts
// of the lists are taken.
constexpr int kFitTries = 16;

const std::string& Shortest(const std::vector<std::string>& list) {
  return *std::min_element(list.begin(), list.end(), [](const std::string& a, const std::string& b) {
    return a.size() < b.size();
  });
}

// The place of the current record: replays the group's stream, one draw per record.
class PlaceDraw {
public:
  PlaceDraw(uint64_t seed, size_t size) : random_(seed), size_(uint32_t(size)) {}
  uint32_t Next() { return random_.Below(size_); }

private:
  RandomStream random_;
  uint32_t size_;
};

// The person of the current record: two draws per record, first name and surname.
class PersonDraw {
public:
  PersonDraw(uint64_t seed, const People& people)
      : random_(seed), first_(uint32_t(people.First.size())), last_(uint32_t(people.Last.size())) {}
  void Next(uint32_t& first, uint32_t& last) {
    first = random_.Below(first_);
    last = random_.Below(last_);
  }

private:
  RandomStream random_;
  uint32_t first_, last_;
};

// One part of the record's place: its postcode, its town or its federal state.
class PlaceColumn : public ColumnSource {
public:
  PlaceColumn(uint64_t groupSeed, Places places, Generated part)
      : places_(std::move(places)), draw_(groupSeed, places_.Size()),
        values_(part == Generated::Town    ? &places_.Town
                : part == Generated::State ? &places_.State
                                           : &places_.Postcode) {}
  void Produce(FieldWriter& out) override { out.PutText((*values_)[draw_.Next()]); }

private:
  Places places_;
  PlaceDraw draw_;
  const std::vector<std::string>* values_;
};

class PhoneColumn : public ColumnSource {
public:
  PhoneColumn(uint64_t seed, uint64_t groupSeed, Places places, uint32_t width)
      : random_(seed), places_(std::move(places)), draw_(groupSeed, places_.Size()),
        width_(width) {}
  void Produce(FieldWriter& out) override {
    const std::string& area = places_.AreaCode[draw_.Next()];
    text_.clear();
    if (!area.empty()) {
      text_ = area;
      text_ += ' ';
      const uint32_t digits = uint32_t(std::max<size_t>(5, 11 - area.size())) - random_.Below(2);
      AppendDigits(random_, text_, Fitting(digits), 2);
    } else {
      static const char* const kMobile[] = {"0151", "0152", "0157", "0160", "0162", "0163",
                                            "0170", "0171", "0172", "0173", "0174", "0175",
                                            "0176", "0177", "0178", "0179"};
      const char* prefix = kMobile[random_.Below(16)];
      text_ = prefix;
      text_ += ' ';
      AppendDigits(random_, text_, Fitting(prefix[2] == '5' ? 8 : 7), 1);
    }
    out.PutText(text_);
  }

private:
  // Fewer digits after the area code in a narrow field (numbers of five or six digits are as
  // real as longer ones), but never fewer than three.
  uint32_t Fitting(uint32_t digits) const {
    const size_t room = width_ > text_.size() ? width_ - text_.size() : 0;
    return uint32_t(std::clamp<size_t>(room, 3, digits));
  }

  RandomStream random_;
  Places places_;
  PlaceDraw draw_;
  uint32_t width_;
  std::string text_;
};

enum class PersonPart { First, Last, Salutation };

class PersonColumn : public ColumnSource {
public:
  PersonColumn(uint64_t groupSeed, People people, PersonPart part)
      : people_(std::move(people)), draw_(groupSeed, people_), part_(part) {}
  void Produce(FieldWriter& out) override {
    uint32_t first, last;
    draw_.Next(first, last);
    switch (part_) {
      case PersonPart::First: out.PutText(people_.First[first]); break;
      case PersonPart::Last: out.PutText(people_.Last[last]); break;
      case PersonPart::Salutation: out.PutText(people_.Female[first] ? "Frau" : "Herr"); break;
    }
  }

private:
  People people_;
  PersonDraw draw_;
  PersonPart part_;
};

class EmailColumn : public ColumnSource {
public:
  EmailColumn(uint64_t seed, uint64_t groupSeed, const People& people, uint32_t width, bool unique,
              uint64_t lastNumber)
      : random_(seed), draw_(groupSeed, people), width_(width), unique_(unique),
        number_(lastNumber) {
    for (const std::string& name : people.First) first_.push_back(MailName(name));
    for (const std::string& name : people.Last) last_.push_back(MailName(name));
  }
  void Produce(FieldWriter& out) override {
    uint32_t first, last;
    draw_.Next(first, last);
    const std::string& f = first_[first];
    const std::string& l = last_[last];
    text_.clear();
    switch (random_.Below(5)) {
      case 0: text_ = f.substr(0, 1) + "." + l; break;
      case 1: text_ = l + "." + f; break;
      case 2: text_ = f + "_" + l; break;
      default: text_ = f + "." + l; break;
    }
    digits_.clear();
    if (unique_) {
      char digits[24];
      digits_.append(digits, std::to_chars(digits, digits + sizeof digits, ++number_).ptr);
    } else if (random_.Below(5) == 0) {
      AppendDigits(random_, digits_, 2);
    }
    const auto& domains = MailDomains();
    const std::string* domain = &domains[random_.Below(uint32_t(domains.size()))];
    // Too long for the field: without the decorative digits (never the distinct number), as
    // initial and surname, at the shortest domain, and at last with the name part shortened,
    // so that what is written stays an address at a reserved domain.
    auto length = [&] { return text_.size() + digits_.size() + 1 + domain->size(); };
    if (length() > width_ && !unique_) digits_.clear();
    if (length() > width_) text_ = f.substr(0, 1) + "." + l;
    if (length() > width_) domain = &Shortest(domains);
    if (length() > width_) {
      const size_t room = width_ > length() - text_.size() ? width_ - (length() - text_.size()) : 0;
      text_.resize(std::max<size_t>(room, 1));
      while (text_.size() > 1 && (text_.back() == '.' || text_.back() == '_' || text_.back() == '-'))
        text_.pop_back();
    }
    text_ += digits_;
    text_ += '@';
    text_ += *domain;
    out.PutText(text_);
  }

private:
  RandomStream random_;
  PersonDraw draw_;
  std::vector<std::string> first_, last_;
  uint32_t width_;
  bool unique_;
  uint64_t number_;
  std::string text_, digits_;
};

class StreetColumn : public ColumnSource {
public:
  StreetColumn(uint64_t seed, Words streets, uint32_t width)
      : random_(seed), streets_(std::move(streets)), shortest_(&Shortest(*streets_)),
        width_(width) {}
  void Produce(FieldWriter& out) override {
    const std::string* street = &Pick();
    number_.clear();
    AppendHouseNumber(random_, number_);
    // A street whose name leaves room for the house number.
    for (int i = 1; i < kFitTries && street->size() + 1 + number_.size() > width_; ++i) {
      const std::string* other = &Pick();
      if (other->size() < street->size()) street = other;
    }
    if (street->size() + 1 + number_.size() > width_) street = shortest_;
    text_ = *street;
    text_ += ' ';
    text_ += number_;
    out.PutText(text_);
  }

private:
  const std::string& Pick() { return (*streets_)[random_.Below(uint32_t(streets_->size()))]; }

  RandomStream random_;
  Words streets_;
  const std::string* shortest_;
  uint32_t width_;
  std::string text_, number_;
};

// Every postcode-town pair is German, so every place's country is the same.
class CountryColumn : public ColumnSource {
public:
  void Produce(FieldWriter& out) override { out.PutText("Deutschland"); }
};

class HouseNumberColumn : public ColumnSource {
public:
  explicit HouseNumberColumn(uint64_t seed) : random_(seed) {}
  void Produce(FieldWriter& out) override {
    text_.clear();
    AppendHouseNumber(random_, text_);
    out.PutText(text_);
  }

private:
  RandomStream random_;
  std::string text_;
};

class CompanyColumn : public ColumnSource {
public:
  CompanyColumn(uint64_t seed, Words names, Words branches, Words forms, uint32_t width)
      : random_(seed), names_(std::move(names)), branches_(std::move(branches)),
        forms_(std::move(forms)), width_(width),
        fallback_(Shortest(*names_) + " " + Shortest(*forms_)) {}
  void Produce(FieldWriter& out) override {
    Compose();
    // A name that leaves room for the legal form.
    for (int i = 1; i < kFitTries && text_.size() > width_; ++i) {
      shortest_.swap(text_);
      Compose();
      if (text_.size() > shortest_.size()) text_.swap(shortest_);
    }
    if (text_.size() > width_) text_ = fallback_;
    out.PutText(text_);
  }

private:
  void Compose() {
    const std::string& name = Pick(*names_);
    const std::string& branch = Pick(*branches_);
    switch (random_.Below(8)) {
      case 0: text_ = name + " & " + Pick(*names_); break;
      case 1:
      case 2: text_ = branch + " " + name; break;
      default: text_ = name + " " + branch; break;
    }
    text_ += ' ';
    text_ += Pick(*forms_);
  }

  const std::string& Pick(const std::vector<std::string>& list) {
    return list[random_.Below(uint32_t(list.size()))];
  }
  RandomStream random_;
  Words names_, branches_, forms_;
  uint32_t width_;
  std::string fallback_;  // the shortest name with the shortest legal form
  std::string text_, shortest_;
};

class IbanColumn : public ColumnSource {
public:
  IbanColumn(uint64_t seed, bool unique, std::shared_ptr<const TakenIndices> taken)
      : random_(seed), accounts_(random_.Next(), 10000000000ull), unique_(unique),
        taken_(std::move(taken)) {}
  void Produce(FieldWriter& out) override {
    // Bank codes begin with 1 to 8, as the German clearing areas do.
    const uint32_t bank = (1 + random_.Below(8)) * 10000000u + random_.Below(10000000u);
    const uint64_t account =
        unique_ ? accounts_.NextNotIn(taken_.get())
                : (uint64_t(random_.Below(100000)) * 100000u + random_.Below(100000));
    out.PutText(GermanIban(bank, account));
  }

private:
  RandomStream random_;
  DistinctIndices accounts_;
  bool unique_;
  std::shared_ptr<const TakenIndices> taken_;
};

class BicColumn : public ColumnSource {
public:
  explicit BicColumn(uint64_t seed) : random_(seed) {}
  void Produce(FieldWriter& out) override {
    char text[12];
    for (int i = 0; i < 4; ++i) text[i] = char('A' + random_.Below(26));
    text[4] = 'D';
    text[5] = 'E';
    static const char kLocation[] = "ABCDEFGHJKMNPRSTWXYZ23456789";
    text[6] = kLocation[random_.Below(sizeof kLocation - 1)];
    text[7] = kLocation[random_.Below(sizeof kLocation - 1)];
    text[8] = text[9] = text[10] = 'X';
    out.PutText(std::string_view(text, random_.Below(2) == 0 ? 8 : 11));
  }

private:
  RandomStream random_;
};

class DigitsColumn : public ColumnSource {
public:
  DigitsColumn(uint64_t seed, uint32_t fieldLength, bool unique,
               std::shared_ptr<const TakenIndices> taken)
      : random_(seed), width_(std::clamp<uint32_t>(fieldLength, 1, 18)),
        indices_(random_.Next(), GeneratedCapacity(Generated::Digits, fieldLength)),
        unique_(unique), taken_(std::move(taken)) {}
  void Produce(FieldWriter& out) override {
    char text[20];
    if (unique_) {
      uint64_t n = indices_.NextNotIn(taken_.get());
      for (uint32_t i = width_; i-- > 0; n /= 10) text[i] = char('0' + n % 10);
    } else {
      for (uint32_t i = 0; i < width_; ++i) text[i] = char('0' + random_.Below(10));
    }
    out.PutText(std::string_view(text, width_));
  }

private:
  RandomStream random_;
  uint32_t width_;
  DistinctIndices indices_;
  bool unique_;
  std::shared_ptr<const TakenIndices> taken_;
};

}  // namespace

std::vector<std::string> GeneratedFiles(Generated source) {
  switch (source) {
    case Generated::StreetNumber: return {"Strassen"};
    case Generated::Postcode:
    case Generated::Town: return {"PLZOrte"};
    case Generated::State: return {"PLZOrte", "PLZBundeslaender"};
    case Generated::Phone: return {"PLZOrte", "Vorwahlen"};
    case Generated::FirstName:
    case Generated::LastName:
    case Generated::Salutation:
    case Generated::Email: return {"VornamenMaennlich", "VornamenWeiblich", "Namen"};
    case Generated::Company: return {"Namen", "Branchen", "Rechtsformen"};
    case Generated::HouseNumber:
    case Generated::Country:
    case Generated::Iban:
    case Generated::Bic:
    case Generated::Digits: return {};
  }
  return {};
}

bool GeneratedMakesUnique(Generated source) {
  return source == Generated::Digits || source == Generated::Email || source == Generated::Iban;
}

uint64_t GeneratedCapacity(Generated source, uint32_t fieldLength) {
  if (source != Generated::Digits) return 0;
  uint64_t n = 1;
  for (uint32_t i = 0; i < std::clamp<uint32_t>(fieldLength, 1, 18); ++i) n *= 10;
  return n;
}

std::unique_ptr<ColumnSource> MakeGeneratedColumn(Generated source, uint64_t seed,
                                                  const GroupSeeds& groups,
                                                  const std::vector<Words>& files,
                                                  uint32_t fieldLength, bool unique,
                                                  const TakenValues& taken) {
  auto places = [&](bool withAreaCodes, bool withStates) {
    static const std::vector<std::string> kNone;
    return MakePlaces(*files[0], withAreaCodes ? *files[1] : kNone,
                      withStates ? *files[1] : kNone, groups.TownWidth,
                      groups.TownWidthInUtf8);
  };
  auto people = [&]() { return MakePeople(*files[0], *files[1], *files[2]); };
  switch (source) {
    case Generated::StreetNumber:
      return std::make_unique<StreetColumn>(seed, files[0], fieldLength);
    case Generated::HouseNumber: return std::make_unique<HouseNumberColumn>(seed);
    case Generated::Country: return std::make_unique<CountryColumn>();
    case Generated::Postcode:
    case Generated::Town:
    case Generated::State: {
      Places p = places(false, source == Generated::State);
      if (p.Size() == 0) return nullptr;
      return std::make_unique<PlaceColumn>(groups.Places, std::move(p), source);
    }
    case Generated::Phone: {
      Places p = places(true, false);
      if (p.Size() == 0) return nullptr;
      return std::make_unique<PhoneColumn>(seed, groups.Places, std::move(p), fieldLength);
    }
    case Generated::FirstName:
      return std::make_unique<PersonColumn>(groups.People, people(), PersonPart::First);
    case Generated::LastName:
      return std::make_unique<PersonColumn>(groups.People, people(), PersonPart::Last);
    case Generated::Salutation:
      return std::make_unique<PersonColumn>(groups.People, people(), PersonPart::Salutation);
    case Generated::Email:
      return std::make_unique<EmailColumn>(seed, groups.People, people(), fieldLength, unique,
                                           taken.LastNumber);
    case Generated::Company:
      return std::make_unique<CompanyColumn>(seed, files[0], files[1], files[2], fieldLength);
    case Generated::Iban: return std::make_unique<IbanColumn>(seed, unique, taken.Indices);
    case Generated::Bic: return std::make_unique<BicColumn>(seed);
    case Generated::Digits:
      return std::make_unique<DigitsColumn>(seed, fieldLength, unique, taken.Indices);
  }
  return nullptr;
}

std::string MailName(std::string_view cp1252) {
  std::string out;
  for (unsigned char c : cp1252) {
    if (c >= 'A' && c <= 'Z') c = uint8_t(c - 'A' + 'a');
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-') {
      out += char(c);
      continue;
    }
    switch (c) {
      case 0xE4: case 0xC4: out += "ae"; continue;
      case 0xF6: case 0xD6: out += "oe"; continue;
      case 0xFC: case 0xDC: out += "ue"; continue;
      case 0xDF: out += "ss"; continue;
      case 0x8A: case 0x9A: out += 's'; continue;
      case 0x8E: case 0x9E: out += 'z'; continue;
      default: break;
    }
    const unsigned char lower = (c >= 0xC0 && c <= 0xDE && c != 0xD7) ? uint8_t(c + 0x20) : c;
    if (lower >= 0xE0 && lower <= 0xE5) out += 'a';
    else if (lower == 0xE6) out += "ae";
    else if (lower == 0xE7) out += 'c';
    else if (lower >= 0xE8 && lower <= 0xEB) out += 'e';
    else if (lower >= 0xEC && lower <= 0xEF) out += 'i';
    else if (lower == 0xF1) out += 'n';
    else if ((lower >= 0xF2 && lower <= 0xF5) || lower == 0xF8) out += 'o';
    else if (lower >= 0xF9 && lower <= 0xFB) out += 'u';
    else if (lower == 0xFD || lower == 0xFF) out += 'y';
  }
  while (!out.empty() && out.front() == '-') out.erase(out.begin());
  while (!out.empty() && out.back() == '-') out.pop_back();
  return out;
}

const std::vector<std::string>& MailDomains() {
  static const std::vector<std::string> kDomains{"example.com",  "example.org",   "example.net",
                                                 "mail.example", "post.example",  "firma.example",
                                                 "web.example"};
  return kDomains;
}

}  // namespace fw
