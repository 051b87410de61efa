#include "ui/errors/ErrorApplication.h"

#include <cstdio>
#include <exception>
#include <string>

#include "core/errors/DefError.h"

namespace fw {

ErrorApplication::ErrorApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool ErrorApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    ReportEscapedException(std::current_exception(), receiver, event ? int(event->type()) : 0);
    return false;
  }
}

void ReportEscapedException(std::exception_ptr exception, QObject* receiver, int eventType) {
  std::string operation = "Ereignis " + std::to_string(eventType);
  if (receiver != nullptr) {
    operation += std::string(" an ") + receiver->metaObject()->className();
    if (!receiver->objectName().isEmpty())
      operation.append(" ").append(receiver->objectName().toStdString());
  }
  Error error = ErrorFromException(exception, operation, ErrorSys().Ui);
  try {
    // Nothing can be repeated: the handler has already been left.
    error.CanRetry = false;
    error.Throw();
  } catch (const ErrorException& x) {
    // Without the default handler (the throwing block, or a recovery point that is not
    // inside the event loop) the error ends here: the event stays unhandled.
    std::fprintf(stderr, "Fehler in der Ereignisbehandlung: %s\n", x.what());
  }
}

}  // namespace fw
