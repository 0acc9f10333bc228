// Look-ups that must scale with the count: adding results to the results store with the
// duplicate check the search page makes (IndexOfKey before Add), and loading a long engine
// list. Prints the seconds each takes. Also the anchor scan of hostile pages (megabytes of
// openings never closed, nested anchors), against one plain pass over the same bytes.
// Usage: bench_store [results] [engine lines]   (both 100000 by default)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "net/uTransferEngine.h"
#include "core/uTFileUtils.h"
#include "core/uTStringList.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Distinct links, as a search finds them; every tenth repeats an earlier one in capitals,
// which the duplicate check must refuse.
double TimeStore(int count, int& kept) {
    TSearchResultManager store;
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        const int id = i % 10 == 9 ? i / 2 : i;
        std::string url = "http://files" + std::to_string(id % 97) + ".test/band-" +
                          std::to_string(id) + "/song.mp3";
        if (i % 10 == 9)
            url.replace(0, 4, "HTTP");
        if (store.IndexOfKey(url) < 0)
            store.Add(url, 0, url, "Band - Song " + std::to_string(id) + ".mp3", 0);
    }
    const double seconds = SecondsSince(start);
    kept = store.Count();
    return seconds;
}

// Engines of the three kinds in turn, each under its own key.
double TimeLoadEngines(int lines, const std::string& folder, int& created) {
    static const char* const kPrefixes[] = {
        "http://www.muzz.test/search?q=", "http://www.emp3finder.test/s.aspx?q=",
        "http://www.mp3search.test/search.php?q="};
    std::string plain;
    for (int i = 0; i < lines; ++i) {
        const std::string n = std::to_string(i);
        plain += "Engine " + n + "*key-" + n + "*" + kPrefixes[i % 3] + "*&n=" + n + "\r\n";
    }
    const std::string path = folder + "/Engines.dat";
    if (!TFileUtils::WriteWholeFile(path, Scramble(plain)))
        return -1;
    TStringList engineList('*');
    TTransferEngine transfers;
    TSearchManager manager(3, 1, 500);
    const auto start = Clock::now();
    created = LoadEngines(path, engineList, manager, transfers);
    return SecondsSince(start);
}

// Seconds for the anchor scan of `page`, and for counting its '<' bytes (one pass).
void TimeHostilePage(const char* name, const std::string& page) {
    auto start = Clock::now();
    std::vector<std::string_view> anchors;
    TMp3Search::ExtractAnchors(page, anchors);
    const double scan = SecondsSince(start);
    start = Clock::now();
    volatile size_t openings = 0;
    for (const char c : page)
        openings = openings + (c == '<');
    const double pass = SecondsSince(start);
    std::printf("hostile page, %s (%zu bytes): anchors in %.3f s, %.1fx one pass over it\n", name,
                page.size(), scan, pass > 0 ? scan / pass : 0.0);
}

std::string Repeated(const std::string& piece, size_t times) {
    std::string text;
    text.reserve(piece.size() * times);
    for (size_t i = 0; i < times; ++i)
        text += piece;
    return text;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int results = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int lines = argc > 2 ? std::atoi(argv[2]) : 100000;
    QTemporaryDir folder;
    if (!folder.isValid())
        return 1;

    int kept = 0;
    const double store = TimeStore(results, kept);
    std::printf(
        "results store: %d adds with the duplicate check (%d kept) in %.3f s (target under 0.2 s "
        "for 100000)\n",
        results, kept, store);
    int created = 0;
    const double load = TimeLoadEngines(lines, folder.path().toStdString(), created);
    if (load < 0)
        return 1;
    std::printf("engine list: %d scrambled lines (%d engines) loaded in %.3f s\n", lines, created,
                load);
    TimeHostilePage("openings never closed", Repeated("<a ", 1 << 20));
    TimeHostilePage("nested anchors", Repeated(Repeated("<a ", 2700) + "/a>", 2048));
    TimeHostilePage("tiny anchors", Repeated("<a x/a>", 500000));
    return created == lines ? 0 : 1;
}
