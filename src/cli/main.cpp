// orvalo-cli: the program's core on a command line, for scripting and testing.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <QCoreApplication>

#include "cli/uCliCheck.h"
#include "cli/uCliDownload.h"
#include "cli/uCliSearch.h"
#include "core/uProcessLimits.h"
#include "startup/uProgramFolders.h"
#include "startup/uProgramFolders.h"
#include "core/uTFileUtils.h"
#include "search/uTMp3Search.h"

namespace {

const char* const kUsage =
    "Usage:\n"
    "  orvalo-cli search [--data DIR] [--timeout S] [--check-timeout S] KEY\n"
    "      Runs one search over the engines of DIR/Engines.dat (default: the user's own\n"
    "      engine list, else the one shipped with this program) with the program's limits\n"
    "      (3 engines at once, 5 link checks at once, one start every 500 ms), checks every\n"
    "      distinct link (letter case ignored) and prints one tab-separated line per event\n"
    "      as it happens:\n"
    "        result<TAB>engine key<TAB>title<TAB>link\n"
    "        engine-done<TAB>engine key[<TAB>why its page did not come]\n"
    "        search-done\n"
    "        verified<TAB>link<TAB>size<TAB>what its start holds (\"192 kbps, 4:05\", \"Preview? 0:25\",\n"
    "                 \"Not an MP3\"; empty when it could not be told)\n"
    "        failed<TAB>link<TAB>reason\n"
    "      Exits 0 once the search is done and every check has reported; 1 when no engine\n"
    "      could be loaded or the time-out (default 120 s) passed; 2 when no engine's site\n"
    "      could be reached. --check-timeout sets how\n"
    "      long one link check may wait to connect or for the next byte (default 15 s).\n"
    "  orvalo-cli download [--to DIR] [--incomplete DIR] [--name NAME] [--continue] [--retries N]\n"
    "                      [--parallel N] URL [--or URL]...\n"
    "      Downloads each address with the program's download manager: written into the\n"
    "      incomplete folder, then moved under a free name into the download folder\n"
    "      (defaults: the program's settings). The file is named NAME, or after the\n"
    "      address's last path segment, made safe to use as a file name. Shows a progress\n"
    "      bar per file on standard error when that is a terminal, and prints one line per\n"
    "      file on standard output:\n"
    "        complete<TAB>link<TAB>final path\n"
    "        failed<TAB>link<TAB>reason\n"
    "      URL --or URL2 --or URL3 names one file at three addresses: when one fails, the\n"
    "      next is tried, and the file fails only when every one did. What did not come\n"
    "      whole stays in the incomplete folder; --continue takes a file of the download's\n"
    "      name there as its first part and asks only for the rest. A transfer the network\n"
    "      cuts short continues by itself after 2, 8 and 30 s; --retries N (0 to 3) tries\n"
    "      that many times. At most --parallel N files (default 6, 1 to 50) come at\n"
    "      once, two at most from one host; the others wait their turn.\n"
    "      Exits 0 when every download completed, 1 otherwise.\n"
    "  orvalo-cli check FILE|FOLDER...\n"
    "      Tells what each file really holds (a folder: every plain file below it), one\n"
    "      line each:\n"
    "        path<TAB>kind<TAB>verdict\n"
    "      kind: mp3, cut (fewer frames than its header promises), mpeg-audio (Layer I\n"
    "      or II), html, empty, data, not-a-file, too-large or unreadable; the verdict as\n"
    "      the window says it (\"MP3, 128 kbps, 3:25\", \"Cut short: 1:42 of 3:25\" ...).\n"
    "      Exits 0 when every file is a whole MP3, 1 when some is not, 2 when a path cannot\n"
    "      be read.\n"
    "  orvalo-cli scramble FILE\n"
    "  orvalo-cli unscramble FILE\n"
    "      Writes the file's bytes, scrambled or unscrambled with the program's key, to\n"
    "      standard output: how Engines.dat is written and Orvalo.dat read.\n"
    "  orvalo-cli --help\n"
    "      Shows this text.\n"
    "Exit codes: 0 success, 1 failure, 2 usage error.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "orvalo-cli: %s\nTry 'orvalo-cli --help'.\n", message.c_str());
    return 2;
}

bool ParseSeconds(const char* text, int& seconds) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value <= 0 || value > 24 * 3600)
        return false;
    seconds = static_cast<int>(value);
    return true;
}

bool ParseCount(const char* text, int lowest, int highest, int& count) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < lowest || value > highest)
        return false;
    count = static_cast<int>(value);
    return true;
}

// The folder of the engine list the program itself reads.
std::string DefaultEngineFolder() {
    const std::string path = ChooseProgramFolders(ExecutableFolder()).EngineListPath();
    return path.substr(0, path.rfind('/'));
}

int Search(const std::vector<std::string>& args) {
    TCliSearchOptions options;
    options.DataFolder = DefaultEngineFolder();
    bool haveKey = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--data" && hasValue) {
            options.DataFolder = args[++i];
        } else if (arg == "--timeout" || arg == "--check-timeout") {
            int& target = arg == "--timeout" ? options.TimeoutSeconds : options.CheckTimeoutSeconds;
            if (!hasValue || !ParseSeconds(args[++i].c_str(), target))
                return UsageError(arg + " needs a number of seconds");
        } else if (arg.rfind("--", 0) == 0 || haveKey) {
            return UsageError("unexpected argument: " + arg);
        } else {
            options.Key = arg;
            haveKey = true;
        }
    }
    if (!haveKey)
        return UsageError("search needs a KEY");
    return RunCliSearch(options);
}

int Download(const std::vector<std::string>& args) {
    TCliDownloadOptions options;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((arg == "--to" || arg == "--incomplete" || arg == "--name" || arg == "--or") && !hasValue)
            return UsageError(arg + " needs a value");
        if (arg == "--to")
            options.DownloadFolder = args[++i];
        else if (arg == "--incomplete")
            options.IncompleteFolder = args[++i];
        else if (arg == "--name")
            options.Name = args[++i];
        else if (arg == "--continue")
            options.Continue = true;
        else if (arg == "--retries") {
            if (!hasValue || !ParseCount(args[++i].c_str(), 0, 3, options.Retries))
                return UsageError("--retries needs a number from 0 to 3");
        } else if (arg == "--parallel") {
            if (!hasValue || !ParseCount(args[++i].c_str(), 1, 50, options.Parallel))
                return UsageError("--parallel needs a number from 1 to 50");
        } else if (arg == "--or" && options.Urls.empty())
            return UsageError("--or follows the URL it stands in for");
        else if (arg == "--or")
            options.Alternatives.back().push_back(args[++i]);
        else if (arg.rfind("--", 0) == 0)
            return UsageError("unexpected argument: " + arg);
        else {
            options.Urls.push_back(arg);
            options.Alternatives.emplace_back();
        }
    }
    if (options.Urls.empty())
        return UsageError("download needs at least one URL");
    return RunCliDownload(std::move(options));
}

int Transcode(const std::vector<std::string>& args, bool scramble) {
    if (args.size() != 1)
        return UsageError(std::string(scramble ? "scramble" : "unscramble") + " needs one FILE");
    if (!FileExists(args[0])) {
        std::fprintf(stderr, "orvalo-cli: cannot read %s\n", args[0].c_str());
        return 1;
    }
    const std::string data = TFileUtils::ReadWholeFile(args[0]);
    const std::string out = scramble ? Scramble(data) : Unscramble(data);
    return std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    PrepareProcessLimits();
    QCoreApplication app(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty())
        return UsageError("no command given");
    const std::string command = args.front();
    args.erase(args.begin());
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (command == "search")
        return Search(args);
    if (command == "download")
        return Download(args);
    if (command == "check") {
        if (args.empty())
            return UsageError("check needs at least one FILE or FOLDER");
        return RunCliCheck(args);
    }
    if (command == "scramble" || command == "unscramble")
        return Transcode(args, command == "scramble");
    return UsageError("unknown command: " + command);
}
