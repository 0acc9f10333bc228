#include "cli/uCliDownload.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>

#include <QCoreApplication>

#include "cli/uCliSearch.h"
#include "core/uTAppOptions.h"
#include "startup/uProgramFolders.h"
#include "core/uTFileUtils.h"
#include "core/uTStringList.h"
#include "download/uTDownloadManager.h"
#include "net/uTransferEngine.h"
#include "core/uTAppOptions.h"
#include "startup/uProgramFolders.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Where files go unless the command line says otherwise: the folders of the program's
// settings, or the program's own defaults when those are missing.
// A folder given on the command line is the only one touched for its part, made with its
// parents when it is missing; the default (beside a portable program, in the user's folders
// for an installed one) is made only for a folder the command line leaves out.
void SettleFolders(TCliDownloadOptions& options) {
    TAppOptions settings;
    settings.Load();
    const TProgramFolders defaults = ChooseProgramFolders(ExecutableFolder());
    const auto settle = [&](std::string& given, std::string& setting, const std::string& fallback) {
        if (given.empty()) {
            SettleFolder(setting, fallback, !defaults.Portable);
            given = setting;
        } else if (!DirectoryExists(given)) {
            std::error_code ignored; // what cannot be made is reported by the caller
            std::filesystem::create_directories(given, ignored);
        }
    };
    settle(options.DownloadFolder, settings.DownloadDir, defaults.DownloadDir);
    settle(options.IncompleteFolder, settings.IncompleteDir, defaults.IncompleteDir);
}

// One progress line per file on a terminal, redrawn in place, at most ten times a second.
class TProgressBars {
public:
    TProgressBars(const TDownloadManager& manager, bool enabled)
        : m_manager(manager), m_enabled(enabled), m_sharesTerminal(enabled && ::isatty(STDOUT_FILENO) == 1) {}

    void Draw(bool force) {
        if (!m_enabled)
            return;
        const auto now = std::chrono::steady_clock::now();
        if (!force && now - m_lastDraw < std::chrono::milliseconds(100))
            return;
        m_lastDraw = now;
        std::string text;
        if (m_drawnLines > 0)
            text += "\x1b[" + std::to_string(m_drawnLines) + "F";
        for (int i = 0; i < m_manager.Count(); ++i)
            text += Line(*m_manager.Items(i)) + "\x1b[K\n";
        m_drawnLines = m_manager.Count();
        std::fputs(text.c_str(), stderr);
        std::fflush(stderr);
    }

    // A line printed on the same terminal lands below the bars: draw them anew beneath it.
    void LinePrinted() {
        if (m_sharesTerminal)
            m_drawnLines = 0;
    }

private:
    static std::string Line(const TDownload& download) {
        constexpr int kWidth = 30;
        const int filled = download.Progress * kWidth / 100;
        std::string bar = "[" + std::string(static_cast<size_t>(std::clamp(filled, 0, kWidth)), '#') +
                          std::string(static_cast<size_t>(kWidth - std::clamp(filled, 0, kWidth)), '-') + "]";
        const char* state = download.Failed ? " failed" : (download.Completed ? " done" : (download.Waiting() ? " queued" : ""));
        char figures[96];
        std::snprintf(figures, sizeof figures, " %3d%% %8lld kb/s%s ", download.Progress,
                      static_cast<long long>(download.Speed / 1024), state);
        std::string name = download.FileName.substr(0, 40);
        for (char& c : name) {
            if (static_cast<unsigned char>(c) < 0x20)
                c = ' ';
        }
        return bar + figures + name;
    }

    const TDownloadManager& m_manager;
    bool m_enabled;
    bool m_sharesTerminal; // the lines printed go to the bars' terminal: asked once, not per line
    int m_drawnLines = 0;
    std::chrono::steady_clock::time_point m_lastDraw;
};

// The window's pauses before the tries of a cut transfer, the first `tries` of them.
std::vector<std::chrono::milliseconds> RetryPauses(int tries) {
    std::vector<std::chrono::milliseconds> pauses{std::chrono::seconds(2), std::chrono::seconds(8),
                                                  std::chrono::seconds(30)};
    pauses.resize(static_cast<size_t>(std::clamp(tries, 0, static_cast<int>(pauses.size()))));
    return pauses;
}

} // namespace

std::string FileNameFromUrl(const std::string& url) {
    std::string path = url.substr(0, url.find_first_of("?#"));
    const size_t scheme = path.find("://");
    if (scheme != std::string::npos)
        path = path.substr(scheme + 3);
    const size_t slash = path.find('/');
    path = slash == std::string::npos ? std::string() : path.substr(slash);
    return SafeFileName(PercentDecoded(LastPathSegment(path)));
}

int RunCliDownload(TCliDownloadOptions options) {
    SettleFolders(options);
    for (const std::string& folder : {options.DownloadFolder, options.IncompleteFolder}) {
        if (!DirectoryExists(folder)) {
            std::fprintf(stderr, "orvalo-cli: cannot make the folder: %s\n", folder.c_str());
            return 1;
        }
    }
    TTransferEngine transfers;
    TDownloadManager manager(transfers, options.DownloadFolder, options.IncompleteFolder);
    // What did not come whole stays for "--continue", as it does for wget -c.
    manager.SetKeepPartsAtEnd(true);
    manager.SetRetryPauses(RetryPauses(options.Retries));
    manager.SetLimits(options.Parallel);
    TProgressBars bars(manager, ::isatty(STDERR_FILENO) == 1);
    int pending = 0;
    bool allCompleted = true;
    const auto finished = [&] {
        if (--pending == 0)
            QCoreApplication::exit(allCompleted ? 0 : 1);
    };
    QObject::connect(&manager, &TDownloadManager::Changed, [&](const TDownload& download, TDownloadChange what) {
        if (what == TDownloadChange::Figures) {
            bars.Draw(false);
            return;
        }
        if (what != TDownloadChange::Status || download.Status() == TDownload::StatusDownloading)
            return;
        // A failed file is fetched from its next address while it has one.
        if (download.Failed && !download.Alternatives.empty() && manager.RestartDownload(download.Key))
            return;
        bars.Draw(true);
        if (download.Completed) {
            PrintFields({"complete", download.Key, download.FilePath});
        } else {
            PrintFields({"failed", download.Key, download.FailReason});
            allCompleted = false;
        }
        bars.LinePrinted();
        finished();
    });
    TStringList started;
    for (size_t i = 0; i < options.Urls.size(); ++i) {
        const std::string& url = options.Urls[i];
        if (started.IndexOf(url) >= 0)
            continue; // the same address twice is one download
        started.Add(url);
        ++pending;
        const std::string name = options.Name.empty() ? FileNameFromUrl(url) : SafeFileName(options.Name);
        TDownloadRequest request = TDownloadRequest::ForLink(url, name);
        request.Alternatives = options.Alternatives[i];
        request.ContinuePart = options.Continue;
        manager.Download(request);
    }
    bars.Draw(true);
    return QCoreApplication::exec();
}
