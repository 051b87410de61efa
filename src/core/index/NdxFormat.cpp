#include "core/index/NdxFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

#include "core/index/IndexBytes.h"
#include "core/index/IndexFormats.h"
#include "core/index/IndexPageWriter.h"
#include "core/platform/FileIo.h"

namespace fw {

using namespace index_bytes;

namespace {

constexpr size_t kExpressionAt = 24;
constexpr size_t kUniqueAt = 23;
constexpr uint32_t kMaxKeyLength = 100;
// Day 1 of the program's dates (1.1.0001) is Julian day 1721426.
constexpr double kJulianDayOfDayZero = 1721425.0;

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos && dot > 0) name.resize(dot);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return name;
}

// Leaf keys a tree of `height` levels holds at most, with `fanOut` children per inner block.
uint64_t Capacity(uint32_t height, uint32_t perLeaf, uint32_t fanOut) {
  uint64_t capacity = perLeaf;
  for (uint32_t h = 1; h < height; ++h) {
    capacity *= fanOut;
    if (capacity > (uint64_t(1) << 40)) return uint64_t(1) << 40;
  }
  return capacity;
}

// Writes the B+-tree bottom-up from the sorted keys, the leaves spread evenly.
class NdxTreeWriter {
public:
  NdxTreeWriter(IndexPageWriter& out, SortedKeys& keys, uint32_t keyLength, uint32_t entrySize,
                uint32_t perBlock)
      : out_(out),
        keys_(keys),
        keyLength_(keyLength),
        entrySize_(entrySize),
        perLeaf_(perBlock),
        // An inner block holds one entry more than its keys.
        fanOut_(std::min(perBlock, (NdxFormat::kBlockSize - 4) / entrySize)) {}

  uint32_t WriteTree(uint64_t count) {
    uint32_t height = 1;
    while (Capacity(height, perLeaf_, fanOut_) < count) ++height;
    std::string last;
    return WriteSubtree(count, height, last);
  }

private:
  uint8_t* Entry(std::vector<uint8_t>& block, uint32_t i) const {
    return block.data() + 4 + i * entrySize_;
  }

  // Returns the block number; `last` gets the subtree's last key.
  uint32_t WriteSubtree(uint64_t count, uint32_t height, std::string& last) {
    std::vector<uint8_t> block(NdxFormat::kBlockSize, 0);
    if (height == 1) {
      std::string key;
      for (uint32_t i = 0; i < count; ++i) {
        uint32_t recNo = 0;
        if (!keys_.Next(key, recNo) || key.size() != keyLength_) {
          throw std::logic_error("NDX writer: fewer keys or other key lengths than announced");
        }
        uint8_t* entry = Entry(block, i);
        PutLe32(entry + 4, recNo);
        std::memcpy(entry + 8, key.data(), keyLength_);
        last = key;
      }
      PutLe32(block.data(), uint32_t(count));
      return out_.Append(block.data());
    }
    const uint64_t below = Capacity(height - 1, perLeaf_, fanOut_);
    const uint64_t children = std::max<uint64_t>(2, (count + below - 1) / below);
    for (uint64_t i = 0; i < children; ++i) {
      const uint64_t share = count / children + (i < count % children ? 1 : 0);
      const uint32_t child = WriteSubtree(share, height - 1, last);
      uint8_t* entry = Entry(block, uint32_t(i));
      PutLe32(entry, child);
      if (i + 1 < children) std::memcpy(entry + 8, last.data(), keyLength_);
    }
    PutLe32(block.data(), uint32_t(children - 1));
    return out_.Append(block.data());
  }

  IndexPageWriter& out_;
  SortedKeys& keys_;
  uint32_t keyLength_;
  uint32_t entrySize_;
  uint32_t perLeaf_;
  uint32_t fanOut_;
};

}  // namespace

double JulianDayOf(Date date) {
  return date.IsEmpty() ? 0.0 : double(date.DayNumber()) + kJulianDayOfDayZero;
}

IndexFileInfo NdxFormat::Read(const std::string& path) const {
  File file = File::Open(path, true);
  const uint64_t size = file.Size();
  uint8_t h[kBlockSize];
  if (size < kBlockSize || file.ReadAt(0, h, kBlockSize) != kBlockSize) {
    RaiseIndex("Die Indexdatei ist kürzer als ihr Kopf (abgeschnitten).", path);
  }
  const uint32_t root = Le32(h);
  const uint32_t keyLength = Le16(h + 12);
  const uint32_t perBlock = Le16(h + 14);
  const uint32_t keyType = Le16(h + 16);
  const uint32_t entrySize = Le16(h + 18);
  if (keyType > 1) {
    RaiseIndex("Die Datei ist keine dBase-Indexdatei (unbekannter Schlüsseltyp im Kopf).", path);
  }
  if (keyLength == 0 || keyLength > kMaxKeyLength || (keyType == 1 && keyLength != 8)) {
    RaiseIndex("Die Schlüssellänge im Kopf der Indexdatei ist ungültig.", path);
  }
  if (entrySize < keyLength + 8 || perBlock < 2 ||
      4 + uint64_t(perBlock) * entrySize > kBlockSize) {
    RaiseIndex("Die Blockaufteilung im Kopf der Indexdatei passt nicht in einen Block.", path);
  }
  if (root == 0 || (uint64_t(root) + 1) * kBlockSize > size) {
    RaiseIndex("Der Wurzelblock der Indexdatei liegt außerhalb der Datei.", path);
  }

  IndexFileInfo info;
  info.Format = IndexFormat::Ndx;
  info.Path = path;
  IndexTag tag;
  tag.Name = BaseName(path);
  tag.KeyExpression =
      ExpressionAt(h + kExpressionAt, kBlockSize - kExpressionAt, path, "Schlüsselausdruck");
  if (tag.KeyExpression.empty()) {
    RaiseIndex("Der Schlüsselausdruck im Kopf der Indexdatei ist leer.", path);
  }
  tag.KeyType = keyType == 1 ? 'N' : 'C';
  tag.KeyLength = keyLength;
  tag.Unique = h[kUniqueAt] != 0;
  info.Tags.push_back(std::move(tag));
  info.Kept.assign(h, h + kBlockSize);
  return info;
}

std::string NdxFormat::SortKey(const IndexFileInfo& file, const IndexTag& tag,
                               const Value& value) const {
  if (tag.KeyType == 'C') {
    std::string key(tag.KeyLength, ' ');
    const std::string& text = value.AsText();
    std::memcpy(key.data(), text.data(), std::min<size_t>(text.size(), key.size()));
    return key;
  }
  double number = value.IsDate() ? JulianDayOf(value.AsDate()) : value.AsNumber();
  if (!(number == number) || number == 0.0) number = 0.0;  // no NaN, no negative zero
  uint64_t bits = std::bit_cast<uint64_t>(number);
  // Positive numbers: the sign bit set above every negative; negative: all bits turned, so
  // that larger magnitudes sort lower.
  bits = (bits >> 63) ? ~bits : bits | (uint64_t(1) << 63);
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[size_t(i)] = char(bits >> (56 - 8 * i));
  (void)file;
  return key;
}

std::string NdxFormat::StoredKey(const IndexFileInfo& file, const IndexTag& tag,
                                 std::string_view sortKey) const {
  (void)file;
  if (tag.KeyType == 'C' || sortKey.size() != 8) return std::string(sortKey);
  uint64_t bits = 0;
  for (char c : sortKey) bits = bits << 8 | uint8_t(c);
  bits = (bits >> 63) ? bits & ~(uint64_t(1) << 63) : ~bits;
  std::string key(8, '\0');
  for (int i = 0; i < 8; ++i) key[size_t(i)] = char(bits >> (8 * i));
  return key;
}

void NdxFormat::Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys,
                      uint32_t recordCount, const std::string& outPath) const {
  (void)recordCount;
  if (file.Kept.size() != kBlockSize || file.Tags.size() != 1 || keys.size() != 1) {
    throw std::logic_error("NDX writer: not a header read by the NDX reader");
  }
  std::vector<uint8_t> header(file.Kept);
  const uint32_t keyLength = Le16(header.data() + 12);
  const uint32_t perBlock = Le16(header.data() + 14);
  const uint32_t entrySize = Le16(header.data() + 18);
  if (keyLength != file.Tags[0].KeyLength) {
    throw std::logic_error("NDX writer: header and tag disagree");
  }
  IndexPageWriter out(outPath, kBlockSize, 1);
  NdxTreeWriter tree(out, *keys[0], keyLength, entrySize, perBlock);
  const uint32_t root = tree.WriteTree(keys[0]->Count());
  PutLe32(header.data(), root);
  PutLe32(header.data() + 4, out.NextPage());
  header[kUniqueAt] = file.Tags[0].Unique ? 1 : 0;
  out.Finish(header.data(), header.size());
}

const IndexFormatHandler& NdxHandler() {
  static const NdxFormat handler;
  return handler;
}

}  // namespace fw
