#include "ui/app/GridBrushes.h"

namespace fw {

QBrush* goGridBrushA = nullptr;
QBrush* goGridBrushB = nullptr;

void CreateGridBrushes() {
  DestroyGridBrushes();
  goGridBrushA = new QBrush(QColor(192, 192, 192));  // basic colour 7: light grey
  goGridBrushB = new QBrush(QColor(255, 255, 180));
}

void DestroyGridBrushes() {
  delete goGridBrushA;
  goGridBrushA = nullptr;
  delete goGridBrushB;
  goGridBrushB = nullptr;
}

}  // namespace fw
