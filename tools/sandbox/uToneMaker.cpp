#include "uToneMaker.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr int kBitRateKbps = 64;
// Chunks keep the sample buffer small; the encoder's own look-ahead does not care.
constexpr int kChunkSamples = 8192;

struct TLameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using TLame = std::unique_ptr<lame_global_flags, TLameCloser>;

// The bound the encoder documents for its output per call: 1.25 * samples + 7200.
size_t OutputBound(int samples) {
    return static_cast<size_t>(samples) * 5 / 4 + 7200;
}

} // namespace

std::string MakeToneMp3(const TTone& tone) {
    TLame lame(lame_init());
    if (!lame)
        return {};
    lame_set_num_channels(lame.get(), 1);
    lame_set_in_samplerate(lame.get(), kSampleRate);
    lame_set_out_samplerate(lame.get(), kSampleRate);
    lame_set_mode(lame.get(), MONO);
    lame_set_brate(lame.get(), kBitRateKbps);
    lame_set_VBR(lame.get(), vbr_off);
    // A tone needs no psychoacoustic care, and start-up time matters more than fidelity.
    lame_set_quality(lame.get(), 7);
    // The info frame would be left blank in memory: only a file writer can fill it in.
    lame_set_bWriteVbrTag(lame.get(), 0);
    if (lame_init_params(lame.get()) < 0)
        return {};

    const int total =
        static_cast<int>(static_cast<long long>(tone.DurationMs) * kSampleRate / 1000);
    std::vector<short> samples(kChunkSamples);
    std::vector<unsigned char> encoded(OutputBound(kChunkSamples));
    std::string mp3;
    mp3.reserve(static_cast<size_t>(total / 5));
    const double step = 2.0 * std::numbers::pi * tone.FrequencyHz / kSampleRate;
    // Fade in and out over 10 ms so the tone starts and ends without a click.
    const int fade = kSampleRate / 100;
    for (int done = 0; done < total;) {
        const int count = std::min(kChunkSamples, total - done);
        for (int i = 0; i < count; ++i) {
            const int n = done + i;
            const double envelope = std::min(
                {1.0, static_cast<double>(n) / fade, static_cast<double>(total - n) / fade});
            samples[static_cast<size_t>(i)] =
                static_cast<short>(std::lround(12000.0 * envelope * std::sin(step * n)));
        }
        const int written = lame_encode_buffer(lame.get(), samples.data(), samples.data(), count,
                                               encoded.data(), static_cast<int>(encoded.size()));
        if (written < 0)
            return {};
        mp3.append(reinterpret_cast<const char*>(encoded.data()), static_cast<size_t>(written));
        done += count;
    }
    const int flushed =
        lame_encode_flush(lame.get(), encoded.data(), static_cast<int>(encoded.size()));
    if (flushed < 0)
        return {};
    mp3.append(reinterpret_cast<const char*>(encoded.data()), static_cast<size_t>(flushed));
    return mp3;
}
