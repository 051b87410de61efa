#include "core/index/MdxFormat.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "core/platform/Date.h"
#include "core/platform/FileIo.h"

namespace fw {
namespace {

// Offsets are counted in pages of 512 bytes; a block is one or more pages.
constexpr uint32_t kPage = 512;
// The file header is followed by the tag table at 544; the header and the table fill the first
// 2048 bytes (47 entries of 32 bytes), the first tag header starts behind them.
constexpr uint32_t kHeaderBytes = 2048;
constexpr uint32_t kTagTable = 544;
constexpr uint32_t kTagEntryBytes = 32;
constexpr uint32_t kMaxTags = 47;

// A tag header block: root block's page (0-3), the tag's pages (4-7), key format (8: 08h
// descending, 40h unique), key type (9), key length (12-13), keys a block holds (14-15),
// bytes of one entry (18-19), unique flag (23), key expression (24, up to 220 bytes, NUL-ended),
// FOR flag (245), "has keys" flag (246), first and last leaf (248-255), FOR expression (762,
// NUL-ended; where the public descriptions put it, not yet seen in a file).
constexpr uint32_t kExpressionBytes = 220;
constexpr uint32_t kForExpression = 762;

// A node block: entry count (0-3), a word the writer leaves 0 (4-7), then the entries, each a
// 4-byte record number (leaf) or child page (inner node) and the key, `itemBytes` long. An inner
// node holds one more child page after its last entry, for the keys above its last key; in a
// leaf that place is 0.
constexpr uint32_t kNodeHead = 8;

// JD of 1.1.0001 (proleptic Gregorian) minus one: fw::Date's day number plus this is the day's
// Julian day number, the number a date key stores.
constexpr double kJulianOffset = 1721425.0;

uint16_t Le16(const unsigned char* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const unsigned char* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
void PutLe32(unsigned char* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}
std::string KeptBytes(const IndexFileInfo& file, size_t at, size_t count) {
  return std::string(reinterpret_cast<const char*>(file.Kept.data()) + at, count);
}
unsigned char* Bytes(std::string& s, size_t at = 0) {
  return reinterpret_cast<unsigned char*>(s.data()) + at;
}
std::string CString(const std::string& s, size_t at, size_t max) {
  std::string out = s.substr(at, max);
  out.resize(std::strlen(out.c_str()));
  return out;
}
std::string Hex(unsigned value) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02Xh", value);
  return buf;
}

[[noreturn]] void Fail(const std::string& description, const std::string& path) {
  throw IndexFailure{description, path};
}

// What a rebuild needs from Kept: the file header region and each tag's header block.
struct Layout {
  uint32_t BlockBytes = 0;
  uint32_t HeaderBytes = 0;  // the first blocks: file header and tag table
  uint8_t Language = 0;
};

Layout LayoutOf(const IndexFileInfo& file) {
  if (file.Kept.size() < kHeaderBytes) throw std::logic_error("MDX: Kept is not an MDX header");
  Layout l;
  l.BlockBytes = Le16(file.Kept.data() + 22);
  l.Language = file.Kept[31];
  if (l.BlockBytes == 0) throw std::logic_error("MDX: Kept is not an MDX header");
  l.HeaderBytes = uint32_t(file.Kept.size() - file.Tags.size() * l.BlockBytes);
  return l;
}

// Language drivers whose order is the bytes' order. Under any other driver dBase (and TDbf)
// order text keys by the driver's weight table; it keeps blank, digits and capital letters
// A-Z in their byte order, so keys of only those characters are still built exactly.
bool CollatesByByte(uint8_t language) { return language == 0x00 || language == 0x57; }
bool SameOrderUnderAnyDriver(unsigned char c) {
  return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z');
}

// An IEEE double (as a date key stores it, little-endian) turned into 8 bytes that sort with
// memcmp in numeric order, and back.
std::string DoubleSortBytes(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, 8);
  bits = (bits >> 63) ? ~bits : (bits | (uint64_t(1) << 63));
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[size_t(i)] = char(bits >> (56 - 8 * i));
  return out;
}
std::string DoubleStoredBytes(std::string_view sortKey) {
  uint64_t bits = 0;
  for (size_t i = 0; i < 8 && i < sortKey.size(); ++i) bits = (bits << 8) | uint8_t(sortKey[i]);
  bits = (bits >> 63) ? (bits & ~(uint64_t(1) << 63)) : ~bits;
  std::string out(8, '\0');
  for (int i = 0; i < 8; ++i) out[size_t(i)] = char(bits >> (8 * i));
  return out;
}

// The order dBase and TDbf give numeric keys: negative below positive; for one sign, the
// exponent byte first, then the digits; both reversed for negative numbers. (Zero has the
// exponent byte of 0.1 to 0.9, so 0.05 sorts below 0 as it does in their trees.) The sort
// bytes: 00h (negative) or 01h, then the exponent byte and the ten digit bytes, inverted for
// negative numbers. The stored byte 1 follows from the sign and the digits.
std::string NumberSortBytes(const std::string& stored) {
  const bool negative = (uint8_t(stored[1]) & 0x80) != 0;
  std::string out(12, '\0');
  out[0] = negative ? '\0' : '\1';
  out[1] = negative ? char(~stored[0]) : stored[0];
  for (size_t i = 2; i < 12; ++i) out[i] = negative ? char(~stored[i]) : stored[i];
  return out;
}
std::string NumberStoredBytes(std::string_view sortKey) {
  std::string out(12, '\0');
  if (sortKey.size() < 12) return out;
  const bool negative = sortKey[0] == '\0';
  out[0] = negative ? char(~sortKey[1]) : sortKey[1];
  unsigned digits = 0;
  for (size_t i = 2; i < 12; ++i) {
    out[i] = negative ? char(~sortKey[i]) : sortKey[i];
    const uint8_t b = uint8_t(out[i]);
    if (b & 0x0F) digits = unsigned(2 * (i - 2) + 2);
    else if (b & 0xF0) digits = unsigned(2 * (i - 2) + 1);
  }
  out[1] = char((negative ? 0x80 : 0x00) | (digits * 4 + 1));
  return out;
}

class MdxFormatHandler final : public IndexFormatHandler {
public:
  IndexFileInfo Read(const std::string& path) const override;
  std::string SortKey(const IndexFileInfo& file, const IndexTag& tag,
                      const Value& value) const override;
  std::string StoredKey(const IndexFileInfo& file, const IndexTag& tag,
                        std::string_view sortKey) const override;
  void Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys, uint32_t recordCount,
             const std::string& outPath) const override;
};

IndexFileInfo MdxFormatHandler::Read(const std::string& path) const {
  File in = File::Open(path, true);
  const uint64_t size = in.Size();
  if (size < kHeaderBytes)
    Fail("Die MDX-Datei ist kürzer als ihr Kopf; sie ist beschädigt.", path);
  std::string head(kHeaderBytes, '\0');
  in.ReadExactly(0, head.data(), head.size());
  const unsigned char* h = reinterpret_cast<const unsigned char*>(head.data());

  IndexFileInfo info;
  info.Format = IndexFormat::Mdx;
  info.Path = path;
  info.Structural = h[24] != 0;
  const unsigned version = h[0];
  if (version != 2 && version != 3)
    Fail("Die MDX-Datei hat die unbekannte Versionskennung " + std::to_string(version) + ".", path);
  const uint32_t pagesPerBlock = Le16(h + 20);
  const uint32_t blockBytes = Le16(h + 22);
  if (pagesPerBlock == 0 || blockBytes == 0)
    Fail("Die MDX-Datei nennt die Blockgröße 0; sie ist beschädigt.", path);
  if (blockBytes != pagesPerBlock * kPage)
    Fail("Die Blockgröße der MDX-Datei (" + std::to_string(blockBytes) +
             " Bytes) passt nicht zu ihren " + std::to_string(pagesPerBlock) +
             " Seiten je Block; sie ist beschädigt.",
         path);
  const uint32_t tagCount = Le16(h + 28);
  if (tagCount > kMaxTags)
    Fail("Die MDX-Datei nennt " + std::to_string(tagCount) +
             " Tags; eine MDX-Datei fasst höchstens 47.",
         path);
  const uint32_t entryBytes = h[26];
  if (tagCount > 0 && entryBytes != kTagEntryBytes)
    Fail("Die Tag-Tabelle der MDX-Datei hat Einträge von " + std::to_string(entryBytes) +
             " statt 32 Bytes; sie ist beschädigt.",
         path);
  if (version == 3)
    info.Unsupported = "MDX-Dateien von dBase 7 (Version 3) werden nicht neu aufgebaut.";

  const uint32_t headerBytes = (kHeaderBytes + blockBytes - 1) / blockBytes * blockBytes;
  const uint32_t headerPages = headerBytes / kPage;
  if (size < headerBytes) Fail("Die MDX-Datei ist kürzer als ihr Kopf; sie ist beschädigt.", path);
  info.Kept.resize(headerBytes);
  in.ReadExactly(0, info.Kept.data(), headerBytes);
  const auto blockInFile = [&](uint32_t page) {
    return page >= headerPages && uint64_t(page) * kPage + blockBytes <= size;
  };

  std::string block(blockBytes, '\0');
  for (uint32_t i = 0; i < tagCount; ++i) {
    const unsigned char* entry = h + kTagTable + i * kTagEntryBytes;
    IndexTag tag;
    tag.Name = CString(head, kTagTable + i * kTagEntryBytes + 4, 11);
    const std::string named = "Der Tag \"" + tag.Name + "\" der MDX-Datei";
    const uint32_t headerPage = Le32(entry);
    if (!blockInFile(headerPage))
      Fail(named + " hat seinen Kopf außerhalb der Datei (Seite " + std::to_string(headerPage) +
               "); sie ist beschädigt.",
           path);
    in.ReadExactly(uint64_t(headerPage) * kPage, block.data(), blockBytes);
    const unsigned char* t = reinterpret_cast<const unsigned char*>(block.data());
    tag.KeyType = char(t[9]);
    tag.KeyLength = Le16(t + 12);
    const uint32_t maxKeys = Le16(t + 14);
    const uint32_t itemBytes = Le16(t + 18);
    if (tag.KeyType != 'C' && tag.KeyType != 'N' && tag.KeyType != 'D')
      Fail(named + " hat den unbekannten Schlüsseltyp " + Hex(t[9]) + ".", path);
    if (tag.KeyLength == 0 || kNodeHead + 2 * (tag.KeyLength + 4) > blockBytes)
      Fail(named + " nennt die Schlüssellänge " + std::to_string(tag.KeyLength) +
               ", die nicht in einen Block von " + std::to_string(blockBytes) +
               " Bytes passt; sie ist beschädigt.",
           path);
    if ((tag.KeyType == 'N' && tag.KeyLength != 12) ||
        (tag.KeyType == 'D' && tag.KeyLength != 8 && tag.KeyLength != 12))
      Fail(named + " nennt für seinen Schlüsseltyp " + std::string(1, tag.KeyType) +
               " die falsche Schlüssellänge " + std::to_string(tag.KeyLength) + ".",
           path);
    if (itemBytes < tag.KeyLength + 4 || maxKeys < 2 ||
        kNodeHead + uint64_t(maxKeys) * itemBytes > blockBytes)
      Fail(named + " nennt mehr oder längere Schlüssel je Block, als ein Block fasst; sie ist "
                   "beschädigt.",
           path);
    const uint32_t root = Le32(t);
    if (!blockInFile(root))
      Fail(named + " hat seinen Wurzelblock außerhalb der Datei (Seite " + std::to_string(root) +
               "); sie ist beschädigt.",
           path);
    tag.KeyExpression = CString(block, 24, kExpressionBytes);
    if (t[245] != 0 && blockBytes > kForExpression)
      tag.ForExpression =
          CString(block, kForExpression, std::min<size_t>(kExpressionBytes, blockBytes - kForExpression));
    tag.Descending = (t[8] & 0x08) != 0;
    tag.Unique = (t[8] & 0x40) != 0 || t[23] != 0;
    info.Tags.push_back(std::move(tag));
    info.Kept.insert(info.Kept.end(), block.begin(), block.end());
  }
  return info;
}

std::string MdxFormatHandler::SortKey(const IndexFileInfo& file, const IndexTag& tag,
                                      const Value& value) const {
  const std::string named = "Der Schlüssel des Tags \"" + tag.Name + "\"";
  switch (tag.KeyType) {
    case 'C': {
      if (!value.IsText() && !value.IsNil())
        Fail(named + " ergibt keinen Text, wie es der Tag verlangt.", file.Path);
      std::string key = value.AsText();
      key.resize(tag.KeyLength, ' ');
      const uint8_t language = LayoutOf(file).Language;
      if (!CollatesByByte(language))
        for (unsigned char c : key)
          if (!SameOrderUnderAnyDriver(c))
            Fail(named + " enthält ein Zeichen (Byte " + Hex(c) +
                     "), das der Sprachtreiber der MDX-Datei (" + Hex(language) +
                     ") nicht nach seinem Bytewert einordnet.",
                 file.Path);
      return key;
    }
    case 'N':
      if (!value.IsNumber() && !value.IsNil())
        Fail(named + " ergibt keine Zahl, wie es der Tag verlangt.", file.Path);
      return NumberSortBytes(MdxNumberKey(value.AsNumber(), file.Path));
    default: {
      if (!value.IsDate() && !value.IsNil())
        Fail(named + " ergibt kein Datum, wie es der Tag verlangt.", file.Path);
      const Date date = value.AsDate();
      const double julian = date.IsEmpty() ? 0.0 : date.DayNumber() + kJulianOffset;
      if (tag.KeyLength == 8) return DoubleSortBytes(julian);
      return NumberSortBytes(MdxNumberKey(julian, file.Path));
    }
  }
}

std::string MdxFormatHandler::StoredKey(const IndexFileInfo& file, const IndexTag& tag,
                                        std::string_view sortKey) const {
  (void)file;
  if (tag.KeyType == 'N' || (tag.KeyType == 'D' && tag.KeyLength == 12))
    return NumberStoredBytes(sortKey);
  if (tag.KeyType == 'D') return DoubleStoredBytes(sortKey);
  return std::string(sortKey);
}

// Writes blocks one after the other from a given page on, in about 1 MiB at a time.
class BlockStream {
public:
  BlockStream(File& out, uint32_t blockBytes, uint32_t firstPage)
      : out_(out), blockBytes_(blockBytes), nextPage_(firstPage), flushedPage_(firstPage) {}
  uint32_t Put(const std::string& block) {
    buffer_ += block;
    if (buffer_.size() >= (1u << 20)) Flush();
    const uint32_t page = nextPage_;
    nextPage_ += blockBytes_ / kPage;
    return page;
  }
  void Flush() {
    if (buffer_.empty()) return;
    out_.WriteAt(uint64_t(flushedPage_) * kPage, buffer_.data(), buffer_.size());
    flushedPage_ += uint32_t(buffer_.size() / kPage);
    buffer_.clear();
  }
  uint32_t NextPage() const { return nextPage_; }

private:
  File& out_;
  uint32_t blockBytes_;
  uint32_t nextPage_;
  uint32_t flushedPage_;
  std::string buffer_;
};

// One tag's B-tree, built bottom-up in one pass over its sorted keys. The number of nodes on
// each level follows from the key count, and keys and children are spread evenly over a
// level's nodes, so no node is left nearly empty. An inner node's key for a child is the last
// (in the tag's order) key below that child; its last child has no key.
class TreeBuilder {
public:
  TreeBuilder(BlockStream& stream, uint32_t blockBytes, uint32_t keyLength, uint32_t itemBytes,
              uint32_t maxKeys, uint64_t keyCount)
      : stream_(stream), blockBytes_(blockBytes), keyLength_(keyLength), itemBytes_(itemBytes) {
    // Level 0 holds the leaves with up to maxKeys keys; an inner node holds up to maxKeys
    // children (maxKeys - 1 keys and the last child), so that readers see fewer entries than
    // a block holds and find the child after the last one.
    uint64_t nodes = std::max<uint64_t>(1, (keyCount + maxKeys - 1) / maxKeys);
    uint64_t items = keyCount;
    for (;;) {
      levels_.push_back(Level{items, nodes, 0, 0, 0, {}});
      if (nodes == 1) break;
      items = nodes;
      nodes = (nodes + maxKeys - 1) / maxKeys;
    }
    for (Level& level : levels_) Start(level);
  }

  void AddKey(const std::string& key, uint32_t recNo) { Add(0, key, recNo); }

  // Ends the tree and returns its root's page (the lone leaf of an empty tag included).
  uint32_t Finish() {
    if (levels_[0].Nodes == 1 && levels_[0].Items == 0) Close(0);
    if (!done_) throw std::logic_error("MDX: fewer keys than counted");
    return root_;
  }
  uint32_t FirstLeaf() const { return firstLeaf_; }
  uint32_t LastLeaf() const { return lastLeaf_; }
  uint32_t Blocks() const { return blocks_; }

private:
  struct Level {
    uint64_t Items;  // keys (leaves) or children (inner nodes) on this level
    uint64_t Nodes;
    uint64_t Node = 0;    // the node being filled
    uint64_t Target = 0;  // its items
    uint64_t Filled = 0;
    std::string Block;
  };

  void Start(Level& level) {
    level.Target = level.Items / level.Nodes + (level.Node < level.Items % level.Nodes ? 1 : 0);
    level.Filled = 0;
    level.Block.assign(blockBytes_, '\0');
  }

  void Add(size_t depth, const std::string& key, uint32_t pointer) {
    if (done_ || depth >= levels_.size()) throw std::logic_error("MDX: more keys than counted");
    Level& level = levels_[depth];
    const size_t at = kNodeHead + size_t(level.Filled) * itemBytes_;
    PutLe32(Bytes(level.Block, at), pointer);
    const bool lastChild = depth > 0 && level.Filled + 1 == level.Target;
    if (!lastChild) std::memcpy(level.Block.data() + at + 4, key.data(), keyLength_);
    ++level.Filled;
    if (level.Filled == level.Target) {
      lastKey_ = key;
      Close(depth);
    }
  }

  void Close(size_t depth) {
    Level& level = levels_[depth];
    const uint64_t entries = depth == 0 ? level.Filled : level.Filled - 1;
    PutLe32(Bytes(level.Block), uint32_t(entries));
    const uint32_t page = stream_.Put(level.Block);
    ++blocks_;
    if (depth == 0) {
      if (blocks_ == 1) firstLeaf_ = page;
      lastLeaf_ = page;
    }
    ++level.Node;
    const std::string key = lastKey_;
    if (level.Node < level.Nodes) Start(level);
    if (depth + 1 == levels_.size()) {
      root_ = page;
      done_ = true;
    } else {
      Add(depth + 1, key, page);
    }
  }

  BlockStream& stream_;
  uint32_t blockBytes_, keyLength_, itemBytes_;
  std::vector<Level> levels_;
  std::string lastKey_;
  uint32_t root_ = 0, firstLeaf_ = 0, lastLeaf_ = 0, blocks_ = 0;
  bool done_ = false;
};

void MdxFormatHandler::Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys,
                             uint32_t recordCount, const std::string& outPath) const {
  (void)recordCount;
  const Layout layout = LayoutOf(file);
  if (keys.size() != file.Tags.size()) throw std::logic_error("MDX: one key source per tag");
  std::string head = KeptBytes(file, 0, layout.HeaderBytes);
  const uint32_t headerPages = layout.HeaderBytes / kPage;
  const uint32_t pagesPerBlock = layout.BlockBytes / kPage;

  File out = File::Create(outPath);
  // The tag headers follow the file header; each tag's tree follows them.
  BlockStream stream(out, layout.BlockBytes,
                     headerPages + uint32_t(file.Tags.size()) * pagesPerBlock);
  std::string key;
  uint32_t recNo = 0;
  for (size_t i = 0; i < file.Tags.size(); ++i) {
    std::string tagHead =
        KeptBytes(file, layout.HeaderBytes + i * layout.BlockBytes, layout.BlockBytes);
    unsigned char* t = Bytes(tagHead);
    const uint32_t keyLength = Le16(t + 12);
    TreeBuilder tree(stream, layout.BlockBytes, keyLength, Le16(t + 18), Le16(t + 14),
                     keys[i]->Count());
    while (keys[i]->Next(key, recNo)) {
      if (key.size() != keyLength) throw std::logic_error("MDX: key of the wrong length");
      tree.AddKey(key, recNo);
    }
    PutLe32(t, tree.Finish());
    // Like dBase's own writers: the header's pages plus those of the tag's blocks.
    PutLe32(t + 4, headerPages + tree.Blocks() * pagesPerBlock);
    if (keys[i]->Count() > 0) t[246] = 1;  // the tag has keys
    if (Le32(t + 248) != 0 || Le32(t + 252) != 0) {
      PutLe32(t + 248, tree.FirstLeaf());
      PutLe32(t + 252, tree.LastLeaf());
    }
    const uint32_t tagPage = headerPages + uint32_t(i) * pagesPerBlock;
    out.WriteAt(uint64_t(tagPage) * kPage, tagHead.data(), tagHead.size());
    PutLe32(Bytes(head, kTagTable + i * kTagEntryBytes), tagPage);
  }
  stream.Flush();

  unsigned char* h = Bytes(head);
  PutLe32(h + 32, stream.NextPage());  // pages in the file
  PutLe32(h + 36, 0);                  // no free blocks
  PutLe32(h + 40, 0);
  int year = 0, month = 0, day = 0;
  Date::Today().ToYmd(year, month, day);
  h[44] = static_cast<unsigned char>(std::clamp(year - 1900, 0, 255));
  h[45] = static_cast<unsigned char>(month);
  h[46] = static_cast<unsigned char>(day);
  out.WriteAt(0, head.data(), head.size());
  out.Sync();
  out.Close();
}

}  // namespace

std::string MdxNumberKey(double number, const std::string& fileName) {
  std::string out(12, '\0');
  if (!std::isfinite(number))
    Fail("Eine Zahl des Schlüssels ist keine endliche Zahl.", fileName);
  if (number == 0) {
    out[0] = char(0x34);
    out[1] = char(0x01);
    return out;
  }
  // The digits TDbf keys a number with, so that its seeks find our keys. Free Pascal writes
  // the double (as an Extended) with 17 significant digits, rounded half up from the 21 its
  // conversion produces, which it rounds up as well when they go on 4, 9, 8 or 9 (its guard
  // against digits like ...49999 that a rounding error left); FloatToDecimal rounds that half
  // up to 15 decimals (to at most 18 digits) and drops trailing zeros; TDbf keeps 16 digits.
  // 1234.56 thus becomes 1234559999999999, the binary value's digits, not the decimal ones.
  char text[48];
  std::snprintf(text, sizeof text, "%.20e", std::fabs(number));
  std::string digits(1, text[0]);
  digits.append(text + 2, 20);
  int before = std::atoi(std::strchr(text, 'e') + 1) + 1;  // digits before the decimal point
  // Rounds `digits` half up to `count` digits by the digit behind them, `next`.
  const auto roundTo = [&](size_t count, char next) {
    digits.resize(count);
    if (next < '5') return;
    size_t i = count;
    while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
    if (i > 0) {
      ++digits[i - 1];
    } else {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      ++before;
    }
  };
  const bool guard = digits[17] == '4' && digits[18] == '9' && digits[19] >= '8';
  roundTo(17, guard ? '9' : digits[17]);
  const int kept = std::min(15 + before, 18);
  if (kept <= 0) {
    // Below the last decimal: at most a 1 in its place, else no digits at all.
    if (kept == 0 && digits[0] >= '5') {
      digits = "1";
      ++before;
    } else {
      digits.clear();
    }
  } else if (kept < 17) {
    roundTo(size_t(kept), digits[size_t(kept)]);
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.size() > 16) digits.resize(16);
  const int exponent = before - 1;
  const int position = 0x34 + exponent + 1;
  if (position < 0 || position > 0xFF)
    Fail("Die Zahl " + std::string(text) +
             " lässt sich nicht als Schlüssel einer MDX-Datei speichern.",
         fileName);
  out[0] = char(position);
  out[1] = char((number < 0 ? 0x80 : 0x00) | (digits.size() * 4 + 1));
  for (size_t i = 0; i < digits.size(); ++i)
    out[2 + i / 2] = char(uint8_t(out[2 + i / 2]) | ((digits[i] - '0') << (i % 2 ? 0 : 4)));
  return out;
}

const IndexFormatHandler& MdxHandler() {
  static const MdxFormatHandler handler;
  return handler;
}

}  // namespace fw
