#pragma once

#include <QApplication>

// The program's application object. An exception that reaches the event loop from any
// handler is caught here: "Exception caught: " and its message go to standard error,
// nothing is shown to the user, and the event loop goes on.
class TOrvaloApplication : public QApplication {
    Q_OBJECT
public:
    TOrvaloApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Writes "Exception caught: " + message to standard error.
void AppException(const char* message);
