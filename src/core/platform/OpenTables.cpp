#include "core/platform/OpenTables.h"

#include <mutex>
#include <utility>
#include <vector>

namespace fw {
namespace {

struct Entry {
  OpenTables::Id id;
  std::function<void()> close;
};

struct Registry {
  std::mutex mutex;
  std::vector<Entry> entries;
  OpenTables::Id next = 1;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

OpenTables::Id OpenTables::Register(std::function<void()> close) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  const Id id = r.next++;
  r.entries.push_back({id, std::move(close)});
  return id;
}

void OpenTables::Unregister(Id id) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.entries, [id](const Entry& e) { return e.id == id; });
}

size_t OpenTables::CloseAll() {
  size_t closed = 0;
  // One at a time and without the lock held: a close unregisters its table itself.
  for (;;) {
    std::function<void()> close;
    {
      Registry& r = TheRegistry();
      std::lock_guard lock(r.mutex);
      if (r.entries.empty()) break;
      close = std::move(r.entries.back().close);
      r.entries.pop_back();
    }
    ++closed;
    try {
      if (close) close();
    } catch (...) {
      // The program is ending; the next table still gets its chance.
    }
  }
  return closed;
}

size_t OpenTables::Count() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  return r.entries.size();
}

}  // namespace fw
