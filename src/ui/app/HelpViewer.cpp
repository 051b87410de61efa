#include "ui/app/HelpViewer.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "core/app/AppFolders.h"
#include "core/app/Utilities.h"
#include "ui/app/Icons.h"
#include "ui/app/TextBox.h"

namespace fw {

HelpViewer::HelpViewer(QWidget* owner) : QDialog(owner), browser_(new QTextBrowser(this)) {
  setWindowTitle(QStringLiteral("Hilfe zum Programm"));
  setWindowIcon(ToolIcon());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(browser_);
  browser_->setOpenExternalLinks(true);
  resize(640, 520);
}

bool HelpViewer::ShowContext(const QString& helpFile, const QString& context) {
  if (!QFileInfo(helpFile).isFile()) return false;
  QUrl url = QUrl::fromLocalFile(helpFile);
  url.setFragment(QStringLiteral("ctx") + context);
  browser_->setSource(url);
  browser_->scrollToAnchor(url.fragment());
  return true;
}

QString HelpFilePath() {
  return QFile::decodeName(DeliveredFolder(ProgramFolder()).c_str()) +
         QStringLiteral("help/Fuellwerk.html");
}

void ShowHelp(QWidget* owner, const QString& context) {
  static QPointer<HelpViewer> viewer;
  if (!viewer) {
    viewer = new HelpViewer(nullptr);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
  }
  if (!viewer->ShowContext(HelpFilePath(), context)) {
    TextBox(owner, QStringLiteral("Hilfe"),
            QStringLiteral("Die Hilfedatei ") + HelpFilePath() +
                QStringLiteral(" ist nicht vorhanden."),
            MessageIcon::Exclamation);
    return;
  }
  viewer->show();
  viewer->raise();
  viewer->activateWindow();
}

}  // namespace fw
