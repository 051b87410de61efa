#include "ui/fields/MyBBrowser.h"

#include "ui/app/GridBrushes.h"

namespace fw {

MyBBrowser::MyBBrowser(QWidget* owner, int id, bBrowserEvents* events)
    : bBrowser(owner, id, events) {
  SetGridBrushes(goGridBrushA, goGridBrushB);
  EnableSelector(true);
  EnableCaptionClick(true);
  EnableColumnMove(false);
}

}  // namespace fw
