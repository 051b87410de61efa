#include "core/index/FoxIndexTree.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

#include "core/index/IndexFile.h"
#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"

namespace fw {

namespace {

constexpr uint32_t kNoPage = 0xFFFFFFFFu;
constexpr size_t kNodeHead = 12;
constexpr size_t kLeafHead = 24;
constexpr size_t kWriteBuffer = size_t(1) << 20;

uint32_t Le16(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}
uint32_t Le32(const std::string& b, size_t at) {
  return Le16(b, at) | Le16(b, at + 2) << 16;
}
uint32_t Be32(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) << 24 | uint32_t(uint8_t(b[at + 1])) << 16 |
         uint32_t(uint8_t(b[at + 2])) << 8 | uint32_t(uint8_t(b[at + 3]));
}
void PutLe16(std::string& b, size_t at, uint32_t v) {
  b[at] = char(uint8_t(v));
  b[at + 1] = char(uint8_t(v >> 8));
}
void PutLe32(std::string& b, size_t at, uint32_t v) {
  PutLe16(b, at, v & 0xFFFF);
  PutLe16(b, at + 2, v >> 16);
}
void PutBe32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + size_t(i)] = char(uint8_t(v >> (24 - 8 * i)));
}

[[noreturn]] void Damaged(const IndexPageSource& source, uint64_t page, const std::string& what) {
  throw IndexFailure{"Die Indexseite bei Byte " + std::to_string(page) +
                         " ist beschädigt: " + what + ".",
                     source.FileName};
}

// Bits needed for `value` (0 for 0).
uint32_t BitsFor(uint64_t value) {
  uint32_t bits = 0;
  while (value) ++bits, value >>= 1;
  return bits;
}

// The bit layout of a compact leaf's entries: the duplicate and trailing counts take as many
// bits as the key length needs, the record number the rest of at least three bytes, one
// byte more for each eight bits the largest record number needs beyond.
struct LeafBits {
  uint32_t Count = 0;   // bits of each of the two counts
  uint32_t Bytes = 0;   // bytes per entry
  uint32_t Record = 0;  // bits of the record number (at most 32; the counts follow them, and
                        // bits above the counts stay unused)
};
LeafBits LeafBitsFor(uint32_t keyLength, uint32_t maxRecNo) {
  LeafBits bits;
  bits.Count = BitsFor(keyLength);
  bits.Bytes = bits.Count > 12 ? 5 : bits.Count > 8 ? 4 : 3;
  while (bits.Bytes * 8 - 2 * bits.Count < 32 &&
         (uint64_t(1) << (bits.Bytes * 8 - 2 * bits.Count)) <= maxRecNo)
    ++bits.Bytes;
  bits.Record = std::min<uint32_t>(32, bits.Bytes * 8 - 2 * bits.Count);
  return bits;
}

uint64_t Mask(uint32_t bits) { return bits >= 64 ? ~uint64_t(0) : (uint64_t(1) << bits) - 1; }

}  // namespace

void WalkFoxTree(const IndexPageSource& source, FoxTreeLayout layout, uint64_t root,
                 uint32_t keyLength, char trail,
                 const std::function<void(std::string_view key, uint32_t recNo)>& take) {
  const uint32_t pageSize = source.PageSize;
  const size_t entrySize = keyLength + (layout == FoxTreeLayout::Compact ? 8 : 4);
  const size_t innerCapacity = (pageSize - kNodeHead) / entrySize;
  std::unordered_set<uint64_t> seen;
  std::vector<uint64_t> pending{root};  // pages still to visit, the next one last
  std::string page(pageSize, '\0');
  std::string key, previous;
  while (!pending.empty()) {
    const uint64_t at = pending.back();
    pending.pop_back();
    if (at == 0 || at % 512 != 0 || at + pageSize > source.FileSize)
      throw IndexFailure{"Ein Verweis im Indexbaum zeigt auf Byte " + std::to_string(at) +
                             ", außerhalb der Indexseiten der Datei.",
                         source.FileName};
    if (!seen.insert(at).second)
      throw IndexFailure{"Der Indexbaum verweist im Kreis (Seite bei Byte " +
                             std::to_string(at) + ").",
                         source.FileName};
    if (source.Source->ReadAt(at, page.data(), pageSize) != pageSize)
      Damaged(source, at, "sie ist abgeschnitten");
    const uint32_t attributes = Le16(page, 0);
    const uint32_t count = Le16(page, 2);
    if (attributes > 3) Damaged(source, at, "unbekannte Knotenart");
    const bool leaf = attributes & 2;
    if (!leaf || layout == FoxTreeLayout::Plain) {
      if (count > innerCapacity) Damaged(source, at, "zu viele Schlüssel");
      if (!leaf) {
        // Children in reverse, so that the first is visited next.
        for (size_t i = count; i-- > 0;) {
          const size_t e = kNodeHead + i * entrySize + keyLength;
          pending.push_back(Be32(page, layout == FoxTreeLayout::Compact ? e + 4 : e));
        }
        continue;
      }
      for (size_t i = 0; i < count; ++i) {
        const size_t e = kNodeHead + i * entrySize;
        take(std::string_view(page).substr(e, keyLength), Be32(page, e + keyLength));
      }
      continue;
    }
    // A compact leaf.
    const uint64_t recordMask = Le32(page, 14);
    const uint32_t recordBits = uint8_t(page[20]);
    const uint32_t duplicateBits = uint8_t(page[21]);
    const uint32_t trailingBits = uint8_t(page[22]);
    const uint32_t entryBytes = uint8_t(page[23]);
    if (entryBytes == 0 || entryBytes > 8 || recordBits > 32 ||
        recordBits + duplicateBits + trailingBits > entryBytes * 8)
      Damaged(source, at, "unmögliche Bitaufteilung der Einträge");
    if (uint64_t(count) * entryBytes > pageSize - kLeafHead)
      Damaged(source, at, "zu viele Schlüssel");
    size_t keyEnd = pageSize;
    const size_t entriesEnd = kLeafHead + size_t(count) * entryBytes;
    previous.clear();
    for (size_t i = 0; i < count; ++i) {
      uint64_t bits = 0;
      for (size_t b = 0; b < entryBytes; ++b)
        bits |= uint64_t(uint8_t(page[kLeafHead + i * entryBytes + b])) << (8 * b);
      const uint32_t recNo = uint32_t(bits & recordMask & Mask(recordBits));
      const uint32_t duplicates = uint32_t((bits >> recordBits) & Mask(duplicateBits) &
                                           uint8_t(page[18]));
      const uint32_t trailing =
          uint32_t((bits >> (recordBits + duplicateBits)) & Mask(trailingBits) &
                   uint8_t(page[19]));
      if (duplicates + trailing > keyLength || duplicates > previous.size())
        Damaged(source, at, "Schlüsselzählung passt nicht zur Schlüssellänge");
      const size_t stored = keyLength - duplicates - trailing;
      if (keyEnd < entriesEnd + stored) Damaged(source, at, "Schlüssel überlappen die Einträge");
      keyEnd -= stored;
      key.assign(previous, 0, duplicates);
      key.append(page, keyEnd, stored);
      key.append(trailing, trail);
      take(key, recNo);
      previous.swap(key);
    }
  }
}

FoxPageWriter::FoxPageWriter(File& target, uint32_t pageSize)
    : target_(target), pageSize_(pageSize) {}

uint32_t FoxPageWriter::Reserve(uint32_t bytes) {
  if (end_ + bytes > kNoPage)
    RaiseDbf(gen::kLimit, "Die Indexdatei würde größer als 4 GiB.", target_.Path());
  const uint64_t at = end_;
  end_ += bytes;
  return uint32_t(at);
}

void FoxPageWriter::Put(uint32_t offset, std::string_view bytes) {
  if (offset >= bufferStart_ && offset + bytes.size() - bufferStart_ > kWriteBuffer) {
    Flush();
    bufferStart_ = std::max<uint64_t>(bufferStart_, offset);
  }
  if (offset < bufferStart_) {  // a page reserved earlier, behind what went out already
    target_.WriteAt(offset, bytes.data(), bytes.size());
    return;
  }
  const size_t at = size_t(offset - bufferStart_);
  if (buffer_.size() < at + bytes.size()) buffer_.resize(at + bytes.size(), '\0');
  buffer_.replace(at, bytes.size(), bytes);
}

void FoxPageWriter::Flush() {
  if (!buffer_.empty()) target_.WriteAt(bufferStart_, buffer_.data(), buffer_.size());
  bufferStart_ += buffer_.size();
  buffer_.clear();
}

struct FoxTreeWriter::Node {
  uint32_t Offset = 0;
  uint32_t Left = kNoPage;
  bool Leaf = true;
  std::vector<FoxIndexEntry> Entries;
  std::vector<uint32_t> Children;  // inner nodes
  // Compact leaves: each entry's shared leading and dropped trailing byte counts, the key
  // bytes stored, the largest record number.
  std::vector<std::pair<uint32_t, uint32_t>> Counts;
  size_t StoredBytes = 0;
  uint32_t MaxRecNo = 0;

  void Reset(uint32_t offset, uint32_t left) {
    Offset = offset;
    Left = left;
    Entries.clear();
    Children.clear();
    Counts.clear();
    StoredBytes = 0;
    MaxRecNo = 0;
  }
};

FoxTreeWriter::FoxTreeWriter(FoxPageWriter& pages, FoxTreeLayout layout, uint32_t keyLength,
                             char trail)
    : pages_(pages), layout_(layout), keyLength_(keyLength), trail_(trail) {}

FoxTreeWriter::~FoxTreeWriter() = default;

void FoxTreeWriter::Add(std::string_view key, uint32_t recNo) { AddTo(0, key, recNo, 0); }

void FoxTreeWriter::AddTo(size_t level, std::string_view key, uint32_t recNo, uint32_t child) {
  if (level == levels_.size()) {
    levels_.push_back(std::make_unique<Node>());
    levels_.back()->Leaf = level == 0;
    levels_.back()->Offset = pages_.Reserve(pages_.PageSize());
  }
  Node* node = levels_[level].get();
  const size_t room = pages_.PageSize() - (node->Leaf && layout_ == FoxTreeLayout::Compact
                                               ? kLeafHead
                                               : kNodeHead);
  uint32_t duplicates = 0, trailing = 0;
  bool fits;
  if (node->Leaf && layout_ == FoxTreeLayout::Compact) {
    while (trailing < keyLength_ && key[keyLength_ - 1 - trailing] == trail_) ++trailing;
    if (!node->Entries.empty()) {
      const std::string& previous = node->Entries.back().Key;
      while (duplicates < keyLength_ - trailing && previous[duplicates] == key[duplicates])
        ++duplicates;
    }
    const LeafBits bits = LeafBitsFor(keyLength_, std::max(node->MaxRecNo, recNo));
    fits = (node->Entries.size() + 1) * bits.Bytes + node->StoredBytes +
               (keyLength_ - duplicates - trailing) <= room;
  } else {
    const size_t entrySize =
        keyLength_ + (layout_ == FoxTreeLayout::Compact && !node->Leaf ? 8 : 4);
    fits = (node->Entries.size() + 1) * entrySize <= room;
  }
  if (!fits && !node->Entries.empty()) {
    // The node is full and gets a right neighbour: written now, its last key goes up.
    const uint32_t next = pages_.Reserve(pages_.PageSize());
    WriteNode(*node, false, next);
    const FoxIndexEntry last = node->Entries.back();
    const uint32_t written = node->Offset;
    node->Reset(next, written);
    AddTo(level + 1, last.Key, last.RecNo, written);
    node = levels_[level].get();
    duplicates = 0;  // the first key of a leaf shares nothing
  }
  node->Entries.push_back(FoxIndexEntry{std::string(key), recNo});
  if (!node->Leaf) node->Children.push_back(child);
  node->Counts.emplace_back(duplicates, trailing);
  node->StoredBytes += keyLength_ - duplicates - trailing;
  node->MaxRecNo = std::max(node->MaxRecNo, recNo);
}

void FoxTreeWriter::WriteNode(Node& node, bool root, uint32_t right) {
  const uint32_t pageSize = pages_.PageSize();
  std::string page(pageSize, '\0');
  PutLe16(page, 0, (node.Leaf ? 2 : 0) | (root ? 1 : 0));
  PutLe16(page, 2, uint32_t(node.Entries.size()));
  PutLe32(page, 4, node.Left);
  PutLe32(page, 8, right);
  if (node.Leaf && layout_ == FoxTreeLayout::Compact) {
    const LeafBits bits = LeafBitsFor(keyLength_, node.MaxRecNo);
    const size_t used = node.Entries.size() * bits.Bytes + node.StoredBytes;
    PutLe16(page, 12, uint32_t(pageSize - kLeafHead - used));
    PutLe32(page, 14, uint32_t(Mask(bits.Record)));
    page[18] = char(uint8_t(Mask(bits.Count)));
    page[19] = char(uint8_t(Mask(bits.Count)));
    page[20] = char(uint8_t(bits.Record));
    page[21] = char(uint8_t(bits.Count));
    page[22] = char(uint8_t(bits.Count));
    page[23] = char(uint8_t(bits.Bytes));
    size_t keyEnd = pageSize;
    for (size_t i = 0; i < node.Entries.size(); ++i) {
      const auto [duplicates, trailing] = node.Counts[i];
      const uint64_t field = uint64_t(node.Entries[i].RecNo) |
                             uint64_t(duplicates) << bits.Record |
                             uint64_t(trailing) << (bits.Record + bits.Count);
      for (size_t b = 0; b < bits.Bytes; ++b)
        page[kLeafHead + i * bits.Bytes + b] = char(uint8_t(field >> (8 * b)));
      const size_t stored = keyLength_ - duplicates - trailing;
      keyEnd -= stored;
      page.replace(keyEnd, stored, node.Entries[i].Key, duplicates, stored);
    }
  } else {
    const bool withRecNo = node.Leaf || layout_ == FoxTreeLayout::Compact;
    const size_t entrySize = keyLength_ + (withRecNo ? 4 : 0) + (node.Leaf ? 0 : 4);
    for (size_t i = 0; i < node.Entries.size(); ++i) {
      const size_t e = kNodeHead + i * entrySize;
      page.replace(e, keyLength_, node.Entries[i].Key);
      if (withRecNo) PutBe32(page, e + keyLength_, node.Entries[i].RecNo);
      if (!node.Leaf) PutBe32(page, e + keyLength_ + (withRecNo ? 4 : 0), node.Children[i]);
    }
  }
  pages_.Put(node.Offset, page);
}

uint32_t FoxTreeWriter::Finish() {
  if (levels_.empty()) {
    levels_.push_back(std::make_unique<Node>());
    levels_.back()->Offset = pages_.Reserve(pages_.PageSize());
  }
  for (size_t level = 0;; ++level) {
    Node& node = *levels_[level];
    // The top level holds one node only: the root. Every lower level's open node has a
    // left neighbour, whose closing made the level above.
    if (level + 1 == levels_.size()) {
      WriteNode(node, true, kNoPage);
      return node.Offset;
    }
    WriteNode(node, false, kNoPage);
    const FoxIndexEntry last = node.Entries.back();
    AddTo(level + 1, last.Key, last.RecNo, node.Offset);
  }
}

}  // namespace fw
