#include "ui/app/DlgSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "core/app/Settings.h"
#include "ui/app/Globals.h"
#include "core/platform/CodePage.h"
#include "ui/app/DlgSettings_VO.h"

namespace fw {
namespace {

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

  const Settings settings = ReadSettings(goIni);
  if (settings.ClearBeforeNew) rbLeeren->setChecked(true);
  else rbAppend->setChecked(true);
  chkDefaultLMax->setChecked(settings.DefaultLMax);
  sleDefaultnMax->setText(QString::number(settings.DefaultnMax));

  const QString driver = FromIni(settings.DefaultDriver);
  const int index = cmbDriver->findText(driver, Qt::MatchFixedString);  // any letter case
  cmbDriver->setCurrentIndex(index);
  cmbDriver->setEditText(index >= 0 ? cmbDriver->itemText(index) : driver);

  sleDefaultSaetze->setText(FromIni(settings.DefaultSaetze));
  sleSeed->setText(QString::number(settings.Seed));
  chkVorschlag->setChecked(settings.SuggestRules);
}

QString DlgSettings::CurrentDriver() const {
  const int index = cmbDriver->findText(cmbDriver->currentText().trimmed(), Qt::MatchFixedString);
  return index >= 0 ? cmbDriver->itemText(index) : QString();
}

void DlgSettings::PBAbbruch() { reject(); }

void DlgSettings::PBSpeichern() {
  SettingsEdit edit;
  if (rbLeeren->isChecked()) edit.ClearBeforeNew = true;
  else if (rbAppend->isChecked()) edit.ClearBeforeNew = false;
  edit.DefaultLMax = chkDefaultLMax->isChecked();
  edit.DefaultnMax = ToIni(sleDefaultnMax->text());
  // A name that is none of the drivers would leave the program without a usable driver:
  // the stored driver and the current one then stay as they are.
  const QString driver = CurrentDriver();
  if (!driver.isEmpty()) {
    edit.DefaultDriver = ToIni(driver);
    gcDefaultDriver = ToIni(driver);
  }
  edit.DefaultSaetze = ToIni(sleDefaultSaetze->text());
  // Only digits can be typed; an empty field or a number beyond 64 bits means a fresh seed.
  edit.Seed = SeedFromText(ToIni(sleSeed->text()));
  edit.SuggestRules = chkVorschlag->isChecked();
  WriteSettings(goIni, edit);
  accept();
}

}  // namespace fw
