#pragma once

namespace fw {

// The five field types the program fills, in the order the fill run fills them. Each has its
// definition table, grid, gauge and status text.
enum class FieldKind { Character = 0, Numeric = 1, Logic = 2, Date = 3, Memo = 4 };
constexpr int kFieldKindCount = 5;

}  // namespace fw
