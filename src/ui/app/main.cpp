#include <QApplication>
#include <QFont>

#include "core/app/Utilities.h"
#include "ui/app/App.h"
#include "ui/errors/ErrorApplication.h"
#include "ui/errors/ErrorSystem.h"

int main(int argc, char** argv) {
  fw::ErrorApplication application(argc, argv);
  fw::InstallErrorSystem(application);
  QFont font = QApplication::font();
  font.setFamily(QStringLiteral("Liberation Sans"));
  QApplication::setFont(font);
  fw::App app(fw::ProgramFolder());
  app.Start();
  return 0;
}
