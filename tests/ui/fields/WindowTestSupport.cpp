#include "ui/fields/WindowTestSupport.h"

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>

#include "ui/app/Globals.h"
#include "core/platform/Date.h"

namespace fw::test {

ProgramFolder::ProgramFolder(const QString& binDir, const QString& quellen) {
  QDir root(dir_.path());
  root.mkdir(QStringLiteral("ProgrammDaten"));
  root.mkdir(QStringLiteral("TestDaten"));
  const QDir delivered(binDir + QStringLiteral("/ProgrammDaten"));
  for (const QString& name : delivered.entryList({QStringLiteral("*.dbf")}, QDir::Files))
    QFile::copy(delivered.filePath(name), Path() + QStringLiteral("ProgrammDaten/") + name);
  WriteWords(QStringLiteral("Worte"), "Haus,Baum,Tisch,Stra\xdf" "e,Wald");
  WriteWords(QStringLiteral("Namen"), "M\xfcller,Schmidt,Meier,Schulz");
  WriteIni(QStringLiteral("[AppDaten]\r\nName=Fuellwerk\r\nVersion=1.0\r\n[SETTINGS]\r\n"
                          "ClearBeforeNew=0\r\nDefaultDriver=DBFNTX\r\nDefaultSaetze=100\r\n"
                          "Quellen=%1\r\n")
               .arg(quellen));
  // The user's settings folder (remembered rules) lies in the test's folder too: a test never
  // touches the real one.
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path() + QStringLiteral("config")));
  gcProgrammDaten = (Path() + QStringLiteral("ProgrammDaten/")).toStdString();
  gcTestDaten = (Path() + QStringLiteral("TestDaten/")).toStdString();
  goIni = IniFile(Path().toStdString() + "FUELLWERK.INI");
  gcAppName = "Fuellwerk";
  SetDateFormat(GermanDateFormat());
}

std::string ProgramFolder::Data(const QString& name) const {
  return (Path() + QStringLiteral("TestDaten/") + name).toStdString();
}

std::string ProgramFolder::MakeTable(const QString& name, const std::vector<FieldInfo>& fields,
                                     uint32_t records, const std::string& driver) const {
  const std::string path = Data(name);
  DBServer::Create(path, fields, driver);
  if (records > 0) {
    DBServer table(path, false, false, driver);
    for (uint32_t i = 0; i < records; ++i) table.Append();
    table.Close();
  }
  return path;
}

void ProgramFolder::WriteIni(const QString& body) const {
  QFile file(Path() + QStringLiteral("FUELLWERK.INI"));
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(body.toLatin1());
}

void ProgramFolder::WriteWords(const QString& name, const QByteArray& cp1252) const {
  QFile file(Path() + QStringLiteral("ProgrammDaten/") + name + QStringLiteral(".txt"));
  file.open(QIODevice::WriteOnly | QIODevice::Truncate);
  file.write(cp1252);
}

BoxAnswerer::BoxAnswerer() {
  timer_.setInterval(10);
  connect(&timer_, &QTimer::timeout, this, &BoxAnswerer::Poll);
  timer_.start();
}

BoxAnswerer::~BoxAnswerer() { timer_.stop(); }

void BoxAnswerer::Poll() {
  auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
  if (!box || !box->isVisible()) return;
  if (box->property("answered").toBool()) return;
  box->setProperty("answered", true);
  Captions << box->windowTitle();
  Texts << box->text();
  if (OnBox) OnBox();
  QMessageBox::StandardButton answer = answers_.isEmpty() ? QMessageBox::Ok : answers_.takeFirst();
  QAbstractButton* button = box->button(answer);
  if (!button) button = box->defaultButton();
  if (!button && !box->buttons().isEmpty()) button = box->buttons().front();
  if (button) button->click();
  else box->reject();
}

void ArmWatchdog(unsigned seconds) { alarm(seconds); }
void DisarmWatchdog() { alarm(0); }

}  // namespace fw::test
