#pragma once

namespace fw {

// One cell of a grid: its column (1-based, opening order) and its row (record number).
struct bCell {
  int Column = 0;
  int Row = 0;
};

}  // namespace fw
