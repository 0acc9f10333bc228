// FindFrom, GetField and the scrambling routines on arbitrary bytes. The first two bytes
// choose the position or index, the byte after them how much of the rest is the pattern.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/uTStringUtils.h"
#include "search/uTMp3Search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const int number = static_cast<int16_t>(data[0] | (data[1] << 8));
    const std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    const size_t split = rest.empty() ? 0 : data[2] % (rest.size() + 1);
    const std::string pattern = rest.substr(0, split);
    const std::string text = rest.substr(split);

    const int at = TStringUtils::FindFrom(text, pattern, number);
    if (at != 0 && (at < number || text.compare(static_cast<size_t>(at) - 1, pattern.size(), pattern) != 0))
        __builtin_trap();

    const std::string field = TStringUtils::GetField(text, pattern, number);
    if (field.size() > text.size())
        __builtin_trap();

    if (Unscramble(Scramble(rest)) != rest || Unscramble(rest).size() != rest.size())
        __builtin_trap();
    return 0;
}
