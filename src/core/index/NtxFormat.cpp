#include "core/index/NtxFormat.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "core/index/IndexBytes.h"
#include "core/index/IndexFormats.h"
#include "core/index/IndexPageWriter.h"
#include "core/platform/FieldBytes.h"
#include "core/platform/FileIo.h"

namespace fw {

using namespace index_bytes;

namespace {

constexpr size_t kExpressionSize = 256;
constexpr size_t kKeyExpressionAt = 22;
constexpr size_t kUniqueAt = 278;
constexpr size_t kDescendingAt = 280;
constexpr size_t kForExpressionAt = 282;
constexpr uint32_t kMaxKeySize = 256;

// Harbour's signature flags beside the base signature in the low bits.
constexpr uint16_t kFlagForItem = 0x0001;
constexpr uint16_t kFlagPartial = 0x0008;
constexpr uint16_t kFlagCustom = 0x0020;
constexpr uint16_t kFlagChangedOnly = 0x0040;
constexpr uint16_t kFlagTemplate = 0x0080;
constexpr uint16_t kFlagLargeFile = 0x0200;
constexpr uint16_t kFlagMultiKey = 0x0400;
constexpr uint16_t kFlagCompound = 0x8000;
constexpr uint16_t kKnownFlags = 0x87FF;

// Most keys a page holds for a key size, as Clipper computes it: the page less its count,
// divided by an item and its offset, less one slot for the last child.
uint32_t MaxItemsFor(uint32_t keySize) { return (NtxFormat::kPageSize - 2) / (keySize + 10) - 1; }

// Keys a tree of `height` levels holds at most (saturating).
uint64_t Capacity(uint32_t height, uint32_t maxItems) {
  uint64_t capacity = maxItems;
  for (uint32_t h = 1; h < height; ++h) {
    capacity = maxItems + (uint64_t(maxItems) + 1) * capacity;
    if (capacity > (uint64_t(1) << 40)) return uint64_t(1) << 40;
  }
  return capacity;
}

// Writes the tree bottom-up from the sorted keys: each page is written once all its
// children are, so that a page's number is known when its parent takes it. The keys are
// spread evenly, every page but the root at least half full.
class NtxTreeWriter {
public:
  NtxTreeWriter(IndexPageWriter& out, SortedKeys& keys, uint32_t keySize, uint32_t maxItems)
      : out_(out), keys_(keys), keySize_(keySize), maxItems_(maxItems) {}

  // Returns the byte offset of the root.
  uint32_t WriteTree(uint64_t count) {
    uint32_t height = 1;
    while (Capacity(height, maxItems_) < count) ++height;
    return WriteSubtree(count, height);
  }

private:
  struct Page {
    std::vector<uint8_t> Bytes;
    uint32_t Keys = 0;
  };

  Page NewPage() const {
    Page page;
    page.Bytes.assign(NtxFormat::kPageSize, 0);
    const uint32_t first = 2 + 2 * (maxItems_ + 1);
    for (uint32_t slot = 0; slot <= maxItems_; ++slot) {
      PutLe16(page.Bytes.data() + 2 + 2 * slot, first + slot * (keySize_ + 8));
    }
    return page;
  }

  uint8_t* Slot(Page& page, uint32_t slot) const {
    return page.Bytes.data() + 2 + 2 * (maxItems_ + 1) + slot * (keySize_ + 8);
  }

  void PutNextKey(Page& page, uint32_t child) {
    std::string_view key;
    uint32_t recNo = 0;
    if (!keys_.NextView(key, recNo) || key.size() != keySize_) {
      throw std::logic_error("NTX writer: fewer keys or other key lengths than announced");
    }
    uint8_t* slot = Slot(page, page.Keys++);
    PutLe32(slot, child);
    PutLe32(slot + 4, recNo);
    std::memcpy(slot + 8, key.data(), keySize_);
  }

  uint32_t Finish(Page& page) {
    PutLe16(page.Bytes.data(), page.Keys);
    return out_.Append(page.Bytes.data()) * NtxFormat::kPageSize;
  }

  uint32_t WriteSubtree(uint64_t count, uint32_t height) {
    Page page = NewPage();
    if (height == 1) {
      for (uint64_t i = 0; i < count; ++i) PutNextKey(page, 0);
      return Finish(page);
    }
    const uint64_t below = Capacity(height - 1, maxItems_);
    const uint64_t children = std::max<uint64_t>(2, (count + 1 + below) / (below + 1));
    const uint64_t spread = count - (children - 1);
    for (uint64_t i = 0; i < children; ++i) {
      const uint64_t share = spread / children + (i < spread % children ? 1 : 0);
      const uint32_t child = WriteSubtree(share, height - 1);
      if (i + 1 < children) {
        PutNextKey(page, child);
      } else {
        PutLe32(Slot(page, page.Keys), child);
      }
    }
    return Finish(page);
  }

  IndexPageWriter& out_;
  SortedKeys& keys_;
  uint32_t keySize_;
  uint32_t maxItems_;
};

}  // namespace

IndexFileInfo NtxFormat::Read(const std::string& path) const {
  File file = File::Open(path, true);
  const uint64_t size = file.Size();
  uint8_t h[kPageSize];
  if (size < kPageSize || file.ReadAt(0, h, kPageSize) != kPageSize) {
    RaiseIndex("Die Indexdatei ist kürzer als ihr Kopf (abgeschnitten).", path);
  }
  const uint16_t signature = Le16(h);
  const uint16_t base = signature & 0x0007;
  if ((base != 3 && base != 6 && base != 7) || (signature & ~kKnownFlags) != 0 ||
      (signature & kFlagCompound) != 0) {
    RaiseIndex("Die Datei ist keine Clipper-Indexdatei (unbekannte Kennung im Kopf).", path);
  }
  const uint32_t root = Le32(h + 4);
  const uint32_t itemSize = Le16(h + 12);
  const uint32_t keySize = Le16(h + 14);
  const uint32_t decimals = Le16(h + 16);
  const uint32_t maxItems = Le16(h + 18);
  const uint32_t halfPage = Le16(h + 20);
  if (keySize == 0 || keySize > kMaxKeySize) {
    RaiseIndex("Die Schlüssellänge im Kopf der Indexdatei ist ungültig.", path);
  }
  if (itemSize != keySize + 8 || maxItems < 2 || halfPage > maxItems ||
      2 + 2 * (maxItems + 1) + (maxItems + 1) * itemSize > kPageSize) {
    RaiseIndex("Die Seitenaufteilung im Kopf der Indexdatei passt nicht in eine Seite.", path);
  }
  if (decimals > 0 && decimals + 2 > keySize) {
    RaiseIndex("Die Nachkommastellen im Kopf der Indexdatei passen nicht zur Schlüssellänge.",
               path);
  }
  if (root == 0 || root % kPageSize != 0 || uint64_t(root) + kPageSize > size) {
    RaiseIndex("Die Wurzelseite der Indexdatei liegt außerhalb der Datei.", path);
  }

  IndexFileInfo info;
  info.Format = IndexFormat::Ntx;
  info.Path = path;
  IndexTag tag;
  tag.Name = BaseName(path);
  tag.KeyExpression = ExpressionAt(h + kKeyExpressionAt, kExpressionSize, path,
                                   "Schlüsselausdruck");
  if (tag.KeyExpression.empty()) {
    RaiseIndex("Der Schlüsselausdruck im Kopf der Indexdatei ist leer.", path);
  }
  if ((signature & kFlagForItem) != 0 && base != 3) {
    tag.ForExpression = ExpressionAt(h + kForExpressionAt, kExpressionSize, path,
                                     "FOR-Ausdruck");
  }
  // The header does not say the key's type; a key with decimals can only be a number.
  tag.KeyType = decimals > 0 ? 'N' : 'C';
  tag.KeyLength = keySize;
  tag.Unique = h[kUniqueAt] != 0;
  tag.Descending = h[kDescendingAt] != 0;
  if (signature & (kFlagCustom | kFlagChangedOnly | kFlagTemplate | kFlagMultiKey)) {
    tag.Unsupported =
        "Der Index wird von der Anwendung selbst gepflegt (eigene Schlüssel); aus den Sätzen "
        "lässt er sich nicht neu aufbauen.";
  } else if (signature & kFlagPartial) {
    tag.Unsupported =
        "Der Index umfasst nur einen Teil der Sätze (WHILE oder NEXT beim Anlegen); das lässt "
        "sich nicht nachbilden.";
  } else if (signature & kFlagLargeFile) {
    tag.Unsupported = "Indexdateien im Format für große Dateien werden nicht unterstützt.";
  }
  info.Unsupported = tag.Unsupported;
  info.Tags.push_back(std::move(tag));
  info.Kept.assign(h, h + kPageSize);
  return info;
}

std::string NtxFormat::SortKey(const IndexFileInfo& file, const IndexTag& tag,
                               const Value& value) const {
  const uint32_t size = tag.KeyLength;
  std::string key(size, ' ');
  switch (value.GetType()) {
    case Value::Type::Text: {
      const std::string& text = value.AsText();
      std::memcpy(key.data(), text.data(), std::min<size_t>(text.size(), size));
      break;
    }
    case Value::Type::Number: {
      const uint32_t decimals = file.Kept.size() >= 18 ? Le16(file.Kept.data() + 16) : 0;
      if (!NumberBytes(value.AsNumber(), size, decimals, key.data())) {
        key.assign(size, '*');  // STR's overflow
        break;
      }
      size_t i = 0;
      while (i < size && key[i] == ' ') key[i++] = '0';
      if (i < size && key[i] == '-') {
        key[i] = '0';
        for (char& c : key) {
          if (c >= '0' && c <= '9') c = char(',' - (c - '0'));
        }
      }
      break;
    }
    case Value::Type::Date: {
      char text[8];
      DateBytes(value.AsDate(), text);
      std::memcpy(key.data(), text, std::min<size_t>(8, size));
      break;
    }
    case Value::Type::Logic:
      key[0] = LogicByte(value.AsLogic());
      break;
    case Value::Type::Nil:
      break;
  }
  return key;
}

std::string_view NtxFormat::TextSortKey(const IndexFileInfo&, const IndexTag& tag,
                                        std::string_view text, std::string& room) const {
  if (text.size() == tag.KeyLength) return text;
  room.assign(tag.KeyLength, ' ');
  std::memcpy(room.data(), text.data(), std::min<size_t>(text.size(), tag.KeyLength));
  return room;
}

void NtxFormat::Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys,
                      uint32_t recordCount, const std::string& outPath) const {
  (void)recordCount;
  if (file.Kept.size() != kPageSize || file.Tags.size() != 1 || keys.size() != 1) {
    throw std::logic_error("NTX writer: not a header read by the NTX reader");
  }
  std::vector<uint8_t> header(file.Kept);
  const IndexTag& tag = file.Tags[0];
  const uint32_t keySize = Le16(header.data() + 14);
  const uint32_t maxItems = Le16(header.data() + 18);
  if (keySize != tag.KeyLength || maxItems > MaxItemsFor(keySize)) {
    throw std::logic_error("NTX writer: header and tag disagree");
  }
  IndexPageWriter out(outPath, kPageSize, 1);
  NtxTreeWriter tree(out, *keys[0], keySize, maxItems);
  const uint32_t root = tree.WriteTree(keys[0]->Count());
  // The version (an update counter for stations sharing the file) stays: the new file is a
  // new inode, which no station has open.
  PutLe32(header.data() + 4, root);
  PutLe32(header.data() + 8, 0);  // no unused pages
  header[kUniqueAt] = tag.Unique ? 1 : 0;
  header[kDescendingAt] = tag.Descending ? 1 : 0;
  out.Finish(header.data(), header.size());
}

const IndexFormatHandler& NtxHandler() {
  static const NtxFormat handler;
  return handler;
}

}  // namespace fw
