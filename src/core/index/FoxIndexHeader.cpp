#include "core/index/FoxIndexHeader.h"

#include <array>
#include <cstring>
#include <string_view>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"

namespace fw {

namespace {

constexpr size_t kPool = 512;

uint32_t Le16(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}
void PutLe16(std::string& b, size_t at, uint32_t v) {
  b[at] = char(uint8_t(v));
  b[at + 1] = char(uint8_t(v >> 8));
}

// The text from `at` in the pool up to its zero byte, at most `length` bytes.
std::string PoolText(const std::string& header, size_t at, size_t length) {
  std::string text = header.substr(kPool + at, length);
  text.resize(std::strlen(text.c_str()));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

FoxHeader ParseFoxHeader(const std::string& header, const std::string& what,
                         const std::string& fileName) {
  FoxHeader h;
  h.Root = Le16(header, 0) | Le16(header, 2) << 16;
  h.KeyLength = Le16(header, 12);
  h.Options = uint8_t(header[14]);
  h.Signature = uint8_t(header[15]);
  h.Descending = Le16(header, 502) != 0;
  if (h.KeyLength == 0 || h.KeyLength > kFoxMaxKeyLength)
    throw IndexFailure{"Die Schlüssellänge " + std::to_string(h.KeyLength) + " im Kopf für " +
                           what + " ist unmöglich (erlaubt sind 1 bis 240 Bytes).",
                       fileName};
  uint32_t forAt = Le16(header, 504), forLength = Le16(header, 506);
  const uint32_t keyAt = Le16(header, 508), keyLength = Le16(header, 510);
  if (keyAt + keyLength > kPool || forAt + forLength > kPool)
    throw IndexFailure{"Die Ausdrücke im Kopf für " + what + " reichen über ihren Platz hinaus.",
                       fileName};
  // Some programs leave the FOR expression's offset 0 behind the key expression.
  if (keyAt == 0 && keyLength != 0 && forAt == 0 && forLength != 0) forAt = keyLength;
  h.KeyExpression = PoolText(header, keyAt, keyLength ? keyLength : kPool - keyAt);
  if (forLength) h.ForExpression = PoolText(header, forAt, forLength);
  return h;
}

std::string FoxHeaderProblem(const std::string& header) {
  // Visual FoxPro names a tag's collation sequence in the header's reserved bytes; the
  // machine order is the only one whose keys are the text's own bytes.
  static const std::array<std::string_view, 15> kCollations = {
      "GENERAL", "DUTCH",   "ICELAND", "NORDAN",  "SPANISH", "SWEFIN",  "CZECH", "GREEK",
      "HUNGARY", "POLISH",  "RUSSIAN", "SLOVAK",  "TURKISH", "UNIQWT",  "PINYIN"};
  const std::string_view reserved = std::string_view(header).substr(24, 502 - 24);
  for (std::string_view name : kCollations)
    if (reserved.find(name) != std::string_view::npos)
      return "Die Sortierfolge " + std::string(name) +
             " wird nicht nachgebildet; nur MACHINE wird neu aufgebaut.";
  if (uint8_t(header[15]) == 0x21)
    return "Die Datei ist eine große Indexdatei von Harbour (Seitennummern statt Offsets).";
  if (uint8_t(header[15]) == 0x01 && header[499] == 1)
    return "Die Schlüssel werden vom Laufzeitsystem in Großbuchstaben gewandelt "
           "(ignoreCase); das wird nicht nachgebildet.";
  if (uint8_t(header[14]) & kFoxTemporary)
    return "Die Ordnung ist nur teilweise geführt (temporär); sie lässt sich nicht aus den "
           "Sätzen neu aufbauen.";
  return {};
}

std::string ComposeFoxHeader(std::string kept, const IndexTag& tag, uint32_t root,
                             const std::string& fileName) {
  std::string h = kept.size() == kFoxHeaderSize ? std::move(kept) : std::string(kFoxHeaderSize, '\0');
  if (h[15] == 0) h[15] = 1;
  const bool freeIsMinusOne = Le16(h, 4) == 0xFFFF && Le16(h, 6) == 0xFFFF;
  PutLe16(h, 0, root & 0xFFFF);
  PutLe16(h, 2, root >> 16);
  PutLe16(h, 4, freeIsMinusOne ? 0xFFFF : 0);
  PutLe16(h, 6, freeIsMinusOne ? 0xFFFF : 0);
  PutLe16(h, 12, tag.KeyLength);
  uint8_t options = uint8_t(h[14]) & uint8_t(~(kFoxUnique | kFoxFor | kFoxCandidate));
  options |= kFoxCompact;
  if (tag.Unique) options |= kFoxUnique;
  if (tag.Candidate) options |= kFoxCandidate;
  if (!tag.ForExpression.empty()) options |= kFoxFor;
  h[14] = char(options);
  PutLe16(h, 502, tag.Descending ? 1 : 0);
  const size_t keyLength = tag.KeyExpression.size() + 1;
  const size_t forLength = tag.ForExpression.size() + 1;
  if (keyLength + forLength > kPool)
    RaiseDbf(gen::kDataWidth, "Die Ausdrücke des Tags „" + tag.Name +
                                  "“ passen nicht in den Kopf der Indexdatei.",
             fileName);
  std::string pool = tag.KeyExpression + '\0' + tag.ForExpression + '\0';
  pool.resize(kPool, '\0');
  h.replace(kPool, kPool, pool);
  PutLe16(h, 504, uint32_t(keyLength));
  PutLe16(h, 506, uint32_t(forLength));
  PutLe16(h, 508, 0);
  PutLe16(h, 510, uint32_t(keyLength));
  return h;
}

}  // namespace fw
