#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "core/generate/Random.h"
#include "core/generate/SentenceParts.h"
#include "core/platform/DBServer.h"

namespace fw {

// Notes of whole German sentences (source "Saetze") for memo and long character fields:
// "Der Kunde bittet um Rückruf wegen der offenen Rechnung. Die Lieferung erfolgt voraussichtlich
// nächste Woche." A sentence is a subject, its verb and the rest of the statement, or a time
// phrase, the verb, the subject and the rest; it begins with a capital and ends with a full stop.
//
// Word count: a count W is drawn from minWords to maxWords as the memo source draws it (both
// ends half as likely). Sentences are added while the text has fewer than W words; the last one
// is kept only when the count with it is at least as near to W as without it, and the first
// always, so a text has about W words, off by at most half a sentence, and W = 0 gives an
// empty text.
// Length: with `maxLength` (0: no limit) no text is longer: a sentence that does not fit is
// left out, so a text ends at a sentence. When the first sentence does not fit alone, up to eight
// more are drawn and the first of them that fits is taken; only when none does, the last one is
// cut after its last whole word that fits with the full stop (mid-word only when not even its
// first word fits). The word count of such a text may then fall short of W. With `lengthInUtf8` the length counts the bytes the text takes in UTF-8.
class SentenceColumn : public ColumnSource {
public:
  SentenceColumn(uint64_t seed, std::shared_ptr<const SentenceParts> parts, int64_t minWords,
                 int64_t maxWords, uint32_t maxLength, bool lengthInUtf8 = false);
  void Produce(FieldWriter& out) override;

private:
  void MakeSentence();
  size_t Cost(std::string_view text) const;
  bool FirstThatFits();
  void AppendCut();
  RandomStream random_;
  std::shared_ptr<const SentenceParts> parts_;
  int64_t min_, max_;
  uint32_t maxLength_;
  bool utf8_;
  std::string buffer_, sentence_;
};

}  // namespace fw
