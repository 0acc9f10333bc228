#include "ui/uPageList.h"

#include <cstdlib>

#include <QEvent>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QStringDecoder>

QString ShownText(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QString text = utf8.decode(view);
    if (utf8.hasError())
        return QString::fromLatin1(view);
    return text;
}

int NextSortTag(int tag, int column) {
    return std::abs(tag) == column + 1 ? -tag : column + 1;
}

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
    ApplyRowBackground();
}

void TPageList::UseModel(QAbstractItemModel* model) {
    QAbstractItemModel* captions = this->model();
    QItemSelectionModel* selection = selectionModel();
    setModel(model);
    delete selection;
    delete captions;
    header()->resizeSection(0, 45);
    header()->setSectionResizeMode(0, QHeaderView::Fixed);
}

void TPageList::ApplyRowBackground() {
    // On a dark desktop palette the light blue would leave light text unreadable: the
    // palette's own alternate colour serves there.
    QPalette colours = palette();
    if (colours.color(QPalette::Base).lightness() < 128)
        return;
    colours.setColor(QPalette::AlternateBase, kRowBackground);
    setPalette(colours);
}

void TPageList::changeEvent(QEvent* event) {
    QTreeView::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && !m_applyingPalette) {
        m_applyingPalette = true;
        ApplyRowBackground();
        m_applyingPalette = false;
    }
}
