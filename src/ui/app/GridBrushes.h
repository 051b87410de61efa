#pragma once
#include <QBrush>

namespace fw {

// Background brushes of the field grids, made by start-up and released when the program ends.
extern QBrush* goGridBrushA;  // the light grey of the basic colours
extern QBrush* goGridBrushB;  // RGB 255, 255, 180
void CreateGridBrushes();
void DestroyGridBrushes();

}  // namespace fw
