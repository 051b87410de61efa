#include "ui/app/TextBox.h"

#include <QMessageBox>

namespace fw {

void TextBox(QWidget* owner, const QString& caption, const QString& text, MessageIcon icon) {
  QMessageBox::Icon qicon = QMessageBox::Warning;
  if (icon == MessageIcon::Stop) qicon = QMessageBox::Critical;
  if (icon == MessageIcon::Information) qicon = QMessageBox::Information;
  QString shown = text;
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  QMessageBox box(qicon, caption, shown, QMessageBox::Ok, owner);
  box.exec();
}

void WindowMessages::ShowMessage(const std::string& caption, const std::string& text,
                                 MessageIcon icon) {
  TextBox(owner_, QString::fromStdString(caption), QString::fromStdString(text), icon);
}

}  // namespace fw
