#include "core/index/NtxTree.h"

#include <set>
#include <vector>

#include "core/index/IndexBytes.h"
#include "core/index/IndexFile.h"
#include "core/index/NtxFormat.h"
#include "core/platform/FileIo.h"

namespace fw {
namespace {

using namespace index_bytes;

constexpr uint32_t kPage = NtxFormat::kPageSize;
constexpr int kDeepest = 32;

struct StopWalk {};

class Walker {
public:
  Walker(const std::string& path,
         const std::function<bool(std::string_view, uint32_t)>& take)
      : path_(path), file_(File::Open(path, true)), size_(file_.Size()), take_(take) {}

  void Run() {
    uint8_t h[kPage];
    if (size_ < kPage || file_.ReadAt(0, h, kPage) != kPage)
      RaiseIndex("Die NTX-Datei ist kürzer als ihr Kopf; sie ist beschädigt.", path_);
    keySize_ = Le16(h + 14);
    if (keySize_ == 0 || keySize_ + 8 > kPage)
      RaiseIndex("Die NTX-Datei nennt eine unmögliche Schlüssellänge.", path_);
    try {
      Page(Le32(h + 4), 0);
    } catch (const StopWalk&) {
    }
  }

private:
  void Page(uint32_t at, int depth) {
    if (depth > kDeepest || at == 0 || at % kPage != 0 || uint64_t(at) + kPage > size_ ||
        !seen_.insert(at).second)
      RaiseIndex("Eine Seite der NTX-Datei liegt außerhalb der Datei oder wird zweimal "
                 "erreicht; die Datei ist beschädigt.",
                 path_);
    std::vector<uint8_t> page(kPage);
    if (file_.ReadAt(at, page.data(), kPage) != kPage)
      RaiseIndex("Eine Seite der NTX-Datei ist nicht lesbar.", path_);
    const uint32_t count = Le16(page.data());
    if (2 + 2 * (count + 1) > kPage)
      RaiseIndex("Eine Seite der NTX-Datei zählt mehr Schlüssel, als sie fasst.", path_);
    for (uint32_t i = 0; i <= count; ++i) {
      const uint32_t item = Le16(page.data() + 2 + 2 * i);
      if (item < 2 + 2 * (count + 1) || item + 8 + (i < count ? keySize_ : 0) > kPage)
        RaiseIndex("Ein Eintrag der NTX-Datei liegt außerhalb seiner Seite.", path_);
      if (const uint32_t child = Le32(page.data() + item); child != 0) Page(child, depth + 1);
      if (i == count) break;
      const std::string_view key(reinterpret_cast<const char*>(page.data() + item + 8), keySize_);
      if (!take_(key, Le32(page.data() + item + 4))) throw StopWalk{};
    }
  }

  const std::string& path_;
  File file_;
  uint64_t size_;
  const std::function<bool(std::string_view, uint32_t)>& take_;
  uint32_t keySize_ = 0;
  std::set<uint32_t> seen_;
};

}  // namespace

void WalkNtxTree(const std::string& path,
                 const std::function<bool(std::string_view key, uint32_t recNo)>& take) {
  Walker(path, take).Run();
}

}  // namespace fw
