#include "ui/pages/uApplication.h"

#include <cstdio>
#include <exception>

TOrvaloApplication::TOrvaloApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Orvalo"));
    setApplicationDisplayName(QStringLiteral("Orvalo"));
    // The window class the desktop matches with the program's .desktop file.
    setDesktopFileName(QStringLiteral("org.example.Orvalo"));
}

bool TOrvaloApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        AppException(error.what());
    } catch (...) {
        AppException("unknown error");
    }
    return false;
}

void AppException(const char* message) {
    std::fprintf(stderr, "Exception caught: %s\n", message);
    std::fflush(stderr);
}
