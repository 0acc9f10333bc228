#include "ui/widgets/uWindowMemory.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QGuiApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QScreen>
#include <QSettings>

#include "ui/models/uListModel.h"
#include "ui/models/uListProxy.h"
#include "ui/widgets/uPageList.h"

namespace {
const QString kGeometry = QStringLiteral("Window/Geometry");
const QString kMaximized = QStringLiteral("Window/Maximized");
const QString kPage = QStringLiteral("Window/Page");

QString ListKey(const TPageList& list, const char* what) {
    return QStringLiteral("Window/%1/%2").arg(list.objectName(), QLatin1String(what));
}

QString JoinNumbers(const QList<int>& numbers) {
    QStringList parts;
    for (const int number : numbers)
        parts << QString::number(number);
    return parts.join(QLatin1Char(','));
}

// No real window, list or sort needs more: a longer value is no saved layout (and parsing
// megabytes of it would hold up the start).
constexpr qsizetype kMaxStoredText = 1024;
// Sides and places beyond any desktop: a rectangle of such numbers may overflow.
constexpr int kMaxCoordinate = 1 << 20;

// The numbers of a stored list, or none when any of them is not a number.
QList<int> SplitNumbers(const QVariant& value) {
    QList<int> numbers;
    // A list edited by hand may come back as the settings file's own list of texts.
    QStringList parts;
    if (value.typeId() == QMetaType::QString && value.toString().size() <= kMaxStoredText)
        parts = value.toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    else if (value.typeId() == QMetaType::QStringList && value.toStringList().join(QLatin1Char(',')).size() <= kMaxStoredText)
        parts = value.toStringList();
    for (const QString& part : parts) {
        bool ok = false;
        const int number = part.trimmed().toInt(&ok);
        if (!ok)
            return {};
        numbers << number;
    }
    return numbers;
}

// Whether a person can reach the window there: the top of it, where its title bar is, lies
// on a screen.
bool OnSomeScreen(const QRect& frame) {
    const QRect top(frame.topLeft(), QSize(frame.width(), 32));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect shown = screen->availableGeometry().intersected(top);
        if (shown.width() >= 64 && shown.height() >= 16)
            return true;
    }
    return false;
}
} // namespace

QSize FirstRunSize(const QSize& available, const QSize& smallest) {
    const QSize comfortable(960, 680);
    const QSize share(available.width() * 4 / 5, available.height() * 4 / 5);
    return comfortable.boundedTo(share).expandedTo(smallest).boundedTo(available);
}

void SaveWindowGeometry(QSettings& settings, const QMainWindow& window) {
    const QRect normal = window.normalGeometry();
    settings.setValue(kGeometry, JoinNumbers({normal.x(), normal.y(), normal.width(), normal.height()}));
    settings.setValue(kMaximized, window.isMaximized() ? 1 : 0);
}

QRect FitIntoArea(const QRect& window, const QRect& area, int titleBar) {
    const QRect room = area.adjusted(0, titleBar, 0, 0);
    const QSize size = window.size().boundedTo(room.size());
    const int x = std::clamp(window.x(), room.left(), room.right() + 1 - size.width());
    const int y = std::clamp(window.y(), room.top(), room.bottom() + 1 - size.height());
    return QRect(QPoint(x, y), size);
}

void RestoreWindowGeometry(const QSettings& settings, QMainWindow& window, int titleBar) {
    const QList<int> numbers = SplitNumbers(settings.value(kGeometry));
    const auto sane = [](int x, int y, int width, int height) {
        return std::abs(x) <= kMaxCoordinate && std::abs(y) <= kMaxCoordinate && width > 0 && height > 0 &&
               width <= kMaxCoordinate && height <= kMaxCoordinate;
    };
    if (numbers.size() == 4 && sane(numbers[0], numbers[1], numbers[2], numbers[3])) {
        const QRect saved(numbers[0], numbers[1], numbers[2], numbers[3]);
        const QScreen* screen = QGuiApplication::screenAt(saved.topLeft());
        if (screen == nullptr)
            screen = QGuiApplication::primaryScreen();
        if (OnSomeScreen(saved)) {
            // A size saved on a larger desktop, at a smaller scale (or written by hand) shrinks
            // to this one, and moves as far as its frame needs to be seen whole.
            QRect place(saved.topLeft(), saved.size().expandedTo(window.minimumSize()));
            if (screen != nullptr)
                place = FitIntoArea(place, screen->availableGeometry(), titleBar);
            // The saved place is the window's own (its frame drawn around it, as
            // normalGeometry gave it): set as such, not as the frame's, it does not creep
            // down by a title bar at every start.
            window.setGeometry(place);
        } else if (screen != nullptr) {
            window.resize(window.minimumSize());
            window.move(screen->availableGeometry().center() - window.rect().center());
        }
    }
    if (settings.value(kMaximized).toInt() == 1)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

namespace {
// The columns' own widths, as a list's layout was made for them: a stored layout of columns
// that have changed since (a wider Status, narrower figures) is not put back on them.
QString ColumnFormats(const TPageList& list) {
    QList<int> formats;
    for (const TColumnFormat& column : list.Model()->Columns())
        formats << static_cast<int>(std::lround(column.Width * 1000.0f));
    return JoinNumbers(formats);
}
} // namespace

void SaveListLayout(QSettings& settings, const TPageList& list) {
    const QHeaderView* header = list.header();
    QList<int> widths;
    QList<int> hidden;
    for (int column = 0; column < header->count(); ++column) {
        widths << header->sectionSize(column);
        if (header->isSectionHidden(column) && list.Model()->Columns()[static_cast<size_t>(column)].Width != 0)
            hidden << column;
    }
    settings.setValue(ListKey(list, "Widths"), JoinNumbers(widths));
    settings.setValue(ListKey(list, "Formats"), ColumnFormats(list));
    settings.setValue(ListKey(list, "Hidden"), JoinNumbers(hidden));
    settings.setValue(ListKey(list, "Sort"), list.Proxy()->SortTag());
}

void RestoreListLayout(const QSettings& settings, TPageList& list) {
    QHeaderView* header = list.header();
    const std::vector<TColumnFormat>& columns = list.Model()->Columns();
    const QList<int> widths = SplitNumbers(settings.value(ListKey(list, "Widths")));
    if (settings.value(ListKey(list, "Formats")).toString() == ColumnFormats(list) && widths.size() == header->count()) {
        for (int column = 0; column < header->count(); ++column) {
            // Fixed columns keep their width; a column always shut stays shut.
            const float share = columns[static_cast<size_t>(column)].Width;
            if (share != 0 && header->sectionResizeMode(column) != QHeaderView::Fixed && widths[column] > 0)
                header->resizeSection(column, widths[column]);
        }
    }
    // The columns the user hid, and so also those shown that are hidden at first.
    if (settings.contains(ListKey(list, "Hidden"))) {
        const QList<int> hidden = SplitNumbers(settings.value(ListKey(list, "Hidden")));
        for (int column = 1; column < header->count(); ++column) {
            if (columns[static_cast<size_t>(column)].Width != 0)
                header->setSectionHidden(column, hidden.contains(column));
        }
    }
    bool ok = false;
    const int tag = settings.value(ListKey(list, "Sort")).toInt(&ok);
    if (ok && tag != 0 && tag >= -header->count() && tag <= header->count())
        list.RestoreSort(tag);
}

int PageNumber(TPageId page) {
    return static_cast<int>(page) + 1;
}

std::optional<TPageId> PageOfNumber(int number) {
    if (number < 1 || number > kPageCount)
        return std::nullopt;
    return static_cast<TPageId>(number - 1);
}

void SavePage(QSettings& settings, TPageId page) {
    settings.setValue(kPage, PageNumber(page));
}

std::optional<TPageId> RestoredPage(const QSettings& settings) {
    bool ok = false;
    const int number = settings.value(kPage).toInt(&ok);
    return ok ? PageOfNumber(number) : std::nullopt;
}
