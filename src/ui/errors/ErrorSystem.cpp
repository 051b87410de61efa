#include "ui/errors/ErrorSystem.h"

#include <QApplication>
#include <exception>

#include "core/errors/DefError.h"
#include "ui/errors/ErrorBox.h"

namespace fw {

void InstallErrorSystem(QApplication&) {
  static QtErrorUi ui;
  ErrorSys().Ui = &ui;
  InstallDefError();
  InstallFatalErrorHandlers();
}

}  // namespace fw
