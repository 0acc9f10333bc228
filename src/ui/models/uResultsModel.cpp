#include "ui/models/uResultsModel.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFont>
#include <QLocale>

#include "core/uTStringUtils.h"
#include "search/uTSearchResultManager.h"
#include "search/uTSearchSession.h"
#include "ui/look/uArtwork.h"
#include "ui/look/uPlainText.h"
#include "ui/look/uReadable.h"

namespace {
using K = TColumnKind;

qint64 StatusOf(const TSearchResult& result, int) {
    return result.Status;
}
qint64 SizeOf(const TSearchResult& result, int) {
    return result.Size;
}
qint64 RowNumber(const TSearchResult&, int row) {
    return row;
}
std::string_view TitleOf(const TSearchResult& result) {
    return result.Title;
}
std::string_view FileNameOf(const TSearchResult& result) {
    return result.FileName;
}
std::string_view EngineOf(const TSearchResult& result) {
    return result.Engine;
}
qint64 SourcesOf(const TSearchResult& result, int) {
    return result.Sources;
}
// By rate, then by length.
qint64 QualityOrder(const TSearchResult& result, int) {
    return qint64(result.Content.BitrateKbps) << 32 | qint64(std::max(0, result.Content.LengthMs));
}
QString QualityWords(const TSearchResult& result) {
    return QString::fromStdString(QualityText(result.Content));
}

QPixmap StatusPicture(qint64 status) {
    static const char* const names[] = {"status-found", "status-verified", "status-failed"};
    return ArtworkPixmap(QLatin1String(names[std::clamp<qint64>(status, 0, 2)]), QSize(41, 15));
}

QVariant EnginePicture(TSearchSession::TEngineState state) {
    switch (state) {
    case TSearchSession::TEngineState::Searching:
        return ArtworkPixmap(QStringLiteral("engine-searching"), QSize(12, 12));
    case TSearchSession::TEngineState::Done:
        return ArtworkPixmap(QStringLiteral("check-mark"), QSize(12, 12));
    case TSearchSession::TEngineState::Failed:
        return ArtworkPixmap(QStringLiteral("engine-failed"), QSize(12, 12));
    default:
        return {};
    }
}

QByteArray Bytes(std::string_view text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

const std::vector<TResultColumn>& FileColumns() {
    static const std::vector<TResultColumn> columns{
        {{QT_TRANSLATE_NOOP("Column", "Status"), K::Picture, 45}, nullptr, StatusOf},
        {{QT_TRANSLATE_NOOP("Column", "Title"), K::Text, 0.49f}, TitleOf},
        {{QT_TRANSLATE_NOOP("Column", "Size"), K::Size, 70}, nullptr, SizeOf},
        {{QT_TRANSLATE_NOOP("Column", "Quality"), K::Text, 140}, nullptr, QualityOrder, QualityWords},
        {{QT_TRANSLATE_NOOP("Column", "Engine"), K::Text, 90}, EngineOf},
        {{QT_TRANSLATE_NOOP("Column", "File Name"), K::Text, 0.49f}, FileNameOf},
        {{QT_TRANSLATE_NOOP("Column", "Sources"), K::Number, 60}, nullptr, SourcesOf},
        {{QT_TRANSLATE_NOOP("Column", "Key"), K::Key, 0}, nullptr, RowNumber},
    };
    return columns;
}

const std::vector<TResultColumn>& PopularColumns() {
    static const std::vector<TResultColumn> columns{
        {{QT_TRANSLATE_NOOP("Column", "Status"), K::Picture, 45}, nullptr, StatusOf},
        {{QT_TRANSLATE_NOOP("Column", "Artist"), K::Text, 0.31f},
         [](const TSearchResult& r) -> std::string_view { return r.Artist; }},
        {{QT_TRANSLATE_NOOP("Column", "Title"), K::Text, 0.31f}, TitleOf},
        {{QT_TRANSLATE_NOOP("Column", "Size"), K::Size, 90}, nullptr, SizeOf},
        {{QT_TRANSLATE_NOOP("Column", "Downloads"), K::Number, 90},
         nullptr,
         [](const TSearchResult& r, int) { return qint64(r.Downloads); }},
        {{QT_TRANSLATE_NOOP("Column", "Password"), K::Text, 90},
         [](const TSearchResult& r) -> std::string_view { return r.Password; }},
        {{QT_TRANSLATE_NOOP("Column", "File Name"), K::Text, 0.31f}, FileNameOf},
        {{QT_TRANSLATE_NOOP("Column", "Key"), K::Key, 0}, nullptr, RowNumber},
    };
    return columns;
}

QString StatusText(int status) {
    switch (status) {
    case TSearchResult::Verified:
        return QCoreApplication::translate("TResultsModel", "Verified");
    case TSearchResult::Failed:
        return QCoreApplication::translate("TResultsModel", "Failed");
    default:
        //: A search result whose link has not been checked yet
        return QCoreApplication::translate("TResultsModel", "Found");
    }
}

QString StatusDescription(const TSearchResult& result) {
    switch (result.Status) {
    case TSearchResult::Verified:
        return QCoreApplication::translate("TResultsModel", "Verified: the link answers");
    case TSearchResult::Failed:
        // The reason comes from the link check (an HTTP status, a network error): English.
        return result.Reason.empty() ? QCoreApplication::translate("TResultsModel", "Failed")
                                     : QCoreApplication::translate("TResultsModel", "Failed: %1")
                                           .arg(ShownText(result.Reason));
    default:
        return QCoreApplication::translate("TResultsModel", "Found: not checked yet");
    }
}

// ---------------------------------------------------------------------------------------
// TResultsModel

namespace {
std::vector<TColumnFormat> FormatsOf(const std::vector<TResultColumn>& columns) {
    std::vector<TColumnFormat> formats;
    for (const TResultColumn& column : columns)
        formats.push_back(column.Format);
    return formats;
}
} // namespace

TResultsModel::TResultsModel(const TSearchResultManager& store, const std::vector<TResultColumn>& columns,
                             QObject* parent)
    : TListModel(FormatsOf(columns), parent), m_store(store), m_columns(columns) {}

bool TResultsModel::Owned(const TSearchResult& result) const {
    return InPlayList && InPlayList(result);
}

QString TResultsModel::Description(const TSearchResult& result) const {
    if (Owned(result))
        return tr("Already in your play list (%1)").arg(StatusDescription(result));
    return StatusDescription(result);
}

int TResultsModel::RowsHeld() const {
    return m_store.Count();
}

const TSearchResult& TResultsModel::Result(int row) const {
    return *m_store.Item(row);
}

QVariant TResultsModel::Shown(const TResultColumn& column, const TSearchResult& result, int row) const {
    if (column.Text != nullptr)
        return ShownText(column.Text(result));
    if (column.Words != nullptr)
        return column.Words(result);
    const qint64 number = column.Number(result, row);
    switch (column.Format.Kind) {
    case K::Picture:
        return StatusText(static_cast<int>(number));
    case K::Size:
        // A size not known yet (a link not checked, or dead) is no size of 0.
        return number > 0 ? ReadableSize(number) : QString();
    default:
        return QString::number(number);
    }
}

QVariant TResultsModel::Raw(const TResultColumn& column, const TSearchResult& result, int row) const {
    if (column.Text != nullptr)
        return Bytes(column.Text(result));
    return column.Number(result, row);
}

QString TResultsModel::QualityDetails(const TContentVerdict& content) {
    //: What a link's start holds, then its sample rate: "MP3, 192 kbps, 4:05; 44.1 kHz"
    return tr("%1; %2 kHz")
        .arg(QString::fromStdString(VerdictText(content)))
        .arg(QLocale().toString(content.SampleRateHz / 1000.0, 'f', content.SampleRateHz % 1000 == 0 ? 0 : 1));
}

bool TResultsModel::Longer(const TSearchResult& result) const {
    return LongerThanMs > 0 && result.Content.IsAudio() && !result.Content.MaybePreview() &&
           !result.Content.CutShort() && result.Content.LengthMs > LongerThanMs;
}

bool TResultsModel::ListsSources(const TResultColumn& column) const {
    return SongSources && (column.Text == EngineOf || column.Number == SourcesOf);
}

QString TResultsModel::SourcesText(int row) const {
    const std::vector<int> sources = SongSources(row);
    if (sources.size() < 2)
        return {};
    const int sites = static_cast<int>(sources.size());
    QStringList lines{Result(row).Status == TSearchResult::Failed ? tr("No answer on %n sites:", nullptr, sites)
                                                                  : tr("On %n sites, the best first:", nullptr, sites)};
    for (const int source : sources) {
        const TSearchResult& site = Result(source);
        const QString quality = QString::fromStdString(QualityText(site.Content));
        lines << (quality.isEmpty() ? ShownText(site.Engine) : tr("%1: %2").arg(ShownText(site.Engine), quality));
    }
    return lines.join(QLatin1Char('\n'));
}

void TResultsModel::Added() {
    // The filter texts are made as rows come, a few at a time, so that the first keystroke
    // in the filter box does not make ten thousand of them at once.
    for (int row = static_cast<int>(m_filterText.size()); row < RowsHeld(); ++row)
        FilterText(row);
    RowsAdded();
}

bool TResultsModel::HoldsEveryWord(int row, const QStringList& words) const {
    const QString& text = FilterText(row);
    return std::all_of(words.begin(), words.end(), [&text](const QString& word) { return text.contains(word); });
}

const QString& TResultsModel::FilterText(int row) const {
    const auto index = static_cast<size_t>(row);
    if (m_filterText.size() <= index)
        m_filterText.resize(static_cast<size_t>(RowsHeld()));
    QString& text = m_filterText.at(index);
    if (text.isNull()) {
        const TSearchResult& result = Result(row);
        text = (ShownText(ArtistAndTitle(result.Artist, result.Title)) + QLatin1Char('\n') + ShownText(result.FileName)).toLower();
    }
    return text;
}

QVariant TResultsModel::data(const QModelIndex& index, int role) const {
    if (!IsShown(index))
        return {};
    const TResultColumn& column = m_columns[static_cast<size_t>(index.column())];
    // A song's row shows its best link.
    const TSearchResult& result = Result(BestSource ? BestSource(index.row()) : index.row());
    switch (role) {
    case Qt::DisplayRole:
        // A picture's words are for screen readers; the cell shows the picture alone.
        return column.Format.Kind == K::Picture ? QVariant() : Shown(column, result, index.row());
    case Qt::AccessibleTextRole:
        return Shown(column, result, index.row());
    case Qt::ToolTipRole:
        if (column.Format.Kind == K::Picture)
            return PlainToolTip(Description(result));
        if (ListsSources(column))
            return PlainToolTip(SourcesText(index.row()));
        if (column.Words != nullptr && result.Content.IsAudio())
            return PlainToolTip(Longer(result) ? tr("%1. Longer than your copy (%2)")
                                                     .arg(QualityDetails(result.Content), ReadableDuration(LongerThanMs / 1000))
                                               : QualityDetails(result.Content));
        if (column.Text == TitleOf && Owned(result))
            return PlainToolTip(tr("Already in your play list"));
        return column.Format.Kind == K::Size && result.Size > 0 ? QVariant(ExactBytes(result.Size)) : QVariant();
    case Qt::AccessibleDescriptionRole:
        if (ListsSources(column))
            return SourcesText(index.row());
        if (column.Words != nullptr && Longer(result))
            return tr("Longer than your copy (%1)").arg(ReadableDuration(LongerThanMs / 1000));
        return column.Format.Kind == K::Picture ? QVariant(Description(result)) : QVariant();
    case Qt::DecorationRole:
        // A song the play list holds already is marked beside its title.
        if (column.Text == TitleOf)
            return Owned(result) ? QVariant(ArtworkPixmap(QStringLiteral("have-it"), QSize(14, 14))) : QVariant();
        return column.Format.Kind == K::Picture ? QVariant(StatusPicture(column.Number(result, index.row())))
                                              : QVariant();
    case RawValueRole:
        return Raw(column, result, index.row());
    case Qt::FontRole:
        if (Longer(result)) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::TextAlignmentRole:
        return IsNumeric(column.Format.Kind) ? QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default:
        return {};
    }
}

// ---------------------------------------------------------------------------------------
// TEnginesModel

TEnginesModel::TEnginesModel(const TSearchSession& session, QObject* parent)
    : TListModel({{QT_TRANSLATE_NOOP("Column", "Engines"), K::Text, 103}}, parent),
      m_session(session) {
    connect(&session, &TSearchSession::EngineChanged, this, [this](int engine) {
        RowChanged(2 * engine);
        RowChanged(2 * engine + 1);
    });
    connect(&session, &TSearchSession::Started, this, [this] {
        for (int row = 0; row < RowsHeld(); ++row)
            RowChanged(row);
        Flush();
    });
    RowsReset();
}

QString TEnginesModel::EngineStateText(int engine) const {
    switch (m_session.EngineState(engine)) {
    case TSearchSession::TEngineState::Searching:
        //: A search site is still being asked
        return tr("Searching");
    case TSearchSession::TEngineState::Done:
        //: A search site has answered
        return tr("Done");
    case TSearchSession::TEngineState::Failed:
        return tr("Failed: %1").arg(ShownText(m_session.EngineReason(engine)));
    default:
        return {};
    }
}

int TEnginesModel::RowsHeld() const {
    return 2 * m_session.EngineCount();
}

QVariant TEnginesModel::data(const QModelIndex& index, int role) const {
    if (!IsShown(index))
        return {};
    const int engine = index.row() / 2;
    const bool nameRow = index.row() % 2 == 0;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return nameRow ? ShownText(m_session.EngineName(engine))
                       : tr("Files: %1").arg(m_session.EngineFiles(engine));
    case Qt::DecorationRole:
        return nameRow ? EnginePicture(m_session.EngineState(engine)) : QVariant();
    case Qt::ToolTipRole:
        return PlainToolTip(EngineStateText(engine));
    case Qt::AccessibleDescriptionRole:
        return EngineStateText(engine);
    case Qt::BackgroundRole:
        return nameRow && NameRowBackground.isValid() ? QVariant(NameRowBackground) : QVariant();
    default:
        return {};
    }
}
