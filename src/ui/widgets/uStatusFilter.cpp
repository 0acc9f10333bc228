#include "ui/widgets/uStatusFilter.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>

#include "ui/look/uReadable.h"

TStatusFilter::TStatusFilter(const QStringList& captions, const QString& listName, QWidget* parent)
    : QWidget(parent), m_captions(captions), m_buttons(new QButtonGroup(this)) {
    setAccessibleName(tr("Show in %1").arg(listName));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    for (int i = 0; i < captions.size(); ++i) {
        auto* button = new QToolButton(this);
        button->setCheckable(true);
        button->setAutoRaise(true);
        button->setText(captions[i]);
        button->setAccessibleName(captions[i]);
        m_buttons->addButton(button, i);
        row->addWidget(button);
    }
    row->addStretch(1);
    m_buttons->setExclusive(true);
    m_buttons->button(0)->setChecked(true);
    connect(m_buttons, &QButtonGroup::idToggled, this, [this](int index, bool checked) {
        if (checked)
            emit Changed(index);
    });
}

int TStatusFilter::Current() const {
    return m_buttons->checkedId();
}

bool TStatusFilter::SetCounts(const QList<int>& counts) {
    if (counts == m_counts)
        return false;
    m_counts = counts;
    for (int i = 0; i < m_captions.size() && i < counts.size(); ++i) {
        //: A view of a list and how many rows it holds: "Failed (3)"
        const QString text = tr("%1 (%2)").arg(m_captions[i], ReadableCount(counts[i]));
        m_buttons->button(i)->setText(text);
        m_buttons->button(i)->setAccessibleName(text);
    }
    return true;
}
