// The content check against a full decode of the same files by the mpg123 tool (mpg123 -t),
// in the same run:
//  - one 10 MB file (a song, random bytes, a web page) and a song of an hour: the check's time
//    against the decode's, and reading the file whole;
//  - a play list of 5,000 tagged songs checked in the background by TContentChecker as the
//    play list asks: the time until every length its header states has reached the GUI
//    thread, then until every exact one has, against decoding every file, and the GUI
//    thread's longest gap between 5 ms ticks against the same probe on an idle event loop.
// The files were just written, so they are in the page cache: the figures are the check's
// own cost, not the disk's.
// Usage: bench_content [files] [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QTemporaryDir>

#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>

#include "core/uTFileUtils.h"
#include "media/uContentCheck.h"
#include "media/uContentChecker.h"
#include "playlist/uTPlayListManager.h"
#include "uGapProbe.h"
#include "uToneMaker.h"

namespace {

using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The milliseconds a full decode of `paths` by the mpg123 tool takes, a few hundred files a
// process (a command line holds no more).
double DecodeMs(const std::vector<std::string>& paths) {
    const auto start = Clock::now();
    for (size_t first = 0; first < paths.size(); first += 500) {
        std::string command = "mpg123 -t -q";
        for (size_t i = first; i < std::min(paths.size(), first + 500); ++i)
            command += " '" + paths[i] + "'";
        if (std::system((command + " >/dev/null 2>&1").c_str()) == -1)
            return -1;
    }
    return MsSince(start);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string Filled(std::string part, size_t size) {
    std::string whole;
    whole.reserve(size + part.size());
    while (whole.size() < size)
        whole += part;
    return whole;
}

std::string RandomBytes(size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    return bytes;
}

// One file: the check's median time against a full decode and against reading it whole.
bool BenchOneFile(const char* what, const std::string& path, int rounds) {
    std::vector<double> check, whole, decode;
    // The first check of a kind loads the content rules it needs: not the check's own cost.
    std::string verdict = VerdictText(CheckContent(path));
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        verdict = VerdictText(CheckContent(path));
        check.push_back(MsSince(start));
        start = Clock::now();
        TFileUtils::ReadWholeFile(path);
        whole.push_back(MsSince(start));
        if (i < 5)
            decode.push_back(DecodeMs({path}));
    }
    const double checkMs = Median(check), wholeMs = Median(whole), decodeMs = Median(decode);
    std::printf("%-14s \"%s\": check %.2f ms (max %.2f); mpg123 -t %.1f ms (ratio %.3f); reading it "
                "whole %.2f ms (ratio %.2f)\n",
                what, verdict.c_str(), checkMs, *std::max_element(check.begin(), check.end()), decodeMs,
                checkMs / decodeMs, wholeMs, checkMs / wholeMs);
    return checkMs < decodeMs;
}

// A tagged song, copied under `count` names (short: the check reads as much of a long one).
std::vector<std::string> MakePlayList(const std::string& folder, int count) {
    const std::string first = folder + "/song0.mp3";
    TFileUtils::WriteWholeFile(first, MakeToneMp3(TTone{440.0, 5000}));
    {
        // Tagging is the benchmark's business only.
        TagLib::MPEG::File file(first.c_str());
        TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
        tag->setArtist("Fictional Band");
        tag->setTitle("Song of Benchmarks");
        tag->setAlbum("Tones");
        file.save(TagLib::MPEG::File::ID3v2);
    }
    const std::string bytes = TFileUtils::ReadWholeFile(first);
    std::vector<std::string> paths{first};
    for (int i = 1; i < count; ++i) {
        paths.push_back(folder + "/song" + std::to_string(i) + ".mp3");
        TFileUtils::WriteWholeFile(paths.back(), bytes);
    }
    return paths;
}

bool BenchPlayList(const std::string& folder, int count) {
    const std::vector<std::string> paths = MakePlayList(folder, count);
    auto start = Clock::now();
    double listMs = 0;
    int listed = 0;
    {
        // The listing alone: the library's own checks go with it.
        TPlayListManager list(folder);
        list.Refresh();
        listMs = MsSince(start);
        listed = list.Count();
    }

    const TGapProbe idle = RunGapProbe([ticks = 0]() mutable { return ++ticks >= 100; });
    // As the play list asks: every header first, then every frame.
    TContentChecker checker;
    int heard = 0, songs = 0;
    double headersMs = 0;
    start = Clock::now();
    checker.OnChecked = [&](const std::string&, const TContentVerdict& verdict) {
        if (++heard == count)
            headersMs = MsSince(start);
        songs += !verdict.Estimated && verdict.IsMp3() && !ArtistTitle(verdict).empty();
    };
    checker.Check(paths, TCheckDepth::Header);
    checker.Check(paths, TCheckDepth::Full);
    const TGapProbe loaded = RunGapProbe([&] { return heard == 2 * count; });
    const double decodeMs = DecodeMs(paths);

    std::printf("listing %d files: %.1f ms\n", listed, listMs);
    std::printf("their lengths as the headers state them after %.1f ms, every exact one (%d songs "
                "with artist and title) after %.1f ms; mpg123 -t over them all %.1f ms (ratio %.3f)\n",
                headersMs, songs, loaded.Seconds * 1000, decodeMs, loaded.Seconds * 1000 / decodeMs);
    std::printf("GUI thread's longest gap between 5 ms ticks: %.1f ms while checking, %.1f ms "
                "idle (target: under 30 ms)\n",
                loaded.LongestGapMs, idle.LongestGapMs);
    return loaded.LongestGapMs < 30.0 && songs == count && headersMs < 1000;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 5000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 50;
    QTemporaryDir folder;
    const std::string root = folder.path().toStdString();
    constexpr size_t kSize = 10 * 1024 * 1024;

    const std::string song = root + "/long.mp3", noise = root + "/noise.mp3",
                      page = root + "/page.mp3", hour = root + "/hour.mp3";
    TFileUtils::WriteWholeFile(song, Filled(MakeToneMp3(TTone{330.0, 10000}), kSize));
    TFileUtils::WriteWholeFile(hour, MakeToneMp3({.DurationMs = 3600 * 1000, .BitrateKbps = 128, .InfoFrame = true}));
    TFileUtils::WriteWholeFile(noise, RandomBytes(kSize));
    TFileUtils::WriteWholeFile(page, "<!DOCTYPE html><html><body>" +
                                         Filled("<p>\xff\xfb not a song</p>\n", kSize));
    bool met = BenchOneFile("10 MB song", song, rounds);
    met = BenchOneFile("10 MB random", noise, rounds) && met;
    met = BenchOneFile("10 MB page", page, rounds) && met;
    met = BenchOneFile("an hour's song", hour, std::max(1, rounds / 10)) && met;
    const std::string list = root + "/list";
    CreateDir(list);
    met = BenchPlayList(list, files) && met;
    std::printf("targets (a check faster than a decode; a play list's lengths within 1 s; no gap "
                "over 30 ms): %s\n",
                met ? "met" : "MISSED");
    return met ? 0 : 1;
}
