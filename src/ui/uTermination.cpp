#include "ui/uTermination.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>

namespace {

// A signal handler may only write to a descriptor; the event loop reads the other end.
int SignalPipe[2] = {-1, -1};
// Set once a termination signal has been read: a window that comes after it (the main
// window after the splash) is not shown.
bool TerminationSignalled = false;

void ForwardSignal(int signal) {
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(SignalPipe[0], &byte, 1);
}

// A question open in its own event loop would swallow the close (the window is already inside
// its close handler): every open dialog is answered as cancelled first.
void EndModalDialogs() {
    for (int guard = 0; guard < 32; ++guard) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr)
            return;
        if (auto* dialog = qobject_cast<QDialog*>(modal))
            dialog->reject();
        else
            modal->close();
        if (QApplication::activeModalWidget() == modal)
            return;
    }
}

void EndOnSignal(int signal) {
    TerminationSignalled = true;
    std::fprintf(stderr, "orvalo: ending on signal %d (%s)\n", signal, ::strsignal(signal));
    EndModalDialogs();
    // The dialogs' loops return only once this handler is done; the windows close after them.
    QMetaObject::invokeMethod(qApp, [] { QApplication::closeAllWindows(); }, Qt::QueuedConnection);
}

} // namespace

bool TerminationRequested() {
    return TerminationSignalled;
}

void CloseWindowsOnTerminationSignals(QObject* owner) {
    if (SignalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(SignalPipe[1], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [] {
        char byte = 0;
        if (::read(SignalPipe[1], &byte, 1) == 1)
            EndOnSignal(static_cast<unsigned char>(byte));
    });
    struct sigaction action {};
    action.sa_handler = ForwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

