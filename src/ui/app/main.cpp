#include <QApplication>
#include <QFont>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app/ProgramVersion.h"
#include "core/app/StartArguments.h"
#include "core/app/Utilities.h"
#include "ui/app/App.h"
#include "ui/app/QtTranslations.h"
#include "ui/errors/ErrorApplication.h"
#include "ui/errors/ErrorSystem.h"

int main(int argc, char** argv) {
  using Action = fw::StartArguments::Action;
  // Answered before the window system starts, so that they also work without a display.
  switch (fw::EarlyAction(argc, argv)) {
    case Action::Version:
      std::printf("fuellwerk %s\n", std::string(fw::ProgramVersion()).c_str());
      return 0;
    case Action::Help:
      std::fputs(fw::kStartHelp, stdout);
      return 0;
    default:
      break;
  }

  fw::ErrorApplication application(argc, argv);  // takes the window system's options out
  const fw::StartArguments start =
      fw::ParseStartArguments(std::vector<std::string>(argv + 1, argv + argc));
  if (start.Do == Action::Usage) {
    std::fprintf(stderr, "fuellwerk: %s\nAufruf: fuellwerk [TABELLE.dbf] (mehr mit --help)\n",
                 start.Message.c_str());
    return 2;
  }
  // The desktop entry of the package: lets a Wayland desktop match the window to its entry and
  // icon.
  QGuiApplication::setDesktopFileName(QStringLiteral("de.fuellwerk.Fuellwerk"));
  fw::InstallErrorSystem(application);
  fw::InstallGermanQtTexts(application);
  QFont font = QApplication::font();
  font.setFamily(QStringLiteral("Liberation Sans"));
  QApplication::setFont(font);
  fw::App app(fw::ProgramFolder());
  if (!start.Table.empty()) {
    std::error_code ec;
    const std::filesystem::path table = std::filesystem::absolute(start.Table, ec);
    app.TableToOpen = ec ? start.Table : table.lexically_normal().string();
  }
  app.Start();
  return 0;
}
