#include "core/project/FillOrder.h"

#include <algorithm>

namespace fw {

std::optional<std::vector<size_t>> FillOrder(size_t tables,
                                             const std::vector<std::pair<size_t, size_t>>& references,
                                             std::vector<size_t>& circle) {
  circle.clear();
  std::vector<std::vector<size_t>> parents(tables);
  for (const auto& [child, parent] : references)
    if (child < tables && parent < tables &&
        std::find(parents[child].begin(), parents[child].end(), parent) == parents[child].end())
      parents[child].push_back(parent);
  // Each round takes, in the project's order, the first table whose parents are all filled:
  // tables without references keep the order the user wrote them in.
  std::vector<size_t> order;
  std::vector<bool> done(tables, false);
  while (order.size() < tables) {
    bool found = false;
    for (size_t t = 0; t < tables && !found; ++t) {
      if (done[t]) continue;
      if (std::all_of(parents[t].begin(), parents[t].end(), [&](size_t p) { return done[p]; })) {
        done[t] = true;
        order.push_back(t);
        found = true;
      }
    }
    if (found) continue;
    // Every table left waits for another one left: follow the parents from one of them until
    // a table comes round again.
    size_t t = 0;
    while (done[t]) ++t;
    std::vector<size_t> path;
    std::vector<size_t> seenAt(tables, size_t(-1));
    while (seenAt[t] == size_t(-1)) {
      seenAt[t] = path.size();
      path.push_back(t);
      for (size_t p : parents[t])
        if (!done[p]) {
          t = p;
          break;
        }
    }
    circle.assign(path.begin() + std::ptrdiff_t(seenAt[t]), path.end());
    return std::nullopt;
  }
  return order;
}

}  // namespace fw
