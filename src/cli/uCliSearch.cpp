#include "cli/uCliSearch.h"

#include <cstdio>

#include <QCoreApplication>
#include <QTimer>

#include "core/uTStringList.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTVerificationManager.h"

namespace {
// The same limits the program's window works with.

std::string Printable(std::string field) {
    for (char& c : field) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    return field;
}

// The state of one command-line search: it is done when the search is and every queued
// check has reported.
class TCliSearch {
public:
    explicit TCliSearch(const TCliSearchOptions& options)
        : m_options(options), m_engines(kEnginesAtOnce, kEngineStartsPerTick, kSearchTickMs),
          m_checks(kChecksAtOnce, kCheckStartsPerTick, kCheckTickMs) {
        m_checks.CheckConnectTimeoutMs = options.CheckTimeoutSeconds * 1000;
        m_checks.CheckStallTimeoutMs = options.CheckTimeoutSeconds * 1000;
    }

    bool LoadEngines() {
        TStringList engineList('*');
        ::LoadEngines(m_options.DataFolder + "/Engines.dat", engineList, m_engines);
        return m_engines.Engines.Count() > 0;
    }

    void Start() {
        m_engines.OnResultFound = [this](const std::string& engine, const std::string& title, const std::string& link) {
            PrintFields({"result", engine, title, link});
            if (m_results.IndexOfKey(link) >= 0)
                return;
            m_results.Add(link, TSearchResult::NotVerified, link, title, 0);
            ++m_checksQueued;
            m_checks.Add(link);
            m_checks.Activate();
        };
        m_engines.OnEngineDone = [](const std::string& engine) { PrintFields({"engine-done", engine}); };
        m_engines.OnSearchDone = [this] {
            PrintFields({"search-done"});
            m_searchDone = true;
            FinishIfDone();
        };
        m_checks.OnLinkVerified = [this](const std::string& link, int64_t size) {
            PrintFields({"verified", link, std::to_string(size)});
            ++m_checksReported;
            FinishIfDone();
        };
        m_checks.OnLinkFailed = [this](const std::string& link) {
            PrintFields({"failed", link});
            ++m_checksReported;
            FinishIfDone();
        };
        m_engines.Search(m_options.Key);
    }

private:
    void FinishIfDone() {
        if (m_searchDone && m_checksReported >= m_checksQueued)
            QCoreApplication::exit(0);
    }

    const TCliSearchOptions& m_options;
    TSearchManager m_engines;
    TSearchResultManager m_results;
    TVerificationManager m_checks;
    int m_checksQueued = 0;
    int m_checksReported = 0;
    bool m_searchDone = false;
};
} // namespace

void PrintFields(std::initializer_list<std::string> fields) {
    std::string line;
    for (const std::string& field : fields) {
        if (!line.empty())
            line += '\t';
        line += Printable(field);
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

int RunCliSearch(const TCliSearchOptions& options) {
    TCliSearch search(options);
    if (!search.LoadEngines()) {
        std::fprintf(stderr, "orvalo-cli: no engine could be loaded from %s/Engines.dat\n", options.DataFolder.c_str());
        return 1;
    }
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, [&options] {
        std::fprintf(stderr, "orvalo-cli: the search did not end within %d s\n", options.TimeoutSeconds);
        QCoreApplication::exit(1);
    });
    timeout.start(options.TimeoutSeconds * 1000);
    search.Start();
    return QCoreApplication::exec();
}
