#pragma once

#include <string>
#include <string_view>

// The key of the program's scrambled data files (the engine list, the most-popular list).
inline constexpr std::string_view kScrambleKey = "vitalis lorem";
// Subtracts the cycling key from every byte (modulo 256); Scramble adds it.
std::string Unscramble(std::string_view data);
std::string Scramble(std::string_view data);
