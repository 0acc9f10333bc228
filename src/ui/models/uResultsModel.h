#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include <QColor>
#include <QString>

#include "ui/models/uListModel.h"

class TSearchResult;
struct TContentVerdict;
class TSearchResultManager;
class TSearchSession;

// One column of a results list: how it shows (its format) and what it shows of a result.
// Text columns give bytes; number, picture and key columns give a number (`row` is the
// result's position in its store, its row number).
struct TResultColumn {
    TColumnFormat Format;
    std::string_view (*Text)(const TSearchResult& result) = nullptr;
    qint64 (*Number)(const TSearchResult& result, int row) = nullptr;
    // A number column shown in words: sorted by its number.
    QString (*Words)(const TSearchResult& result) = nullptr;
};

// The columns of the search's results and of the most-popular list.
const std::vector<TResultColumn>& FileColumns();
const std::vector<TResultColumn>& PopularColumns();

// The words a status picture stands for, for screen readers: "Found", "Verified", "Failed".
QString StatusText(int status);
// What a result's status means, in a sentence: its tool tip and accessible description
// ("Failed: HTTP 404").
QString StatusDescription(const TSearchResult& result);

// A results list: one row per record of its store, in the store's order, so that a row's
// number is its position in the store and a link's row is the store's own look-up.
class TResultsModel : public TListModel {
    Q_OBJECT
public:
    TResultsModel(const TSearchResultManager& store, const std::vector<TResultColumn>& columns,
                  QObject* parent = nullptr);

    int RowsHeld() const override;
    const TSearchResult& Result(int row) const;

    // The store grew at its end, a record changed, or the store was cleared.
    void Added();
    void Changed(int row) { RowChanged(row); }
    void Reset() {
        m_filterText.clear();
        RowsReset();
    }

    // What the filter box matches of a row: its title and file name as shown, in lower case,
    // decoded once (a row's title and name never change while it is listed).
    const QString& FilterText(int row) const;
    // Whether the row's filter text holds every one of `words` (lower case).
    bool HoldsEveryWord(int row, const QStringList& words) const;

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // Whether a result is in the play list already; its status then says so. None: never.
    std::function<bool(const TSearchResult&)> InPlayList;
    // Whether the play list holds the song already.
    bool Owned(const TSearchResult& result) const;
    // The rows of the song of `row`, its best source first; the Engine and Sources cells
    // list their sites. None: every row is a song of its own.
    std::function<std::vector<int>(int row)> SongSources;
    // The row whose link a song's row shows: its best source. None: the row itself.
    std::function<int(int row)> BestSource;
    // Above 0: a whole version of a song this long is looked for, and the rows whose link
    // holds more of it (no preview) stand out.
    int LongerThanMs = 0;
    // "On 3 sites, the best first:" and a line per site with what its link holds; empty for
    // a song on one site.
    QString SourcesText(int row) const;

private:
    // The status cell's tool tip and accessible description.
    QString Description(const TSearchResult& result) const;
    QVariant Shown(const TResultColumn& column, const TSearchResult& result, int row) const;
    bool ListsSources(const TResultColumn& column) const;
    bool Longer(const TSearchResult& result) const;
    // The quality cell's tool tip: the check's words and the sample rate.
    static QString QualityDetails(const TContentVerdict& content);
    QVariant Raw(const TResultColumn& column, const TSearchResult& result, int row) const;

    const TSearchResultManager& m_store;
    const std::vector<TResultColumn>& m_columns;
    mutable std::vector<QString> m_filterText; // by row, made as rows come
};

// The engine list beside the results: per display name a name row and a "Files: N" row
// below it, read from the search session's counters.
class TEnginesModel : public TListModel {
    Q_OBJECT
public:
    explicit TEnginesModel(const TSearchSession& session, QObject* parent = nullptr);

    int RowsHeld() const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    // The name rows' background; the page picks it to suit the palette.
    QColor NameRowBackground;

private:
    // What the engines under one display name are doing, in words.
    QString EngineStateText(int engine) const;

    const TSearchSession& m_session;
};
