// Writes the program's icon as the PNG files of the freedesktop icon theme "hicolor":
// <folder>/hicolor/<n>x<n>/apps/<name>.png for the usual sizes. Run by the build for the
// package.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>

#include "ui/app/Icons.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: fw-render-icons <folder> <name>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");  // no display needed to draw into pictures
  QGuiApplication application(argc, argv);
  const QString folder = QString::fromLocal8Bit(argv[1]);
  const QString name = QString::fromLocal8Bit(argv[2]);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(folder).arg(size);
    const QString file = dir + QStringLiteral("/") + name + QStringLiteral(".png");
    if (!QDir().mkpath(dir) || !fw::ToolImage(size).save(file, "PNG")) {
      std::fprintf(stderr, "fw-render-icons: %s cannot be written\n", qPrintable(file));
      return 1;
    }
  }
  return 0;
}
