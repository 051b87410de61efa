#include "ui/platform/bViewStyle.h"

namespace fw {

Qt::Alignment bViewStyle::Alignment() const {
  if (alignment_ < 0) return {};
  Qt::Alignment result;
  switch (alignment_ & 0xff) {
    case 0: result |= Qt::AlignLeft; break;
    case 2: result |= Qt::AlignRight; break;
    default: result |= Qt::AlignHCenter; break;
  }
  switch ((alignment_ >> 8) & 0xff) {
    case 0: result |= Qt::AlignTop; break;
    case 2: result |= Qt::AlignBottom; break;
    default: result |= Qt::AlignVCenter; break;
  }
  return result;
}

}  // namespace fw
