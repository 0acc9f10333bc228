#include "cli/uCliSearch.h"

#include <cstdio>
#include <memory>

#include <QCoreApplication>
#include <QTimer>

#include "core/uTStringList.h"
#include "net/uTransferEngine.h"
#include "search/uTMp3Search.h"
#include "search/uTSearchManager.h"
#include "search/uTSearchResultManager.h"
#include "search/uTSearchSession.h"
#include "search/uTVerificationManager.h"

std::string Printable(std::string field) {
    for (char& c : field) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = ' ';
    }
    return field;
}

namespace {

// One command-line search through the window's own search session: it is done when the
// search is and every result's link check has reported.
class TCliSearch {
public:
    explicit TCliSearch(const TCliSearchOptions& options)
        : m_options(options), m_engines(kEnginesAtOnce, kEngineStartsPerTick, kSearchTickMs),
          m_checks(m_transfers, kChecksAtOnce, kCheckStartsPerTick, kCheckTickMs) {
        m_checks.SetCheckTimeouts(options.CheckTimeoutSeconds * 1000, options.CheckTimeoutSeconds * 1000);
    }

    bool LoadEngines() {
        ::LoadEngines(m_options.DataFolder + "/Engines.dat", m_engineList, m_engines, m_transfers);
        return m_engines.EngineCount() > 0;
    }

    void Start() {
        m_session = std::make_unique<TSearchSession>(m_engines, m_checks, m_results, m_engineList);
        QObject::connect(m_session.get(), &TSearchSession::ReportReceived,
                         [](const std::string& engine, const std::string& title, const std::string& link) {
                             // The title as the window shows it, its entities decoded.
                             PrintFields({"result", engine, TSearchSession::CleanTitle(title), link});
                         });
        QObject::connect(m_session.get(), &TSearchSession::EngineDone, [this](const std::string& engine) {
            const std::string problem = m_engines.EngineProblem(engine);
            if (problem.empty())
                PrintFields({"engine-done", engine});
            else
                PrintFields({"engine-done", engine, problem});
        });
        QObject::connect(m_session.get(), &TSearchSession::SearchDone, [this] {
            PrintFields({"search-done"});
            FinishIfDone();
        });
        QObject::connect(m_session.get(), &TSearchSession::Checked, [this](int index) {
            const TSearchResult& result = *m_results.Item(index);
            if (result.Status == TSearchResult::Verified)
                PrintFields({"verified", result.Url, std::to_string(result.Size), QualityText(result.Content)});
            else
                PrintFields({"failed", result.Url, result.Reason});
            ++m_checksReported;
            FinishIfDone();
        });
        m_session->Start(m_options.Key);
    }

private:
    void FinishIfDone() {
        if (m_session->Searching() || m_checksReported < m_session->Found())
            return;
        if (m_session->EveryEngineFailed())
            std::fprintf(stderr, "orvalo-cli: no site could be reached\n");
        QCoreApplication::exit(m_session->EveryEngineFailed() ? 2 : 0);
    }

    const TCliSearchOptions& m_options;
    TTransferEngine m_transfers; // declared first: it outlives every part that fetches
    TSearchManager m_engines;
    TStringList m_engineList{'*'};
    TSearchResultManager m_results;
    TVerificationManager m_checks;
    std::unique_ptr<TSearchSession> m_session;
    int m_checksReported = 0;
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
