#include "core/index/IndexRebuild.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <memory>

#include "core/platform/DbfFailure.h"
#include "core/platform/ErrorCodes.h"
#include "core/platform/FileIo.h"

namespace fw {

namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The sorted keys turned back into the format's stored bytes on their way to the writer.
class StoredKeys : public SortedKeys {
public:
  StoredKeys(KeySorter& sorted, const IndexFormatHandler& handler, const IndexFileInfo& file,
             const IndexTag& tag)
      : sorted_(sorted), handler_(handler), file_(file), tag_(tag) {}
  bool Next(std::string& key, uint32_t& recNo) override {
    if (handler_.StoresSortKey()) return sorted_.Next(key, recNo);
    if (!sorted_.Next(sortKey_, recNo)) return false;
    key = handler_.StoredKey(file_, tag_, sortKey_);
    return true;
  }
  bool NextView(std::string_view& key, uint32_t& recNo) override {
    if (handler_.StoresSortKey()) return sorted_.NextView(key, recNo);
    return SortedKeys::NextView(key, recNo);
  }
  uint64_t Count() const override { return sorted_.Count(); }

private:
  KeySorter& sorted_;
  const IndexFormatHandler& handler_;
  const IndexFileInfo& file_;
  const IndexTag& tag_;
  std::string sortKey_;
};

// Syncs the folder so that the rename itself survives a power failure. The new index is in
// place by then: a folder that cannot be synced (some network file systems refuse) does not
// make the rebuild a failure.
void SyncFolder(const std::string& folder) {
  FileIo& io = CurrentFileIo();
  const int fd = RetryOnInterrupt(
      [&] { return io.Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0); });
  if (fd < 0) return;
  RetryOnInterrupt([&] { return io.FDataSync(fd); });
  io.Close(fd);
}

}  // namespace

std::string RebuildTemporaryPath(const std::string& path) { return path + ".fw-neu"; }

IndexFileRebuild::IndexFileRebuild(const IndexFileInfo& file, const IndexFormatHandler& handler,
                                   uint32_t recordCount, size_t memoryBudget)
    : file_(file), handler_(handler), recordCount_(recordCount) {
  if (!file.Unsupported.empty()) throw IndexFailure{file.Unsupported, file.Path};
  for (const IndexTag& tag : file.Tags) {
    if (!tag.Unsupported.empty()) throw IndexFailure{tag.Unsupported, file.Path};
  }
  // What a killed earlier rebuild left behind is ours to remove.
  CurrentFileIo().Unlink(RebuildTemporaryPath(file.Path).c_str());
  const size_t tags = file.Tags.size();
  const size_t share = memoryBudget / (tags ? tags : 1);
  for (const IndexTag& tag : file.Tags) {
    sorters_.push_back(std::make_unique<KeySorter>(
        FolderOf(file.Path), tag.Descending && handler.StoresDescending(), tag.Unique, share));
    sorters_.back()->Expect(recordCount);
  }
}

IndexFileRebuild::~IndexFileRebuild() = default;

void IndexFileRebuild::Take(uint32_t recNo, const std::vector<TagKey>& keys) {
  for (size_t t = 0; t < sorters_.size(); ++t) {
    const TagKey& key = keys[t];
    if (!key.Included) continue;
    if (key.IsText) {
      sorters_[t]->Add(handler_.TextSortKey(file_, file_.Tags[t], key.Text, sortKey_), recNo);
    } else {
      sorters_[t]->Add(handler_.SortKey(file_, file_.Tags[t], key.Key), recNo);
    }
  }
}

void IndexFileRebuild::Complete() {
  const std::string folder = FolderOf(file_.Path);
  FileIo& io = CurrentFileIo();
  const std::string temporary = RebuildTemporaryPath(file_.Path);
  std::vector<std::unique_ptr<StoredKeys>> streams;
  std::vector<SortedKeys*> streamPointers;
  for (size_t t = 0; t < sorters_.size(); ++t) {
    sorters_[t]->Finish();
    if (handler_.StoresSortKey()) {
      // The sorted keys are the stored ones: the writer takes them from the sorter itself.
      streamPointers.push_back(sorters_[t].get());
      continue;
    }
    streams.push_back(std::make_unique<StoredKeys>(*sorters_[t], handler_, file_, file_.Tags[t]));
    streamPointers.push_back(streams.back().get());
  }

  try {
    handler_.Write(file_, streamPointers, recordCount_, temporary);
    struct stat old {};
    if (::stat(file_.Path.c_str(), &old) == 0) ::chmod(temporary.c_str(), old.st_mode & 07777);
    File written = File::Open(temporary, false);
    written.Sync();
    written.Close();
    if (RetryOnInterrupt([&] { return io.Rename(temporary.c_str(), file_.Path.c_str()); }) != 0) {
      RaiseDbf(gen::kWrite,
               "Die neu aufgebaute Indexdatei konnte nicht an die Stelle der alten treten.",
               file_.Path, errno, true);
    }
  } catch (...) {
    io.Unlink(temporary.c_str());
    throw;
  }
  SyncFolder(folder);
}

void RebuildIndexFile(const IndexFileInfo& file, const IndexFormatHandler& handler,
                      uint32_t recordCount, const RecordKeysOf& keysOf, size_t memoryBudget) {
  IndexFileRebuild rebuild(file, handler, recordCount, memoryBudget);
  std::vector<TagKey> keys(file.Tags.size());
  for (uint32_t recNo = 1; recNo <= recordCount; ++recNo) {
    for (TagKey& key : keys) key = TagKey{};
    keysOf(recNo, keys);
    rebuild.Take(recNo, keys);
  }
  rebuild.Complete();
}

}  // namespace fw
