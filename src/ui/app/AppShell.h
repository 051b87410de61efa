#pragma once
#include <QMainWindow>
#include <QMap>

class QAction;
class QMdiArea;
class QMenu;

namespace fw {

// Menu ids of the shell's menu bar.
namespace menu {
constexpr int kDatei = 21806, kErstellen = 21807, kSettings = 21808, kEnde = 21810,
              kHilfe = 21811, kHelpIndex = 21812, kInfo = 21813, kProjekt = 21814;
}

// The main window: a menu bar with "Datei" and "Hilfe", and a client area that hosts the
// generation window. It owns every other window of the program.
class AppShell : public QMainWindow {
  Q_OBJECT
public:
  explicit AppShell(QWidget* parent = nullptr);

  QMdiArea* ClientArea() const { return clientArea_; }
  // The menu entry of an id (pop-ups give their menu's action); nullptr for unknown ids.
  QAction* MenuItem(int id) const { return items_.value(id, nullptr); }
  QString HelpContext() const { return QStringLiteral("1000"); }

public slots:
  void Erstellen();  // opens the generation window
  void Projekt();    // "Projekt füllen…": a project file chosen, then its dialog
  void Settings();   // the settings dialog
  void Info();       // the info dialog
  void HelpIndex();  // the help at the shell's context
  void Ende();       // ends the program

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  QAction* AddItem(QMenu* menu, int id, const QString& text, const char* command);

  QMdiArea* clientArea_;
  QMap<int, QAction*> items_;
};

}  // namespace fw
