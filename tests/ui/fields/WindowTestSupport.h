#pragma once
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>
#include <QMessageBox>
#include <string>
#include <vector>

#include "core/platform/DBServer.h"

namespace fw::test {

// A program folder of its own for one test: ProgrammDaten with copies of the delivered
// definition tables and small word files, a settings file, TestDaten for the targets, and the
// user's settings folder (XDG_CONFIG_HOME) in "config/". Sets the process-wide values to it;
// everything is removed when the object goes.
class ProgramFolder {
public:
  // `binDir` is the folder the build staged the program into.
  explicit ProgramFolder(const QString& binDir, const QString& quellen =
                             QStringLiteral("Namen,Vornamen,Orte,Worte,Random,-LEER-"));
  QString Path() const { return dir_.path() + QLatin1Char('/'); }
  std::string Data(const QString& name) const;  // path in TestDaten
  // Creates a target table in TestDaten and appends `records` blank records.
  std::string MakeTable(const QString& name, const std::vector<FieldInfo>& fields,
                        uint32_t records = 0, const std::string& driver = "DBFNTX") const;
  void WriteIni(const QString& body) const;
  void WriteWords(const QString& name, const QByteArray& cp1252) const;

private:
  QTemporaryDir dir_;
};

// Answers every modal box that comes up: records its caption and text, then presses the
// button of the next queued answer (OK when none is queued).
class BoxAnswerer : public QObject {
  Q_OBJECT
public:
  BoxAnswerer();
  ~BoxAnswerer() override;
  void Queue(QMessageBox::StandardButton button) { answers_ << button; }
  QStringList Captions;
  QStringList Texts;
  // Run on each modal box before it is answered (e.g. to press a button of the window).
  std::function<void()> OnBox;

private:
  void Poll();
  QTimer timer_;
  QList<QMessageBox::StandardButton> answers_;
};

// Kills the test program when a test hangs: armed in init(), disarmed in cleanup().
void ArmWatchdog(unsigned seconds = 60);
void DisarmWatchdog();

}  // namespace fw::test
