#pragma once

#include "core/uTStringList.h"

// Lines with attached objects that the list frees itself while OwnsObjects is set: on
// Delete, on Clear (first line to last) and on destruction.
template <typename T>
class TCustomStringList : public TStringObjectList<T> {
public:
    TCustomStringList() { this->m_ownsObjects = true; }

    bool OwnsObjects() const { return this->m_ownsObjects; }
    void SetOwnsObjects(bool owns) { this->m_ownsObjects = owns; }
    int SortType() const { return m_sortType; }
    void SetSortType(int sortType) { m_sortType = sortType; }
    bool SortUp() const { return m_sortUp; }
    void SetSortUp(bool up) { m_sortUp = up; }

private:
    int m_sortType = 0;
    bool m_sortUp = true;
};
