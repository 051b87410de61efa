#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>

namespace fw {

// The tables open in this process, so that ending the program after an error can close each
// of them (writing its header) first. A table server registers itself when it opens its
// table and unregisters when it closes it.
class OpenTables {
public:
  using Id = uint64_t;
  // `close` closes the table; it is called at most once, by CloseAll.
  static Id Register(std::function<void()> close);
  // Unknown or already closed ids are ignored.
  static void Unregister(Id id);
  // Closes every registered table, the most recently opened first, and forgets them. A
  // close that throws does not stop the others. Returns the number of tables closed.
  static size_t CloseAll();
  static size_t Count();
};

}  // namespace fw
