#include "ui/pages/uWishListPanel.h"

#include <algorithm>

#include <QDate>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "search/uWishList.h"
#include "search/uWishSearch.h"
#include "ui/look/uPlainText.h"

namespace {
QPushButton* MakeButton(const QString& caption, const char* name, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    return button;
}
} // namespace

TWishListPanel::TWishListPanel(TWishList& wishes, TWishSearch& search, QWidget* parent)
    : QWidget(parent), m_wishes(wishes), m_search(search) {
    setObjectName(QStringLiteral("pnlWishes"));
    lblWishes = MakePlainLabel(QString(), this);
    lblWishes->setObjectName(QStringLiteral("lblWishes"));
    lvwWishes = new QTreeWidget(this);
    lvwWishes->setObjectName(QStringLiteral("lvwWishes"));
    lvwWishes->setAccessibleName(tr("Wish List"));
    lvwWishes->setHeaderLabels({tr("Song"), tr("State")});
    lvwWishes->setRootIsDecorated(false);
    lvwWishes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvwWishes->header()->resizeSection(0, 320);
    lvwWishes->setMaximumHeight(fontMetrics().height() * 9);
    btnDownloadWish = MakeButton(tr("Download"), "btnDownloadWish", this);
    btnLookNow = MakeButton(tr("Search Again Now"), "btnLookNow", this);
    btnRemoveWish = MakeButton(tr("Remove"), "btnRemoveWish", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(lblWishes, 1);
    for (QPushButton* button : {btnDownloadWish, btnLookNow, btnRemoveWish})
        buttons->addWidget(button);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->addLayout(buttons);
    layout->addWidget(lvwWishes);

    connect(btnDownloadWish, &QPushButton::clicked, this, [this] {
        for (const std::string& words : SelectedWords())
            emit DownloadWanted(words);
    });
    connect(btnLookNow, &QPushButton::clicked, &m_search, &TWishSearch::LookNow);
    connect(btnRemoveWish, &QPushButton::clicked, this, [this] {
        for (const std::string& words : SelectedWords())
            m_wishes.Remove(words);
    });
    connect(lvwWishes, &QTreeWidget::itemSelectionChanged, this, &TWishListPanel::UpdateButtons);
    connect(&m_wishes, &TWishList::Changed, this, &TWishListPanel::Refill);
    connect(&m_search, &TWishSearch::LookChanged, this, &TWishListPanel::Refill);
    Refill();
}

QString TWishListPanel::StateOf(int index) const {
    const TWish& wish = m_wishes.At(index);
    const QLocale locale;
    if (wish.HasFound())
        //: The quality ("192 kbps, 4:05") and the site the whole copy was found on
        return tr("Found whole: %1 (%2)").arg(ShownText(wish.FoundQuality), ShownText(wish.Found.Engine));
    if (m_search.Current() == wish.Words)
        return tr("Searching...");
    const QDateTime looked = QDateTime::fromString(QString::fromStdString(wish.LastLook), Qt::ISODate);
    if (looked.isValid())
        return tr("No whole copy yet (searched %1)").arg(locale.toString(looked, QLocale::ShortFormat));
    const QDate since = QDate::fromString(QString::fromStdString(wish.Since), Qt::ISODate);
    return tr("Wished for on %1, not searched yet").arg(locale.toString(since, QLocale::ShortFormat));
}

void TWishListPanel::Refill() {
    const std::vector<std::string> selected = SelectedWords();
    lvwWishes->clear();
    for (int i = 0; i < m_wishes.Count(); ++i) {
        const std::string& words = m_wishes.At(i).Words;
        auto* item = new QTreeWidgetItem(lvwWishes, {ShownText(words), StateOf(i)});
        item->setData(0, Qt::UserRole, QByteArray::fromStdString(words));
        item->setToolTip(1, PlainToolTip(item->text(1)));
        item->setSelected(std::find(selected.begin(), selected.end(), words) != selected.end());
    }
    lblWishes->setText(tr("Wish List (%1): songs wanted whole, searched for again every few hours").arg(m_wishes.Count()));
    setVisible(m_wishes.Count() > 0);
    UpdateButtons();
}

void TWishListPanel::UpdateButtons() {
    bool found = false;
    for (const std::string& words : SelectedWords()) {
        const int index = m_wishes.IndexOf(words);
        found = found || (index >= 0 && m_wishes.At(index).HasFound());
    }
    btnDownloadWish->setEnabled(found);
    btnRemoveWish->setEnabled(!lvwWishes->selectedItems().isEmpty());
    btnLookNow->setEnabled(!m_search.Looking() && !m_wishes.Unfound().empty());
}

std::vector<std::string> TWishListPanel::SelectedWords() const {
    std::vector<std::string> words;
    for (const QTreeWidgetItem* item : lvwWishes->selectedItems())
        words.push_back(item->data(0, Qt::UserRole).toByteArray().toStdString());
    return words;
}
