#include "ui/widgets/uEngineList.h"

#include <QCoreApplication>
#include <QHeaderView>

#include "ui/widgets/uPageList.h"
#include "ui/models/uResultsModel.h"

TEngineList::TEngineList(TEnginesModel* model, QWidget* parent) : QTreeView(parent) {
    setObjectName(QStringLiteral("lvwEngines"));
    //: The list of search sites
    setAccessibleName(QCoreApplication::translate("TfraSearch", "Engines"));
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::NoSelection);
    setFocusPolicy(Qt::NoFocus);
    setModel(model);
    setFixedWidth(kWidth);
    header()->setSectionsClickable(false);
    header()->resizeSection(0, 103);
    // The name rows carry the light row colour, unless the desktop is dark: then its own.
    const QPalette colours = palette();
    model->NameRowBackground = colours.color(QPalette::Base).lightness() < 128
                                   ? colours.color(QPalette::AlternateBase)
                                   : kRowBackground;
}
