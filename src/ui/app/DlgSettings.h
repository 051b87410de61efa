#pragma once
#include "ui/app/DlgSettings_VO.h"

namespace fw {

// The dialog "Einstellungen": shows the defaults of section SETTINGS of the settings file and
// writes them back on "Speichern / Schliessen". Cancelling or closing it writes nothing.
class DlgSettings : public DlgSettings_VO {
  Q_OBJECT
public:
  explicit DlgSettings(QWidget* owner, QObject* extra = nullptr);

  // The list entry the driver box stands for: the entry whose name the box shows (in any
  // letter case); "" when it shows none of them.
  QString CurrentDriver() const;

protected slots:
  void PBAbbruch() override;
  void PBSpeichern() override;
};

}  // namespace fw
