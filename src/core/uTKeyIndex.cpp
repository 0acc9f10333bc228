#include "core/uTKeyIndex.h"

#include "core/uTStringUtils.h"

size_t TKeyIndex::HashIgnoringCase(std::string_view key) {
    // FNV-1a over the folded bytes: equal keys in any letter case hash alike.
    uint64_t hash = 14695981039346656037ull;
    for (const char c : key) {
        hash ^= static_cast<unsigned char>(AsciiLower(c));
        hash *= 1099511628211ull;
    }
    return static_cast<size_t>(hash);
}
