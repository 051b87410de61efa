#include "core/index/CdxFormat.h"

#include <algorithm>
#include <string_view>

#include "core/index/FoxIndexHeader.h"
#include "core/index/FoxKeys.h"
#include "core/index/IndexKeyCheck.h"
#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"
#include "core/platform/FileIo.h"

namespace fw {

namespace {

// IndexFileInfo::Kept of a .cdx: "CDX1", the page size (2 bytes, little-endian), the
// directory's header, then each tag's header in the order of Tags.
constexpr std::string_view kKeptMark = "CDX1";

uint32_t Le16(const std::string& b, size_t at) {
  return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8;
}

std::string ReadHeaderAt(const File& file, uint64_t at, const std::string& name) {
  std::string header(kFoxHeaderSize, '\0');
  if (file.ReadAt(at, header.data(), header.size()) != header.size())
    throw IndexFailure{"Ein Tag-Kopf bei Byte " + std::to_string(at) +
                           " reicht über das Dateiende hinaus.",
                       name};
  return header;
}

// The page size a directory header gives: Harbour's files say it, others have 512.
uint32_t PageSizeOf(const std::string& directory, const std::string& name) {
  if (directory.compare(20, 4, "RCHB") != 0) return 512;
  const uint32_t headerSize = Le16(directory, 16), pageSize = Le16(directory, 18);
  if (pageSize < 512 || pageSize % 512 != 0 || pageSize > 32768 ||
      headerSize != kFoxHeaderSize)
    throw IndexFailure{"Die Seitengröße " + std::to_string(pageSize) +
                           " der Indexdatei ist kein Vielfaches von 512 (oder ihr Kopf hat "
                           "eine unbekannte Größe).",
                       name};
  return pageSize;
}

uint32_t HeaderBlock(uint32_t pageSize) {
  return (kFoxHeaderSize + pageSize - 1) / pageSize * pageSize;
}

void CheckRoot(const FoxHeader& h, uint64_t fileSize, uint32_t pageSize, const std::string& what,
               const std::string& name) {
  if (h.Root == 0 || h.Root % 512 != 0 || uint64_t(h.Root) + pageSize > fileSize)
    throw IndexFailure{"Der Wurzelknoten für " + what + " liegt bei Byte " +
                           std::to_string(h.Root) + ", außerhalb der Indexseiten der Datei.",
                       name};
}

struct DirectoryEntry {
  std::string Name;
  uint32_t HeaderAt;
};

class CdxHandlerImpl final : public IndexFormatHandler {
public:
  IndexFileInfo Read(const std::string& path) const override {
    const File file = File::Open(path, true);
    const uint64_t size = file.Size();
    if (size < kFoxHeaderSize + 512)
      throw IndexFailure{"Die Datei ist zu kurz für eine FoxPro-Indexdatei (CDX).", path};
    const std::string directory = ReadHeaderAt(file, 0, path);
    const FoxHeader dir = ParseFoxHeader(directory, "das Tag-Verzeichnis", path);
    if ((dir.Options & (kFoxCompact | kFoxCompound)) != (kFoxCompact | kFoxCompound))
      throw IndexFailure{"Die Datei ist keine Verbund-Indexdatei (CDX) von FoxPro.", path};
    const uint32_t pageSize = PageSizeOf(directory, path);
    CheckRoot(dir, size, pageSize, "das Tag-Verzeichnis", path);

    IndexFileInfo info;
    info.Format = IndexFormat::Cdx;
    info.Path = path;
    info.Unsupported = FoxHeaderProblem(directory);

    std::vector<DirectoryEntry> entries;
    const IndexPageSource source{&file, size, pageSize, path};
    WalkFoxTree(source, FoxTreeLayout::Compact, dir.Root, dir.KeyLength, ' ',
                [&](std::string_view key, uint32_t at) {
                  std::string name(key);
                  while (!name.empty() && (name.back() == ' ' || name.back() == '\0'))
                    name.pop_back();
                  entries.push_back({name, at});
                });
    // The order the tags were made in: their headers' order in the file.
    std::sort(entries.begin(), entries.end(),
              [](const DirectoryEntry& a, const DirectoryEntry& b) { return a.HeaderAt < b.HeaderAt; });
    std::string kept(kKeptMark);
    kept += char(uint8_t(pageSize)), kept += char(uint8_t(pageSize >> 8));
    kept += directory;
    for (size_t i = 0; i < entries.size(); ++i) {
      const DirectoryEntry& e = entries[i];
      const std::string what = "das Tag „" + e.Name + "“";
      if (e.Name.empty())
        throw IndexFailure{"Das Tag-Verzeichnis enthält ein Tag ohne Namen.", path};
      if (e.HeaderAt == 0 || e.HeaderAt % 512 != 0 || (i > 0 && entries[i - 1].HeaderAt == e.HeaderAt))
        throw IndexFailure{"Der Kopf für " + what + " liegt bei Byte " +
                               std::to_string(e.HeaderAt) + ", wo kein Tag-Kopf sein kann.",
                           path};
      const std::string header = ReadHeaderAt(file, e.HeaderAt, path);
      const FoxHeader h = ParseFoxHeader(header, what, path);
      if (!(h.Options & kFoxCompact))
        throw IndexFailure{"Der Kopf für " + what + " ist kein kompakter FoxPro-Indexkopf.",
                           path};
      CheckRoot(h, size, pageSize, what, path);
      IndexTag tag;
      tag.Name = e.Name;
      tag.KeyExpression = h.KeyExpression;
      tag.ForExpression = h.ForExpression;
      tag.KeyLength = h.KeyLength;
      tag.Unique = h.Options & kFoxUnique;
      tag.Candidate = h.Options & kFoxCandidate;
      tag.Descending = h.Descending;
      tag.Unsupported = FoxHeaderProblem(header);
      if (tag.KeyExpression.empty() && tag.Unsupported.empty())
        tag.Unsupported = "Das Tag hat keinen Schlüsselausdruck.";
      info.Tags.push_back(std::move(tag));
      kept += header;
    }
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
    if (keys.size() != file.Tags.size())
      RaiseDbf(gen::kArg, "Für die Indexdatei fehlen Schlüssel einzelner Tags.", outPath);
    // The headers kept from reading, when they belong to these tags.
    const std::string kept(file.Kept.begin(), file.Kept.end());
    const bool haveKept = kept.size() == kKeptMark.size() + 2 + kFoxHeaderSize * (1 + file.Tags.size()) &&
                          kept.compare(0, kKeptMark.size(), kKeptMark) == 0;
    const uint32_t pageSize = haveKept ? Le16(kept, kKeptMark.size()) : 512;
    auto keptHeader = [&](size_t i) {  // 0: the directory, 1..: the tags
      return haveKept ? kept.substr(kKeptMark.size() + 2 + i * kFoxHeaderSize, kFoxHeaderSize)
                      : std::string();
    };

    File out = File::Create(outPath);
    FoxPageWriter pages(out, pageSize);
    const uint32_t block = HeaderBlock(pageSize);
    const uint32_t directoryAt = pages.Reserve(block);
    std::vector<DirectoryEntry> directory;
    for (size_t i = 0; i < file.Tags.size(); ++i) {
      const IndexTag& tag = file.Tags[i];
      const uint32_t headerAt = pages.Reserve(block);
      FoxTreeWriter tree(pages, FoxTreeLayout::Compact, tag.KeyLength, FoxTrailByte(tag));
      IndexKeyCheck check(tag, recordCount, outPath);
      std::string key;
      uint32_t recNo = 0;
      while (keys[i]->Next(key, recNo)) {
        check.Take(key, recNo);
        tree.Add(key, recNo);
      }
      const uint32_t root = tree.Finish();
      std::string header = keptHeader(i + 1);
      if (header.empty()) {  // a tag of a compound file: compact and compound
        header.assign(kFoxHeaderSize, '\0');
        header[14] = char(kFoxCompact | kFoxCompound);
      }
      header = ComposeFoxHeader(std::move(header), tag, root, outPath);
      header.resize(block, '\0');
      pages.Put(headerAt, header);
      directory.push_back({tag.Name, headerAt});
    }

    std::string dirHeader = keptHeader(0);
    IndexTag dirTag;
    dirTag.Name = "Tag-Verzeichnis";
    dirTag.KeyLength = dirHeader.empty() ? 10 : Le16(dirHeader, 12);
    if (dirHeader.empty()) {
      dirHeader.assign(kFoxHeaderSize, '\0');
      dirHeader[14] = char(kFoxCompact | kFoxCompound | 0x80);
    }
    for (DirectoryEntry& e : directory) {
      e.Name.resize(dirTag.KeyLength, ' ');
    }
    std::sort(directory.begin(), directory.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
      return a.Name != b.Name ? a.Name < b.Name : a.HeaderAt < b.HeaderAt;
    });
    FoxTreeWriter tree(pages, FoxTreeLayout::Compact, dirTag.KeyLength, ' ');
    for (const DirectoryEntry& e : directory) tree.Add(e.Name, e.HeaderAt);
    const uint32_t root = tree.Finish();
    std::string header = ComposeFoxHeader(std::move(dirHeader), dirTag, root, outPath);
    header.resize(block, '\0');
    pages.Put(directoryAt, header);
    pages.Flush();
    out.Sync();
    out.Close();
  }
};

}  // namespace

const IndexFormatHandler& CdxHandler() {
  static const CdxHandlerImpl handler;
  return handler;
}

void WalkCdxTag(const IndexFileInfo& info, size_t tagIndex,
                const std::function<bool(std::string_view key, uint32_t recNo)>& take) {
  const File file = File::Open(info.Path, true);
  const uint64_t size = file.Size();
  const std::string directory = ReadHeaderAt(file, 0, info.Path);
  const uint32_t pageSize = PageSizeOf(directory, info.Path);
  // Find the tag's header through the directory, as a runtime would.
  const IndexTag& tag = info.Tags.at(tagIndex);
  const FoxHeader dir = ParseFoxHeader(directory, "das Tag-Verzeichnis", info.Path);
  const IndexPageSource source{&file, size, pageSize, info.Path};
  std::string name = tag.Name;
  name.resize(dir.KeyLength, ' ');
  uint64_t headerAt = 0;
  WalkFoxTree(source, FoxTreeLayout::Compact, dir.Root, dir.KeyLength, ' ',
              [&](std::string_view key, uint32_t at) {
                if (key == name && headerAt == 0) headerAt = at;
              });
  if (headerAt == 0)
    throw IndexFailure{"Das Tag „" + tag.Name + "“ fehlt im Tag-Verzeichnis.", info.Path};
  const FoxHeader h = ParseFoxHeader(ReadHeaderAt(file, headerAt, info.Path), tag.Name, info.Path);
  // A damaged directory may name a tag twice, or point its name at another tag's header.
  if (h.KeyLength != tag.KeyLength)
    throw IndexFailure{"Das Tag-Verzeichnis führt zum Tag „" + tag.Name +
                           "“ einen Kopf mit einer anderen Schlüssellänge.",
                       info.Path};
  struct Stop {};
  try {
    WalkFoxTree(source, FoxTreeLayout::Compact, h.Root, h.KeyLength, FoxTrailByte(tag),
                [&](std::string_view key, uint32_t recNo) {
                  if (!take(key, recNo)) throw Stop{};
                });
  } catch (const Stop&) {
  }
}

std::vector<FoxIndexEntry> ReadCdxKeys(const IndexFileInfo& info, size_t tagIndex) {
  std::vector<FoxIndexEntry> entries;
  WalkCdxTag(info, tagIndex, [&](std::string_view key, uint32_t recNo) {
    entries.push_back({std::string(key), recNo});
    return true;
  });
  return entries;
}

}  // namespace fw
