#pragma once
#include <QDialog>
#include <QString>

class QTextBrowser;

namespace fw {

// The program's help: HTML pages delivered in the folder "help" beside the program, shown in a
// window of the program's own. A help context is an anchor in the help file.
class HelpViewer : public QDialog {
  Q_OBJECT
public:
  explicit HelpViewer(QWidget* owner = nullptr);
  bool ShowContext(const QString& helpFile, const QString& context);
  QTextBrowser* Browser() const { return browser_; }

private:
  QTextBrowser* browser_;
};

// The help file of the program ("help/Fuellwerk.html" in the program folder).
QString HelpFilePath();
// Shows the help at the context, in one viewer for the whole program.
void ShowHelp(QWidget* owner, const QString& context);

}  // namespace fw
