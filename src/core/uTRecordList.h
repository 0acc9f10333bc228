#pragma once

#include "core/uTStringList.h"

// Records of an owner (play list, results store, download manager) under their keys, in the
// order they were added (an owner may reorder them with CustomSort). The list frees its
// records only when made as their owner.
template <typename T>
class TRecordList : public TStringObjectList<T> {
public:
    explicit TRecordList(TOwnership ownership = TOwnership::Borrowed) {
        this->m_ownsObjects = ownership == TOwnership::Owned;
    }
};
