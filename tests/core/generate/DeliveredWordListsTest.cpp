// Checks the word-source files shipped in data/ProgrammDaten: they are read as single-byte
// Windows-1252 text, split at "," only, each entry trimmed; a line break is no separator.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <ostream>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/platform/CodePage.h"

namespace {

struct WordList {
  const char* name;      // source name, file name without ".txt"
  bool needsUmlaut;      // the real words of this list carry umlauts or ß
  bool isPostalCode;     // every entry is a five-digit postal code
};

const WordList kLists[] = {
    {"Namen", true, false},    {"Vornamen", true, false}, {"Strassen", true, false},
    {"PLZ", false, true},      {"Orte", true, false},     {"Worte", true, false},
};

// Names the list in test output instead of dumping the struct's bytes.
void PrintTo(const WordList& list, std::ostream* os) { *os << list.name; }

std::string PathOf(const WordList& list) {
  return std::string(FW_SOURCE_DIR) + "/data/ProgrammDaten/" + list.name + ".txt";
}

bool ReadWhole(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Split at every "," and trim blanks and line breaks: k commas give k + 1 entries.
std::vector<std::string> SplitEntries(std::string_view text) {
  std::vector<std::string> entries;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    std::string_view piece = text.substr(start, comma == std::string_view::npos
                                                    ? std::string_view::npos
                                                    : comma - start);
    while (!piece.empty() && IsBlank(piece.front())) piece.remove_prefix(1);
    while (!piece.empty() && IsBlank(piece.back())) piece.remove_suffix(1);
    entries.emplace_back(piece);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return entries;
}

bool IsUmlautOrSharpS(unsigned char c) {
  return c == 0xC4 || c == 0xD6 || c == 0xDC || c == 0xE4 || c == 0xF6 || c == 0xFC || c == 0xDF;
}

// Bytes a word may hold: printable ASCII and the Windows-1252 letters of 0xC0-0xFF. Control
// characters, and the 0x80-0xBF range (typographic signs, soft hyphen, the unassigned codes),
// are what a copy from a word processor or a wrong conversion leaves behind.
bool IsWordByte(unsigned char c) { return (c >= 0x20 && c < 0x7F) || c >= 0xC0; }

class DeliveredWordListsTest : public ::testing::TestWithParam<WordList> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ReadWhole(PathOf(GetParam()), text_)) << "missing: " << PathOf(GetParam());
    entries_ = SplitEntries(text_);
  }
  std::string text_;
  std::vector<std::string> entries_;
};

TEST_P(DeliveredWordListsTest, IsSingleByteWindows1252Text) {
  EXPECT_FALSE(fw::IsUtf8WithNonAscii(text_)) << "stored as UTF-8, not Windows-1252";
  for (size_t i = 0; i < text_.size(); ++i) {
    const unsigned char c = text_[i];
    EXPECT_TRUE(IsWordByte(c) || c == '\r' || c == '\n')
        << "unexpected byte 0x" << std::hex << int(c) << std::dec << " at offset " << i;
  }
}

TEST_P(DeliveredWordListsTest, EntriesAreEnoughNonEmptyUniqueAndFitTheFields) {
  EXPECT_GE(entries_.size(), 300u);
  std::set<std::string> seen;
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string& entry = entries_[i];
    EXPECT_FALSE(entry.empty()) << "empty entry number " << i + 1 << " of " << entries_.size();
    EXPECT_LE(entry.size(), 25u) << fw::Cp1252ToUtf8(entry);
    EXPECT_TRUE(seen.insert(entry).second) << "duplicate: " << fw::Cp1252ToUtf8(entry);
    for (unsigned char c : entry) {
      EXPECT_TRUE(IsWordByte(c)) << "line break or control byte inside entry number " << i + 1;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Delivered, DeliveredWordListsTest, ::testing::ValuesIn(kLists),
                         [](const ::testing::TestParamInfo<WordList>& info) {
                           return std::string(info.param.name);
                         });

TEST(DeliveredWordListsContentTest, PostalCodesAreFiveDigitsWithLeadingZerosKept) {
  for (const WordList& list : kLists) {
    if (!list.isPostalCode) continue;
    SCOPED_TRACE(list.name);
    std::string text;
    ASSERT_TRUE(ReadWhole(PathOf(list), text));
    bool leadingZero = false;
    for (const std::string& entry : SplitEntries(text)) {
      EXPECT_EQ(entry.size(), 5u) << entry;
      for (char c : entry) EXPECT_TRUE(c >= '0' && c <= '9') << entry;
      if (!entry.empty() && entry.front() == '0') leadingZero = true;
    }
    // Codes of Saxony and Thuringia start with 0; a round trip through a number drops it.
    EXPECT_TRUE(leadingZero);
  }
}

TEST(DeliveredWordListsContentTest, RealWordsKeepTheirUmlauts) {
  for (const WordList& list : kLists) {
    if (!list.needsUmlaut) continue;
    SCOPED_TRACE(list.name);
    std::string text;
    ASSERT_TRUE(ReadWhole(PathOf(list), text));
    bool found = false;
    for (unsigned char c : text) found = found || IsUmlautOrSharpS(c);
    EXPECT_TRUE(found) << "no byte of Ä Ö Ü ä ö ü ß";
  }
}

// The splitting these checks rely on, on texts whose answer is known.
TEST(DeliveredWordListsSplitTest, LineBreaksAreNoSeparatorsAndATrailingCommaGivesAnEmptyEntry) {
  EXPECT_EQ(SplitEntries("a, b,\r\nc"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitEntries("a\nb"), (std::vector<std::string>{"a\nb"}));
  EXPECT_EQ(SplitEntries("a,b,"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(SplitEntries(""), (std::vector<std::string>{""}));
}

}  // namespace
