#pragma once

#include <QColor>
#include <QStringList>
#include <QTreeView>

#include <string_view>

// Bytes from the web or the file system as the lists show them: UTF-8 where they are
// valid UTF-8, Latin-1 otherwise, so that every name shows as something readable.
QString ShownText(std::string_view bytes);

// The background of every other row of the pages' lists (a light blue).
inline const QColor kRowBackground{240, 248, 255};

// The sort state a list keeps: the 1-based column sorted by, negative when descending, 0
// when never sorted. A click on the sorted column reverses the order; a click on another
// column sorts by it ascending. `column` is 0-based.
int NextSortTag(int tag, int column);

// A report-style list of a page: whole-row selection, no editing, no tree decoration, odd
// rows on kRowBackground. The page gives it its columns (and later its own model); the
// main window lays out their widths.
class TPageList : public QTreeView {
    Q_OBJECT
public:
    TPageList(const QString& name, const QString& accessibleName, const QStringList& columns, QWidget* parent);

    // Puts the page's own model in place of the column captions the list was made with. The
    // first column (a picture) keeps its fixed 45 pixels.
    void UseModel(QAbstractItemModel* model);

    int SortTag = 0;

protected:
    void changeEvent(QEvent* event) override;

private:
    void ApplyRowBackground();
    bool m_applyingPalette = false;
};
