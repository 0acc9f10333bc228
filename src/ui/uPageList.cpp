#include "ui/uPageList.h"

#include <QHeaderView>
#include <QStandardItemModel>

TPageList::TPageList(const QString& name, const QString& accessibleName, const QStringList& columns,
                     QWidget* parent)
    : QTreeView(parent) {
    setObjectName(name);
    setAccessibleName(accessibleName);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    auto* model = new QStandardItemModel(0, static_cast<int>(columns.size()), this);
    model->setHorizontalHeaderLabels(columns);
    setModel(model);
}
