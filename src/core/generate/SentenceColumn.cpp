#include "core/generate/SentenceColumn.h"

#include <algorithm>
#include <cstring>
#include <cmath>

namespace fw {
namespace {

using Slot = SentenceParts::Slot;

template <typename T>
const T& Pick(RandomStream& random, const std::vector<T>& items) {
  return items[random.Below(uint32_t(items.size()))];
}

// Appends a part of a sentence with one blank before it (none before a comma).
void AppendPart(std::string& sentence, std::string_view part) {
  if (part.empty()) return;
  if (!sentence.empty() && part.front() != ',') sentence += ' ';
  sentence += part;
}

// Windows-1252: a-z and the umlauts ä ö ü to their capitals.
char Capital(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 'a' && u <= 'z') return char(u - 32);
  if (u == 0xE4 || u == 0xF6 || u == 0xFC) return char(u - 32);
  return c;
}

// Bytes a Windows-1252 character takes in UTF-8: 0x80-0x9F are mostly signs of U+2000 and up.
size_t Utf8Width(unsigned char c) { return c < 0x80 ? 1 : c < 0xA0 ? 3 : 2; }

constexpr int kFirstSentenceTries = 8;

// One more than the blanks, counted eight bytes at a time: a byte of the word XOR blanks is
// zero exactly where the blank was, and (b & 0x7F) + 0x7F | b has its top bit clear exactly
// for a zero byte, without a carry into the next byte.
int64_t CountWords(std::string_view sentence) {
  constexpr uint64_t kBlanks = 0x2020202020202020ull, kLow7 = 0x7F7F7F7F7F7F7F7Full;
  int64_t blanks = 0;
  size_t i = 0;
  for (; i + 8 <= sentence.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, sentence.data() + i, 8);
    word ^= kBlanks;
    // The top bit of each byte that was a blank, moved to the byte's bottom and summed.
    const uint64_t marks = (~(((word & kLow7) + kLow7) | word) & ~kLow7) >> 7;
    blanks += int64_t((marks * 0x0101010101010101ull) >> 56);
  }
  for (; i < sentence.size(); ++i) blanks += sentence[i] == ' ';
  return 1 + blanks;
}

}  // namespace

SentenceColumn::SentenceColumn(uint64_t seed, std::shared_ptr<const SentenceParts> parts,
                               int64_t minWords, int64_t maxWords, uint32_t maxLength,
                               bool lengthInUtf8)
    : random_(seed), parts_(std::move(parts)), min_(std::max<int64_t>(minWords, 0)),
      max_(std::max(maxWords, min_)), maxLength_(maxLength), utf8_(lengthInUtf8) {}

size_t SentenceColumn::Cost(std::string_view text) const {
  if (!utf8_) return text.size();
  size_t bytes = 0;
  for (char c : text) bytes += Utf8Width(static_cast<unsigned char>(c));
  return bytes;
}

void SentenceColumn::MakeSentence() {
  const SentenceParts& parts = *parts_;
  const std::string* subject;
  const SentenceParts::Statement* statement;
  // Half the notes are about people, a quarter each about papers and about steps.
  switch (random_.Below(4)) {
    case 0:
    case 1:
      subject = &Pick(random_, parts.People);
      statement = &Pick(random_, parts.PersonStatements);
      break;
    case 2:
      subject = &Pick(random_, parts.Papers).Cases[0];
      statement = &Pick(random_, parts.PaperStatements);
      break;
    default:
      subject = &Pick(random_, parts.Steps).Cases[0];
      statement = &Pick(random_, parts.StepStatements);
      break;
  }
  // The first time slot of the statement gets a time phrase ({T} always, {t} in half the
  // sentences); further ones stay empty, so no sentence says when twice.
  const std::string* time = nullptr;
  const SentenceParts::Piece* timeSlot = nullptr;
  for (const SentenceParts::Piece& piece : statement->Rest) {
    if (piece.slot == Slot::Time || piece.slot == Slot::MaybeTime) {
      timeSlot = &piece;
      if (piece.slot == Slot::Time || random_.Below(2) == 0) time = &Pick(random_, parts.Times);
      break;
    }
  }
  const bool timeFirst = time && random_.Below(2) == 0;

  sentence_.clear();
  if (timeFirst) {
    AppendPart(sentence_, *time);
    AppendPart(sentence_, statement->Verb);
    AppendPart(sentence_, *subject);
  } else {
    AppendPart(sentence_, *subject);
    AppendPart(sentence_, statement->Verb);
  }
  for (const SentenceParts::Piece& piece : statement->Rest) {
    switch (piece.slot) {
      case Slot::Text: AppendPart(sentence_, piece.text); break;
      case Slot::PaperAcc: AppendPart(sentence_, Pick(random_, parts.Papers).Cases[1]); break;
      case Slot::PaperDat: AppendPart(sentence_, Pick(random_, parts.Papers).Cases[2]); break;
      case Slot::PaperGen: AppendPart(sentence_, Pick(random_, parts.Papers).Cases[3]); break;
      case Slot::StepAcc: AppendPart(sentence_, Pick(random_, parts.Steps).Cases[1]); break;
      case Slot::StepDat: AppendPart(sentence_, Pick(random_, parts.Steps).Cases[2]); break;
      case Slot::StepGen: AppendPart(sentence_, Pick(random_, parts.Steps).Cases[3]); break;
      case Slot::Time:
      case Slot::MaybeTime:
        if (time && !timeFirst && &piece == timeSlot) AppendPart(sentence_, *time);
        break;
    }
  }
  if (!sentence_.empty()) sentence_[0] = Capital(sentence_[0]);
  sentence_ += '.';
}

void SentenceColumn::AppendCut() {
  // The longest start of the sentence that ends before a blank and fits with a full stop.
  std::string_view words(sentence_);
  words.remove_suffix(1);  // its full stop
  size_t cut = std::string_view::npos;
  for (size_t blank = words.find(' '); blank != std::string_view::npos;
       blank = words.find(' ', blank + 1)) {
    if (Cost(words.substr(0, blank)) + 1 > maxLength_) break;
    cut = blank;
  }
  if (cut != std::string_view::npos) {
    std::string_view kept = words.substr(0, cut);
    while (!kept.empty() && kept.back() == ',') kept.remove_suffix(1);
    buffer_.assign(kept);
    buffer_ += '.';
    return;
  }
  // Not even the first word fits with a full stop: as much of the text as fits.
  buffer_.clear();
  size_t cost = 0;
  for (char c : words) {
    cost += Cost(std::string_view(&c, 1));
    if (cost > maxLength_) break;
    buffer_ += c;
  }
}

bool SentenceColumn::FirstThatFits() {
  // A few more sentences are drawn before one is cut: a short one that fits reads better.
  for (int tries = 0; tries < kFirstSentenceTries; ++tries) {
    MakeSentence();
    if (Cost(sentence_) <= maxLength_) {
      buffer_ = sentence_;
      return true;
    }
  }
  return false;
}

void SentenceColumn::Produce(FieldWriter& out) {
  int64_t target = min_;
  if (max_ != min_)
    target = min_ + int64_t(std::floor(random_.Real() * double(max_ - min_) + 0.5));
  buffer_.clear();
  int64_t words = 0;
  size_t cost = 0;
  while (words < target) {
    // No sentence fits in the room that is left: none is drawn.
    if (maxLength_ > 0 && words > 0 && cost + 1 + parts_->Shortest > maxLength_) break;
    MakeSentence();
    const int64_t count = CountWords(sentence_);
    if (words > 0 && words + count - target > target - words) break;
    const size_t sentenceCost = Cost(sentence_), blank = buffer_.empty() ? 0 : 1;
    if (maxLength_ > 0 && cost + blank + sentenceCost > maxLength_) {
      if (buffer_.empty() && !FirstThatFits()) AppendCut();
      break;
    }
    if (blank) buffer_ += ' ';
    buffer_ += sentence_;
    cost += blank + sentenceCost;
    words += count;
  }
  out.PutText(buffer_);
}

}  // namespace fw
