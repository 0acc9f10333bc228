#include "core/uScramble.h"

namespace {
std::string ShiftBytes(std::string_view data, int direction) {
    std::string out(data);
    for (size_t i = 0; i < out.size(); ++i) {
        const int key = static_cast<unsigned char>(kScrambleKey[i % kScrambleKey.size()]);
        out[i] = static_cast<char>((static_cast<unsigned char>(out[i]) + direction * key + 256) % 256);
    }
    return out;
}
} // namespace

std::string Unscramble(std::string_view data) {
    return ShiftBytes(data, -1);
}

std::string Scramble(std::string_view data) {
    return ShiftBytes(data, 1);
}
