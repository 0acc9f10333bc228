#pragma once

#include <string>

// The sound behind one stand-in song: a plain sine tone, so every file is small, valid and
// the same bytes on every run.
struct TTone {
    double FrequencyHz = 440.0;
    int DurationMs = 2000;
};

// Mono, 44100 Hz, 64 kbit/s constant bit rate, encoded in memory. No tag frame is written, so
// the bytes start with an MPEG frame header. Empty when the encoder cannot be set up.
std::string MakeToneMp3(const TTone& tone);
