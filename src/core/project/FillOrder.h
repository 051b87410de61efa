#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace fw {

// The order in which the tables of a project are filled: every table after the tables its
// fields refer to, otherwise in the project's order. `references` holds pairs (child, parent)
// of 0-based table numbers below `tables`; a reference to a table outside the project is not
// in it (that table is only read). None when the references run in a circle; `circle` then
// names the tables of one circle by their numbers, in the order they refer to each other.
std::optional<std::vector<size_t>> FillOrder(size_t tables,
                                             const std::vector<std::pair<size_t, size_t>>& references,
                                             std::vector<size_t>& circle);

}  // namespace fw
