#include "ui/uEntry.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMessageBox>
#include <QSocketNotifier>

#include "core/uProcessLimits.h"
#include "startup/uIncludes.h"
#include "ui/uApplication.h"
#include "ui/uFrmMain.h"
#include "ui/uFrmSplash.h"
#include "ui/uMediaPlayer.h"
#include "ui/uPlainText.h"
#include "ui/uPrompts.h"
#include "ui/uServices.h"

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

// One line on standard error says why the program ends, so that an end nobody asked for tells
// where it came from.
void LogWhyItEnds(const TfrmMain& window, int exitCode) {
    QString reason = window.ClosedBy();
    if (reason.isEmpty())
        reason = window.isVisible() ? QStringLiteral("the event loop ended while the window was open")
                                    : QStringLiteral("the window was hidden without being closed");
    std::fprintf(stderr, "orvalo: ends (%d): %s\n", exitCode, qPrintable(reason));
}

} // namespace

std::unique_ptr<QMessageBox> MakeAlreadyRunningBox() {
    return MakeMessageBox(QMessageBox::Information, QStringLiteral("Orvalo is already running."),
                          QMessageBox::Ok);
}

std::unique_ptr<QMessageBox> MakeUnwritableFoldersBox(const std::vector<std::string>& folders) {
    QStringList names;
    for (const std::string& folder : folders)
        names << QFile::decodeName(QByteArray::fromStdString(folder));
    const QString text = QStringLiteral("Orvalo cannot write to these folders:\n\n%1\n\n"
                                        "Downloads and the search history cannot be kept until "
                                        "they can be written. Other folders for the downloads "
                                        "can be chosen under Extra, Options.")
                             .arg(names.join(QLatin1Char('\n')));
    return MakeMessageBox(QMessageBox::Warning, text, QMessageBox::Ok);
}

TServices ProcessServices(TPrompts& prompts) {
    return TServices{*AppOptions,     *SearchManager, *VerificationManager, *SearchResults, *PopularResults,
                     *DownloadManager, *PlayListManager, *SearchKeys,        *EngineList,    DataFolder,
                     prompts};
}

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

int RunOrvalo(int argc, char** argv) {
    PrepareProcessLimits();
    if (IsAlreadyRunning()) {
        QApplication app(argc, argv);
        MakeAlreadyRunningBox()->exec();
        return 0;
    }
    TOrvaloApplication app(argc, argv);
    CloseWindowsOnTerminationSignals(&app);

    StartUp();
    if (const std::vector<std::string> unwritable = UnwritableFolders(); !unwritable.empty())
        MakeUnwritableFoldersBox(unwritable)->exec();
    if (!TerminationSignalled) {
        TfrmSplash splash;
        splash.exec();
    }
    TDialogPrompts prompts;
    auto frmMain = std::make_unique<TfrmMain>(ProcessServices(prompts));
    QApplication::setWindowIcon(frmMain->windowIcon());
    int exitCode = 0;
    if (!TerminationSignalled) {
        frmMain->show();
        exitCode = QApplication::exec();
        LogWhyItEnds(*frmMain, exitCode);
    }
    // The window goes first: its pages follow the services to the end, and nothing in their
    // destruction may find a freed one.
    frmMain.reset();
    ShutDown();
    return exitCode;
}
