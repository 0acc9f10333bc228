// The composition root: one process of the program, from the single-instance check to the
// last saved setting.

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QMessageBox>

#include "core/uProcessLimits.h"
#include "startup/uIncludes.h"
#include "ui/uApplication.h"
#include "ui/uFrmMain.h"
#include "ui/uFrmSplash.h"
#include "ui/uMediaPlayer.h"
#include "ui/uPrompts.h"
#include "ui/uServices.h"
#include "ui/uTermination.h"

namespace {

// One line on standard error says why the program ends, so that an end nobody asked for tells
// where it came from.
void LogWhyItEnds(const TfrmMain& window, int exitCode) {
    QString reason = window.ClosedBy();
    if (reason.isEmpty())
        reason = window.isVisible() ? QStringLiteral("the event loop ended while the window was open")
                                    : QStringLiteral("the window was hidden without being closed");
    std::fprintf(stderr, "orvalo: ends (%d): %s\n", exitCode, qPrintable(reason));
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
    if (!TerminationRequested()) {
        TfrmSplash splash;
        splash.exec();
    }
    TDialogPrompts prompts;
    auto frmMain = std::make_unique<TfrmMain>(ProcessServices(prompts));
    QApplication::setWindowIcon(frmMain->windowIcon());
    int exitCode = 0;
    if (!TerminationRequested()) {
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

} // namespace

int main(int argc, char** argv) {
    return RunOrvalo(argc, argv);
}
