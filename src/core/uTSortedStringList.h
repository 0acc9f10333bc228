#pragma once

#include "core/uTStringList.h"

// Records of an owner (play list, results store, download manager) in insertion order; the
// list never sorts itself, only by its owner's comparison (CustomSort). The list frees its
// records only when made as their owner.
template <typename T>
class TSortedStringList : public TStringObjectList<T> {
public:
    explicit TSortedStringList(TOwnership ownership = TOwnership::Borrowed) {
        this->m_ownsObjects = ownership == TOwnership::Owned;
    }
};
