#pragma once

#include <QStringList>
#include <QWidget>

class QButtonGroup;

// A row of exclusive buttons above a list, each a view of it with its count ("Failed (3)"),
// as the download clients have. The first is checked at first.
class TStatusFilter : public QWidget {
    Q_OBJECT
public:
    // `captions`: one button each, in this order; `listName` names the list for screen readers.
    TStatusFilter(const QStringList& captions, const QString& listName, QWidget* parent = nullptr);

    int Current() const;
    // The counts behind the captions, one per button; whether they changed.
    bool SetCounts(const QList<int>& counts);

signals:
    void Changed(int index);

private:
    QStringList m_captions;
    QList<int> m_counts;
    QButtonGroup* m_buttons;
};
