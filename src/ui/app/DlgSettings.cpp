#include "ui/app/DlgSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/app/Globals.h"
#include "core/generate/Random.h"
#include "core/platform/CodePage.h"
#include "ui/app/DlgSettings_VO.h"

namespace fw {
namespace {

constexpr const char* kSection = "SETTINGS";

QString FromIni(const std::string& text) { return QString::fromStdString(Cp1252ToUtf8(text)); }

// The settings file holds one entry per line: a line break inside a value would start a new
// entry (or section) of its own, so breaks are dropped. Everything else is stored as typed.
std::string ToIni(QString text) {
  text.remove(QLatin1Char('\r'));
  text.remove(QLatin1Char('\n'));
  return Utf8ToCp1252(text.toStdString());
}

}  // namespace

DlgSettings::DlgSettings(QWidget* owner, QObject* /*extra*/) : DlgSettings_VO(owner) {
  cmbDriver->addItems({QStringLiteral("DBFCDX"), QStringLiteral("DBFNTX"), QStringLiteral("DBFMDX")});
  cmbDriver->model()->sort(0);
  setWindowTitle(QStringLiteral("Einstellungen"));

  if (goIni.GetLogic(kSection, "ClearBeforeNew")) rbLeeren->setChecked(true);
  else rbAppend->setChecked(true);
  chkDefaultLMax->setChecked(goIni.GetLogic(kSection, "DefaultLMax"));
  sleDefaultnMax->setText(QString::number(goIni.GetInt(kSection, "DefaultnMax")));

  const QString driver = FromIni(goIni.GetString(kSection, "DefaultDriver"));
  const int index = cmbDriver->findText(driver, Qt::MatchFixedString);  // any letter case
  cmbDriver->setCurrentIndex(index);
  cmbDriver->setEditText(index >= 0 ? cmbDriver->itemText(index) : driver);

  sleDefaultSaetze->setText(FromIni(goIni.GetString(kSection, "DefaultSaetze")));
  sleSeed->setText(QString::number(SeedFromText(goIni.GetString(kSection, "Seed"))));
  chkVorschlag->setChecked(goIni.GetLogic(kSection, "SuggestRules"));
}

QString DlgSettings::CurrentDriver() const {
  const int index = cmbDriver->findText(cmbDriver->currentText().trimmed(), Qt::MatchFixedString);
  return index >= 0 ? cmbDriver->itemText(index) : QString();
}

void DlgSettings::PBAbbruch() { reject(); }

void DlgSettings::PBSpeichern() {
  if (rbLeeren->isChecked()) goIni.WriteString(kSection, "ClearBeforeNew", "1");
  else if (rbAppend->isChecked()) goIni.WriteString(kSection, "ClearBeforeNew", "0");
  goIni.WriteLogic(kSection, "DefaultLMax", chkDefaultLMax->isChecked());
  goIni.WriteString(kSection, "DefaultnMax", ToIni(sleDefaultnMax->text()));
  // A name that is none of the drivers would leave the program without a usable driver:
  // the stored driver and the current one then stay as they are.
  const QString driver = CurrentDriver();
  if (!driver.isEmpty()) {
    goIni.WriteString(kSection, "DefaultDriver", ToIni(driver));
    gcDefaultDriver = ToIni(driver);
  }
  goIni.WriteString(kSection, "DefaultSaetze", ToIni(sleDefaultSaetze->text()));
  // Only digits can be typed; an empty field or a number beyond 64 bits means a fresh seed.
  goIni.WriteString(kSection, "Seed", std::to_string(SeedFromText(ToIni(sleSeed->text()))));
  goIni.WriteLogic(kSection, "SuggestRules", chkVorschlag->isChecked());
  accept();
}

}  // namespace fw
