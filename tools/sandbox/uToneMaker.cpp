#include "uToneMaker.h"

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <vector>

namespace {

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
    const int rate = tone.SampleRateHz;
    lame_set_num_channels(lame.get(), 1);
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_mode(lame.get(), MONO);
    switch (tone.Rate) {
    case TTone::TRate::Constant:
        lame_set_VBR(lame.get(), vbr_off);
        lame_set_brate(lame.get(), tone.BitrateKbps);
        break;
    case TTone::TRate::Variable:
        lame_set_VBR(lame.get(), vbr_default);
        lame_set_VBR_quality(lame.get(), 0);
        break;
    case TTone::TRate::Average:
        lame_set_VBR(lame.get(), vbr_abr);
        lame_set_VBR_mean_bitrate_kbps(lame.get(), tone.BitrateKbps);
        break;
    }
    lame_set_free_format(lame.get(), tone.FreeFormat ? 1 : 0);
    // A tone needs no psychoacoustic care, and start-up time matters more than fidelity.
    lame_set_quality(lame.get(), 7);
    // The encoder keeps the first frame free for the info frame and fills it in at the end.
    lame_set_bWriteVbrTag(lame.get(), tone.InfoFrame ? 1 : 0);
    if (lame_init_params(lame.get()) < 0)
        return {};

    const int total = static_cast<int>(static_cast<long long>(tone.DurationMs) * rate / 1000);
    std::vector<short> samples(kChunkSamples);
    std::vector<unsigned char> encoded(OutputBound(kChunkSamples));
    std::string mp3;
    mp3.reserve(static_cast<size_t>(total / 5));
    const double step = 2.0 * std::numbers::pi * tone.FrequencyHz / rate;
    // Fade in and out over 10 ms so the tone starts and ends without a click.
    const int fade = rate / 100;
    unsigned noise = 1;
    for (int done = 0; done < total;) {
        const int count = std::min(kChunkSamples, total - done);
        for (int i = 0; i < count; ++i) {
            const int n = done + i;
            const double envelope = std::min(
                {1.0, static_cast<double>(n) / fade, static_cast<double>(total - n) / fade});
            double value = 12000.0 * envelope * std::sin(step * n);
            if (tone.NoisyParts && (n / (rate / 2)) % 2 == 1) {
                noise = noise * 1103515245u + 12345u; // the same noise on every run
                value = envelope * (static_cast<double>((noise >> 16) & 0x7fff) - 16384.0);
            }
            samples[static_cast<size_t>(i)] = static_cast<short>(std::lround(value));
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
    if (tone.InfoFrame) {
        // The info frame, now that the frames and bytes are known, over the one kept free.
        const size_t size = lame_get_lametag_frame(lame.get(), encoded.data(), encoded.size());
        if (size == 0 || size > mp3.size())
            return {};
        mp3.replace(0, size, reinterpret_cast<const char*>(encoded.data()), size);
    }
    return mp3;
}
