#pragma once
#include "core/app/SystemInfo.h"
#include "ui/app/Info_VO.h"

namespace fw {

// The info dialog: program name and version, the maker's lines, free memory and free
// resources of this machine. Centred in its owner's client area.
class Info : public Info_VO {
  Q_OBJECT
public:
  explicit Info(QWidget* owner);
  // With given memory figures instead of this machine's.
  Info(QWidget* owner, const MemoryFigures& figures);
};

}  // namespace fw
