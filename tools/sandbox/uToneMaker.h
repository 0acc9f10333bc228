#pragma once

#include <string>

// The sound behind one stand-in song: a plain sine tone, so every file is small, valid and
// the same bytes on every run. The other fields make the encodings tests need: every kind of
// file the encoder writes.
struct TTone {
    double FrequencyHz = 440.0;
    int DurationMs = 2000;
    enum class TRate { Constant, Variable, Average };
    TRate Rate = TRate::Constant;
    int BitrateKbps = 64;     // the constant or average rate; free format takes any
    int SampleRateHz = 44100; // 32000 to 48000 MPEG-1, 16000 to 24000 MPEG-2, 8000 to 12000 MPEG-2.5
    bool InfoFrame = false;   // a Xing/LAME header first, stating the frames and bytes
    bool FreeFormat = false;  // no bit rate in the frame headers
    bool NoisyParts = false;  // every other half second noise: a variable rate varies
};

// Mono, encoded in memory; by default 44100 Hz, 64 kbit/s constant bit rate with no info
// frame. No tag frame is written, so the bytes start with an MPEG frame header (the info
// frame's, when there is one). Empty when the encoder cannot be set up that way.
std::string MakeToneMp3(const TTone& tone);
