// The composition root: one process of the program, from the single-instance check to the
// last saved setting.

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QMessageBox>
#include <QSettings>

#include "core/uProcessLimits.h"
#include "core/uTAppOptions.h"
#include "app/uProgram.h"
#include "startup/uInstanceLock.h"
#include "ui/pages/uApplication.h"
#include "ui/pages/uFrmMain.h"
#include "ui/widgets/uFrmSplash.h"
#include "desktop/uInstanceDoor.h"
#include "app/uDesktopBridges.h"
#include "desktop/uTerminationSignals.h"
#include "ui/widgets/uMediaPlayer.h"
#include "ui/widgets/uPrompts.h"
#include "ui/pages/uServices.h"
#include "ui/pages/uTermination.h"
#include "ui/look/uTranslations.h"
#include "ui/widgets/uWindowMemory.h"

namespace {

// How long a second start waits to reach the running one, and then for its answer: a busy
// machine or a busy first start is given time.
constexpr int kDoorWaitMs = 1000;
constexpr int kBusyAnswerMs = 30000;

QStringList DoorPlaces() {
    QStringList places;
    for (const std::string& path : InstanceDoorPaths())
        places << QFile::decodeName(path.c_str());
    return places;
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

int RunOrvalo(int argc, char** argv) {
    PrepareProcessLimits();
    if (IsAlreadyRunning()) {
        QApplication app(argc, argv);
        const TTranslations translations{QLocale()};
        // The running one brings its window forward with the page this start would have
        // shown; only when nothing answers at all is the user told.
        const int page = PageNumber(RestoredPage(*OpenOrvaloSettings()).value_or(TPageId::Searches));
        if (!TInstanceDoor::AskToShow(DoorPlaces(), page, kDoorWaitMs, kBusyAnswerMs))
            MakeAlreadyRunningBox()->exec();
        return 0;
    }
    TOrvaloApplication app(argc, argv);
    // Before the first window: every text is translated as it is made.
    const TTranslations translations{QLocale()};
    const TTerminationSignals termination;
    CloseWindowsOn(termination);
    // The door opens before anything that takes a while (the services, the splash): a second
    // start finds this one at once. What it asks for before the window is there waits for it.
    TInstanceDoor door(DoorPlaces());
    if (!door.Listening())
        std::fprintf(stderr, "orvalo: a second start will not find this one: there is no place to listen at\n");
    TfrmMain* window = nullptr;
    std::optional<TPageId> askedBeforeWindow;
    QObject::connect(&door, &TInstanceDoor::ShowRequested, &app, [&window, &askedBeforeWindow](int page) {
        const std::optional<TPageId> shown = PageOfNumber(page);
        if (window == nullptr) {
            askedBeforeWindow = shown;
            return;
        }
        if (shown)
            window->ShowPage(*shown);
        window->BringForward();
    });

    // Every service of this run, built once; the window and its pages are handed theirs.
    TProgram program;
    if (const std::vector<std::string> unwritable = program.UnwritableFolders(); !unwritable.empty())
        MakeUnwritableFoldersBox(unwritable)->exec();
    if (!termination.Arrived()) {
        TfrmSplash splash;
        splash.exec();
    }
    TDialogPrompts prompts;
    auto frmMain = std::make_unique<TfrmMain>(program.Services(prompts), std::make_unique<TQtMediaPlayer>());
    QApplication::setWindowIcon(frmMain->windowIcon());
    QObject::connect(&termination, &TTerminationSignals::Terminate, frmMain.get(), &TfrmMain::EndWithoutAsking);
    QObject::connect(frmMain.get(), &TfrmMain::FirstShown, [&program] {
        program.StartLiveData();
        program.StartWishRounds();
    });
    auto desktop = std::make_unique<TDesktopBridges>(*frmMain, *program.WishSearch);
    window = frmMain.get();
    if (askedBeforeWindow)
        frmMain->StartOnPage(*askedBeforeWindow);
    int exitCode = 0;
    if (!termination.Arrived()) {
        frmMain->show();
        exitCode = QApplication::exec();
        LogWhyItEnds(*frmMain, exitCode);
    }
    // The window goes first: its pages follow the services to the end, and nothing in their
    // destruction may find a freed one. The services end with the program, at the return.
    window = nullptr;
    desktop.reset();
    frmMain.reset();
    return exitCode;
}

} // namespace

int main(int argc, char** argv) {
    return RunOrvalo(argc, argv);
}
