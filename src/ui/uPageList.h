#pragma once

#include <QStringList>
#include <QTreeView>

// A report-style list of a page: whole-row selection, no editing, no tree decoration. The
// page gives it its columns; the main window lays out their widths.
class TPageList : public QTreeView {
    Q_OBJECT
public:
    TPageList(const QString& name, const QString& accessibleName, const QStringList& columns, QWidget* parent);
};
