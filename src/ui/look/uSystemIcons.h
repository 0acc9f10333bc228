#pragma once

#include <QIcon>
#include <QList>
#include <QSize>
#include <QString>

// The stand-in for the desktop's system icon list: one icon per file type, shared by every
// list that shows files. Indices are stable for the life of the process and the same in
// the small and the large list.
class TSystemImageList {
public:
    TSystemImageList(const QList<QIcon>* icons, QSize iconSize) : m_icons(icons), m_size(iconSize) {}
    int Count() const { return static_cast<int>(m_icons->size()); }
    QIcon Icon(int index) const;
    QSize IconSize() const { return m_size; }

private:
    const QList<QIcon>* m_icons;
    QSize m_size;
};

// The shared list: small (16 px) unless `large` (32 px) is asked for.
TSystemImageList GetSystemImageList(bool large);

// Index of the icon for `name`: an existing file or folder by what it is, anything else by
// the name's extension alone, without touching the disk. `attributes` is kept for callers
// that pass the file's attributes; the icon does not depend on it.
int GetFileIconIndex(const QString& name, unsigned attributes = 0);
