#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/generate/FillTestSupport.h"
#include "core/generate/SentenceColumn.h"
#include "core/generate/WordSource.h"
#include "core/platform/CodePage.h"

namespace fw {
namespace {

std::shared_ptr<const SentenceParts> DeliveredParts() {
  auto parts = std::make_shared<SentenceParts>();
  std::string error;
  EXPECT_TRUE(LoadSentenceParts(std::string(FW_SOURCE_DIR) + "/data/ProgrammDaten/", *parts,
                                error))
      << error;
  return parts;
}

std::vector<std::string> Sentences(const std::string& text) {
  std::vector<std::string> sentences;
  size_t start = 0;
  for (size_t stop = text.find(". "); stop != std::string::npos; stop = text.find(". ", start)) {
    sentences.push_back(text.substr(start, stop + 1 - start));
    start = stop + 2;
  }
  sentences.push_back(text.substr(start));
  return sentences;
}

size_t Words(const std::string& text) {
  return 1 + size_t(std::count(text.begin(), text.end(), ' '));
}

bool IsCapital(char c) {
  return (c >= 'A' && c <= 'Z') || c == '\xC4' || c == '\xD6' || c == '\xDC';
}

TEST(SentenceColumnTest, TextsAreWholeSentencesOfAboutTheAskedWords) {
  SentenceColumn column(2026, DeliveredParts(), 10, 40, 0);
  test::RecordingWriter out;
  for (int i = 0; i < 3000; ++i) column.Produce(out);
  size_t longestSentence = 0, totalWords = 0;
  for (const std::string& text : out.Texts) {
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.find("  "), std::string::npos) << Cp1252ToUtf8(text);
    ASSERT_EQ(text.find(" ,"), std::string::npos) << Cp1252ToUtf8(text);
    for (const std::string& sentence : Sentences(text)) {
      ASSERT_TRUE(IsCapital(sentence.front())) << Cp1252ToUtf8(text);
      ASSERT_EQ(sentence.back(), '.') << Cp1252ToUtf8(text);
      ASSERT_EQ(std::count(sentence.begin(), sentence.end(), '{'), 0) << Cp1252ToUtf8(text);
      longestSentence = std::max(longestSentence, Words(sentence));
    }
    totalWords += Words(text);
  }
  for (const std::string& text : out.Texts) {
    EXPECT_GE(Words(text) + longestSentence / 2, 10u) << Cp1252ToUtf8(text);
    EXPECT_LE(Words(text), 40 + longestSentence / 2) << Cp1252ToUtf8(text);
  }
  EXPECT_NEAR(double(totalWords) / double(out.Texts.size()), 25.0, 2.0);
  // A field stops drawing sentences when the room left is below the shortest one: that
  // length must never be more than a real sentence takes (a text of one word is one sentence).
  SentenceColumn single(5, DeliveredParts(), 1, 1, 0);
  test::RecordingWriter one;
  size_t shortestSentence = SIZE_MAX;
  for (int i = 0; i < 5000; ++i) {
    single.Produce(one);
    shortestSentence = std::min(shortestSentence, one.Texts.back().size());
  }
  EXPECT_LE(DeliveredParts()->Shortest, shortestSentence);
  EXPECT_GE(DeliveredParts()->Shortest + 12, shortestSentence);

  SentenceColumn none(1, DeliveredParts(), 0, 0, 0);
  none.Produce(out);
  EXPECT_EQ(out.Texts.back(), "");
}

// Every word the delivered parts hold, the first letter also as a capital.
std::set<std::string> DeliveredWords() {
  std::set<std::string> words;
  for (const std::string& name : SentenceFiles()) {
    std::string text;
    EXPECT_EQ(ReadWordFile(std::string(FW_SOURCE_DIR) + "/data/ProgrammDaten/" + name + ".txt",
                           text),
              WordFileRead::Ok);
    std::string word;
    for (char c : text + " ") {
      if (c == ' ' || c == ',' || c == '|' || c == '\r' || c == '\n' || c == '\t') {
        if (!word.empty() && word.back() == '.') word.pop_back();  // "Dr."
        if (!word.empty() && word.front() != '{') {
          words.insert(word);
          word[0] = char(word[0] >= 'a' && word[0] <= 'z' ? word[0] - 32
                         : word[0] == '\xFC' ? '\xDC' : word[0]);
          words.insert(word);
        }
        word.clear();
      } else {
        word += c;
      }
    }
  }
  return words;
}

TEST(SentenceColumnTest, AFieldIsNeverExceededNorCutInsideAWord) {
  // Only when no first word fits ("Voraussichtlich" in 5) the text is the start of one.
  const std::set<std::string> known = DeliveredWords();
  for (uint32_t limit : {5u, 16u, 30u, 60u}) {
    SentenceColumn limited(9, DeliveredParts(), 1, 20, limit);
    test::RecordingWriter out;
    for (int i = 0; i < 1000; ++i) {
      limited.Produce(out);
      const std::string& text = out.Texts.back();
      ASSERT_LE(text.size(), limit);
      if (limit == 5 && text.find(' ') == std::string::npos && text.back() != '.') continue;
      ASSERT_EQ(text.back(), '.') << Cp1252ToUtf8(text);
      std::string word;
      for (char c : text) {
        if (c != ' ' && c != '.' && c != ',') {
          word += c;
          continue;
        }
        ASSERT_TRUE(word.empty() || known.count(word)) << Cp1252ToUtf8(word) << " in "
                                                       << Cp1252ToUtf8(text);
        word.clear();
      }
    }
  }
  // Several sentences stop at a sentence; in a UTF-8 table an umlaut takes two bytes.
  SentenceColumn utf8(4, DeliveredParts(), 30, 60, 70, true);
  test::RecordingWriter out;
  for (int i = 0; i < 500; ++i) utf8.Produce(out);
  for (const std::string& text : out.Texts) {
    ASSERT_LE(Cp1252ToUtf8(text).size(), 70u) << Cp1252ToUtf8(text);
    ASSERT_EQ(text.back(), '.');
  }
}

TEST(SentencePartsTest, DamagedPartsAreRefusedWithFileAndEntry) {
  std::vector<std::string> texts = {"der Kunde",    "die Rechnung|die Rechnung|der Rechnung|der Rechnung",
                                    "der Versand|den Versand|dem Versand|des Versands",
                                    "heute",        "prüft | {t} {UA}",
                                    "ist | da",     "erfolgt | {T}"};
  SentenceParts parts;
  std::string error;
  ASSERT_TRUE(ParseSentenceParts(texts, parts, error)) << error;

  auto refused = [&](size_t file, const std::string& text) {
    std::vector<std::string> damaged = texts;
    damaged[file] = text;
    EXPECT_FALSE(ParseSentenceParts(damaged, parts, error)) << text;
    return error;
  };
  EXPECT_EQ(refused(1, "die Rechnung|die Rechnung|der Rechnung"),
            "In SatzUnterlagen.txt, Eintrag 1: ein Wort braucht vier Fälle, Nominativ | "
            "Akkusativ | Dativ | Genitiv.");
  EXPECT_NE(refused(4, "prüft | {t} {UA}, fragt | nach {X}").find("Eintrag 2: unbekannter"),
            std::string::npos)
      << error;
  EXPECT_NE(refused(6, "erfolgt | {T").find("\"{T\""), std::string::npos) << error;
  EXPECT_NE(refused(5, "ist da").find("durch | getrennt"), std::string::npos) << error;
  EXPECT_EQ(refused(3, " , "), "Die Datei SatzZeiten.txt hat keinen Eintrag.");
}

}  // namespace
}  // namespace fw
