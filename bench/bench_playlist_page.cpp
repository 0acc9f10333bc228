// The play list page with 5,000 songs in its folder, shown: the time until the names show
// against listing the folder alone, with the page's first turn and the GUI thread's longest
// gap until then, then the time until every
// song's length has come from the background check, with the GUI thread's longest gap
// between 5 ms ticks meanwhile (against the same probe on an idle event loop).
// Usage: bench_playlist_page [files]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "core/uTAppOptions.h"
#include "core/uTFileUtils.h"
#include "playlist/uTPlayListManager.h"
#include "app/uProgram.h"
#include "ui/pages/uFraPlayList.h"
#include "ui/widgets/uMediaPlayer.h"
#include "ui/models/uPlayListModel.h"
#include "ui/widgets/uPrompts.h"
#include "ui/look/uSystemIcons.h"
#include "uGapProbe.h"
#include "uToneMaker.h"

namespace {
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}
} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    const QTemporaryDir folder;
    // A data folder beside the program: a portable copy, whose lists stay in the bench's folder.
    CreateDir(folder.path().toStdString() + "/data");
    auto program = std::make_unique<TProgram>(folder.path().toStdString());
    const std::string songs = program->Options->DownloadDir;
    const std::string tone = MakeToneMp3(TTone{440.0, 2000});
    for (int i = 0; i < files; ++i)
        TFileUtils::WriteWholeFile(songs + "/Song " + std::to_string(i) + ".mp3", tone);

    const auto listing = Clock::now();
    double listMs = 0;
    {
        // Listing the folder alone, as a plain program would, on this thread.
        std::vector<TListedFile> listed;
        ListFolder(songs, listed);
        listMs = MsSince(listing);
    }
    const TGapProbe idle = RunGapProbe([start = Clock::now()] { return MsSince(start) > 500; });

    TDialogPrompts prompts;
    {
        TfraPlayList page(program->Services(prompts), std::make_unique<TQtMediaPlayer>());
        page.resize(900, 600);
        page.show();
        const auto init = Clock::now();
        page.InitPage(GetSystemImageList(false));
        const double initMs = MsSince(init);
        const TGapProbe listed = RunGapProbe([&program] { return !program->PlayList->Listing(); });
        const double namesMs = MsSince(init);
        const TPlayListModel& model = page.Model();
        const TGapProbe filling = RunGapProbe([&model] {
            for (int row = model.rowCount() - 1; row >= 0; --row) {
                if (model.File(row).Content.LengthMs == 0)
                    return false;
            }
            return true;
        });
        std::printf("%d songs: names shown in %.0f ms (listing the folder alone %.0f ms, %.1fx); "
                    "the page's first turn %.1f ms, longest GUI gap until shown %.1f ms\n",
                    files, namesMs, listMs, namesMs / std::max(listMs, 0.001), initMs, listed.LongestGapMs);
        std::printf("lengths filled in %.0f ms; longest GUI gap %.1f ms (idle %.1f ms; target under 30 ms)\n",
                    filling.Seconds * 1000.0, filling.LongestGapMs, idle.LongestGapMs);
    }
    program.reset();
    return 0;
}
