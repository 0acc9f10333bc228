#pragma once

#include "core/uTStringList.h"

// Lines with attached objects that the list owns: it frees them on Delete, on Clear (first
// line to last) and on destruction.
template <typename T>
class TCustomStringList : public TStringObjectList<T> {
public:
    TCustomStringList() { this->m_ownsObjects = true; }
};
