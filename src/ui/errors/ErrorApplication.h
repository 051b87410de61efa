#pragma once
#include <QApplication>

namespace fw {

// The application object of the program: a C++ exception that escapes an event handler is
// handed to the default error handler as an error (no silent crash) instead of tearing down
// the event loop. When the user continues, the event counts as not handled.
class ErrorApplication : public QApplication {
  Q_OBJECT
public:
  ErrorApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

// Hands an exception caught while `receiver` handled an event of type `eventType` to the
// current error block.
void ReportEscapedException(std::exception_ptr exception, QObject* receiver, int eventType);

}  // namespace fw
