#pragma once

#include "core/uTStringList.h"

// Records of an owner (play list, results store, download manager) in insertion order; the
// list never sorts itself. The owner's comparison reads SortType and SortDirection. The
// list frees its records only when made as their owner.
template <typename T>
class TSortedStringList : public TStringObjectList<T> {
public:
    explicit TSortedStringList(TOwnership ownership = TOwnership::Borrowed) {
        this->m_ownsObjects = ownership == TOwnership::Owned;
    }

    int SortType() const { return m_sortType; }
    void SetSortType(int sortType) { m_sortType = sortType; }
    // 1 ascending, 0 descending; any value but 1 stores 0.
    int SortDirection() const { return m_sortDirection; }
    void SetSortDirection(int direction) { m_sortDirection = direction == 1 ? 1 : 0; }

private:
    int m_sortType = -1;
    int m_sortDirection = 1;
};
