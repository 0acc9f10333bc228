#include "ui/uEntry.h"

#include <sys/socket.h>
#include <unistd.h>

#include <csignal>

#include <QApplication>
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
        [[maybe_unused]] const ssize_t read = ::read(SignalPipe[1], &byte, 1);
        TerminationSignalled = true;
        QApplication::closeAllWindows();
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
    {
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
    }
    ShutDown();
    // The windows go only now: nothing in their destruction may use a freed instance.
    frmMain.reset();
    return exitCode;
}
