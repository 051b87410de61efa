#include "core/index/IdxFormat.h"

#include <cctype>
#include <cstring>
#include <string_view>

#include "core/index/FoxIndexHeader.h"
#include "core/index/FoxKeys.h"
#include "core/index/IndexKeyCheck.h"
#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"
#include "core/platform/FileIo.h"

namespace fw {

namespace {

// IndexFileInfo::Kept of an .idx: "IDX1", 'C' (compact) or 'O' (old), the header as read.
constexpr std::string_view kKeptMark = "IDX1";
constexpr uint32_t kPage = 512;
constexpr size_t kOldExpression = 220;

uint32_t Le16(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}
uint32_t Le32(const std::string& b, size_t at) { return Le16(b, at) | Le16(b, at + 2) << 16; }
void PutLe16(std::string& b, size_t at, uint32_t v) {
  b[at] = char(uint8_t(v));
  b[at + 1] = char(uint8_t(v >> 8));
}
void PutLe32(std::string& b, size_t at, uint32_t v) {
  PutLe16(b, at, v & 0xFFFF);
  PutLe16(b, at + 2, v >> 16);
}

std::string TagNameOf(const std::string& path) {
  std::string name = path.substr(path.find_last_of('/') + 1);
  name = name.substr(0, name.find_last_of('.'));
  for (char& c : name) c = char(std::toupper(uint8_t(c)));
  return name;
}

std::string OldExpression(const std::string& header, size_t at) {
  std::string text = header.substr(at, kOldExpression);
  text.resize(std::strlen(text.c_str()));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// The header and whether it is compact; raises IndexFailure for a file no .idx can be.
struct ReadHeader {
  std::string Bytes;
  bool Compact = false;
  FoxHeader Parsed;
};

ReadHeader ReadIdxHeader(const File& file, uint64_t size, const std::string& path) {
  ReadHeader r;
  r.Bytes.assign(kPage, '\0');
  if (size < 2 * kPage || file.ReadAt(0, r.Bytes.data(), kPage) != kPage)
    throw IndexFailure{"Die Datei ist zu kurz für eine FoxPro-Indexdatei (IDX).", path};
  const uint8_t options = uint8_t(r.Bytes[14]);
  r.Compact = options & kFoxCompact;
  if (options & kFoxCompound)
    throw IndexFailure{"Die Datei ist eine Verbund-Indexdatei (CDX), keine IDX-Datei.", path};
  if (r.Compact) {
    r.Bytes.resize(kFoxHeaderSize);
    if (size < kFoxHeaderSize + kPage ||
        file.ReadAt(kPage, r.Bytes.data() + kPage, kPage) != kPage)
      throw IndexFailure{"Die Datei ist zu kurz für eine kompakte FoxPro-Indexdatei (IDX).", path};
    r.Parsed = ParseFoxHeader(r.Bytes, "den Index", path);
  } else {
    r.Parsed.Root = Le32(r.Bytes, 0);
    r.Parsed.KeyLength = Le16(r.Bytes, 12);
    r.Parsed.Options = options;
    r.Parsed.KeyExpression = OldExpression(r.Bytes, 16);
    r.Parsed.ForExpression = OldExpression(r.Bytes, 16 + kOldExpression);
    if (r.Parsed.KeyLength == 0 || r.Parsed.KeyLength > kFoxMaxKeyLength ||
        r.Parsed.KeyLength + 4 > kPage - 12)
      throw IndexFailure{"Die Schlüssellänge " + std::to_string(r.Parsed.KeyLength) +
                             " im Kopf des Index ist unmöglich (erlaubt sind 1 bis 240 Bytes).",
                         path};
  }
  const uint32_t root = r.Parsed.Root;
  if (root == 0 || root % kPage != 0 || uint64_t(root) + kPage > size)
    throw IndexFailure{"Der Wurzelknoten des Index liegt bei Byte " + std::to_string(root) +
                           ", außerhalb der Indexseiten der Datei.",
                       path};
  return r;
}

class IdxHandlerImpl final : public IndexFormatHandler {
public:
  IndexFileInfo Read(const std::string& path) const override {
    const File file = File::Open(path, true);
    const ReadHeader r = ReadIdxHeader(file, file.Size(), path);
    IndexFileInfo info;
    info.Format = IndexFormat::Idx;
    info.Path = path;
    IndexTag tag;
    tag.Name = TagNameOf(path);
    tag.KeyExpression = r.Parsed.KeyExpression;
    tag.ForExpression = r.Parsed.ForExpression;
    tag.KeyLength = r.Parsed.KeyLength;
    tag.Unique = r.Parsed.Options & kFoxUnique;
    tag.Descending = r.Compact && r.Parsed.Descending;
    tag.Candidate = r.Compact && (r.Parsed.Options & kFoxCandidate);
    if (r.Compact) tag.Unsupported = FoxHeaderProblem(r.Bytes);
    if (tag.KeyExpression.empty() && tag.Unsupported.empty())
      tag.Unsupported = "Der Index hat keinen Schlüsselausdruck.";
    info.Tags.push_back(tag);
    std::string kept(kKeptMark);
    kept += r.Compact ? 'C' : 'O';
    kept += r.Bytes;
    info.Kept = std::vector<uint8_t>(kept.begin(), kept.end());
    return info;
  }

  bool StoresDescending() const override { return false; }
  std::string SortKey(const IndexFileInfo&, const IndexTag& tag, const Value& value) const override {
    return FoxSortKey(value, tag.KeyLength);
  }
  bool StoresSortKey() const override { return true; }

  void Write(const IndexFileInfo& file, std::vector<SortedKeys*>& keys, uint32_t recordCount,
             const std::string& outPath) const override {
    if (file.Tags.size() != 1 || keys.size() != 1)
      RaiseDbf(gen::kArg, "Eine IDX-Datei hat genau einen Schlüssel.", outPath);
    const IndexTag& tag = file.Tags[0];
    const std::string kept(file.Kept.begin(), file.Kept.end());
    const bool haveKept = kept.size() > kKeptMark.size() &&
                          kept.compare(0, kKeptMark.size(), kKeptMark) == 0;
    const bool compact = !haveKept || kept[kKeptMark.size()] == 'C';
    std::string header = haveKept ? kept.substr(kKeptMark.size() + 1) : std::string();
    const uint32_t headerSize = compact ? kFoxHeaderSize : kPage;
    if (header.size() != headerSize) header.assign(headerSize, '\0');

    File out = File::Create(outPath);
    FoxPageWriter pages(out, kPage);
    pages.Reserve(headerSize);
    FoxTreeWriter tree(pages, compact ? FoxTreeLayout::Compact : FoxTreeLayout::Plain,
                       tag.KeyLength, FoxTrailByte(tag));
    IndexKeyCheck check(tag, recordCount, outPath);
    std::string key;
    uint32_t recNo = 0;
    while (keys[0]->Next(key, recNo)) {
      check.Take(key, recNo);
      tree.Add(key, recNo);
    }
    const uint32_t root = tree.Finish();
    if (compact) {
      header = ComposeFoxHeader(std::move(header), tag, root, outPath);
    } else {
      if (tag.KeyExpression.size() >= kOldExpression || tag.ForExpression.size() >= kOldExpression)
        RaiseDbf(gen::kDataWidth, "Die Ausdrücke des Index passen nicht in den Kopf der IDX-Datei.",
                 outPath);
      const bool freeIsMinusOne = Le32(header, 4) == 0xFFFFFFFFu;
      PutLe32(header, 0, root);
      PutLe32(header, 4, freeIsMinusOne ? 0xFFFFFFFFu : 0);
      PutLe32(header, 8, uint32_t(pages.End()));
      PutLe16(header, 12, tag.KeyLength);
      uint8_t options = uint8_t(header[14]) & uint8_t(~(kFoxUnique | kFoxFor));
      if (tag.Unique) options |= kFoxUnique;
      if (!tag.ForExpression.empty()) options |= kFoxFor;
      header[14] = char(options);
      std::string expressions = tag.KeyExpression;
      expressions.resize(kOldExpression, '\0');
      expressions += tag.ForExpression;
      expressions.resize(2 * kOldExpression, '\0');
      header.replace(16, 2 * kOldExpression, expressions);
    }
    pages.Put(0, header);
    pages.Flush();
    out.Sync();
    out.Close();
  }
};

}  // namespace

const IndexFormatHandler& IdxHandler() {
  static const IdxHandlerImpl handler;
  return handler;
}

void WalkIdxKeys(const IndexFileInfo& info,
                 const std::function<bool(std::string_view key, uint32_t recNo)>& take) {
  const File file = File::Open(info.Path, true);
  const uint64_t size = file.Size();
  const ReadHeader r = ReadIdxHeader(file, size, info.Path);
  const IndexPageSource source{&file, size, kPage, info.Path};
  struct Stop {};
  try {
    WalkFoxTree(source, r.Compact ? FoxTreeLayout::Compact : FoxTreeLayout::Plain, r.Parsed.Root,
                r.Parsed.KeyLength, FoxTrailByte(info.Tags.at(0)),
                [&](std::string_view key, uint32_t recNo) {
                  if (!take(key, recNo)) throw Stop{};
                });
  } catch (const Stop&) {
  }
}

std::vector<FoxIndexEntry> ReadIdxKeys(const IndexFileInfo& info) {
  std::vector<FoxIndexEntry> entries;
  WalkIdxKeys(info, [&](std::string_view key, uint32_t recNo) {
    entries.push_back({std::string(key), recNo});
    return true;
  });
  return entries;
}

}  // namespace fw
