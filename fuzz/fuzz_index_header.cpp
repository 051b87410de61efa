// Arbitrary bytes read as an index file by each format's handler: the header and tag list
// (Read), then every key of every tag (the page walk; of the NTX, CDX and IDX files). A file that reads is written anew
// with no keys, and that file must read back with the same tags. The files live in memory
// behind the engine's file seam.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "MemoryFiles.h"
#include "core/index/CdxFormat.h"
#include "core/index/IdxFormat.h"
#include "core/index/IndexFormats.h"
#include "core/index/NtxTree.h"
#include "core/platform/DbfFailure.h"

namespace {

fuzz::MemoryFiles& Files() {
  static fuzz::MemoryFiles* files = [] {
    auto* f = new fuzz::MemoryFiles;
    fw::SetFileIo(f);
    return f;
  }();
  return *files;
}

class NoKeys : public fw::SortedKeys {
public:
  bool Next(std::string&, uint32_t&) override { return false; }
  uint64_t Count() const override { return 0; }
};

void Walk(const fw::IndexFileInfo& info) {
  for (size_t i = 0; i < info.Tags.size(); ++i) {
    const auto keys = info.Format == fw::IndexFormat::Cdx ? fw::ReadCdxKeys(info, i)
                                                          : fw::ReadIdxKeys(info);
    for (const fw::FoxIndexEntry& e : keys)
      if (e.Key.size() != info.Tags[i].KeyLength) std::abort();
  }
}

void RoundTrip(const fw::IndexFormatHandler& handler, const fw::IndexFileInfo& info) {
  std::vector<NoKeys> none(info.Tags.size());
  std::vector<fw::SortedKeys*> keys;
  for (NoKeys& k : none) keys.push_back(&k);
  // Another folder, the same name: an .idx names its one tag after the file.
  const std::string out = "/fuzz/neu/" + info.Path.substr(info.Path.rfind('/') + 1);
  try {
    handler.Write(info, keys, 0, out);
  } catch (const fw::DbfFailure&) {
    return;  // expressions too long for a new header: refused, fine
  }
  const fw::IndexFileInfo again = handler.Read(out);
  if (again.Tags.size() != info.Tags.size()) std::abort();
  for (size_t i = 0; i < info.Tags.size(); ++i) {
    const fw::IndexTag &a = info.Tags[i], &b = again.Tags[i];
    if (a.Name != b.Name || a.KeyExpression != b.KeyExpression ||
        a.ForExpression != b.ForExpression || a.KeyLength != b.KeyLength ||
        a.Unique != b.Unique || a.Descending != b.Descending)
      std::abort();
  }
  Walk(again);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::MemoryFiles& files = Files();
  // Clipper's, dBase III's and dBase IV's files: their headers and tag lists are read.
  const std::pair<const char*, const fw::IndexFormatHandler*> headersOnly[] = {
      {"/fuzz/t.ntx", &fw::NtxHandler()},
      {"/fuzz/t.ndx", &fw::NdxHandler()},
      {"/fuzz/t.mdx", &fw::MdxHandler()}};
  for (const auto& [path, handler] : headersOnly) {
    files.Reset();
    files.Files[path].assign(reinterpret_cast<const char*>(data), size);
    try {
      const fw::IndexFileInfo info = handler->Read(path);
      for (const fw::IndexTag& tag : info.Tags)
        if (tag.KeyLength == 0) std::abort();
      // A Clipper file's keys are walked too (before a rebuild, against the table's records).
      if (handler == &fw::NtxHandler())
        fw::WalkNtxTree(path, [&](std::string_view key, uint32_t) {
          if (key.size() != info.Tags.at(0).KeyLength) std::abort();
          return true;
        });
    } catch (const fw::IndexFailure& failure) {
      if (failure.Description.empty()) std::abort();
    } catch (const fw::DbfFailure& failure) {
      if (failure.Description.empty()) std::abort();
    }
  }
  // FoxPro's files: header, every key of every tag, and a file written anew.
  const std::pair<const char*, const fw::IndexFormatHandler*> formats[] = {
      {"/fuzz/t.cdx", &fw::CdxHandler()}, {"/fuzz/t.idx", &fw::IdxHandler()}};
  for (const auto& [path, handler] : formats) {
    files.Reset();
    files.Files[path].assign(reinterpret_cast<const char*>(data), size);
    try {
      const fw::IndexFileInfo info = handler->Read(path);
      Walk(info);
      RoundTrip(*handler, info);
    } catch (const fw::IndexFailure& failure) {
      if (failure.Description.empty()) std::abort();
    } catch (const fw::DbfFailure& failure) {
      if (failure.Description.empty()) std::abort();
    }
  }
  return 0;
}
