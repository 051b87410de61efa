#include "ui/app/Info.h"

#include <QLabel>

#include "ui/app/Globals.h"
#include "core/platform/CodePage.h"
#include "ui/app/Icons.h"
#include "ui/app/UiUtilities.h"

namespace fw {
namespace {
QString FromCp1252(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }
}  // namespace

Info::Info(QWidget* owner) : Info(owner, QueryMemory()) {}

Info::Info(QWidget* owner, const MemoryFigures& figures) : Info_VO(owner) {
  ico1->setPixmap(OrbIcon().pixmap(32, 32));
  ico1->resize(32, 32);
  ico1->show();

  FreeMemory->setText(QString::fromStdString(FormatFreeMemory(figures.AvailableKb)));
  FreeResources->setText(QString::fromStdString(FormatFreeResources(FreeResourcesPercent(figures))));
  txtProgramm->setText(FromCp1252(gcAppName));
  txtVersion->setText(QStringLiteral("Version  ") + FromCp1252(gcAppVersion) +
                      QStringLiteral(".") + QStringLiteral("563"));
  setWindowTitle(QStringLiteral("Informationen über das Programm ") + FromCp1252(gcAppName));
  MyCenter(this, owner);
}

}  // namespace fw
