#include <QApplication>
#include <QFont>

#include "core/app/Utilities.h"
#include "ui/app/App.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QFont font = QApplication::font();
  font.setFamily(QStringLiteral("Liberation Sans"));
  QApplication::setFont(font);
  fw::App app(fw::ProgramFolder());
  app.Start();
  return 0;
}
