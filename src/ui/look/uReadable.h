#pragma once

#include <cstdint>

#include <QString>

// Numbers as a person reads them, beside the lists' exact figures.

// "800 bytes", "12.3 KB", "4.3 MB", "1.20 GB" (units of 1024), the number as the user's
// language writes it ("33,5 MB" in German).
QString ReadableSize(int64_t bytes);
// Every byte: "35,127,296 bytes".
QString ExactBytes(int64_t bytes);
// A transfer's speed, in one unit everywhere: "0.4 KB/s", "12 KB/s", "1,250 KB/s".
QString ReadableSpeed(int64_t bytesPerSecond);
// A length, a position or a time left as the window shows it: "0:35", "12:05", "1:02:03"
// (PlayTime).
QString ReadableDuration(int64_t seconds);
// How long the rest of `size` takes at `bytesPerSecond` from `received` on: "0:35 left";
// empty when it cannot be told (no speed, no size).
QString TimeLeft(int64_t size, int64_t received, int64_t bytesPerSecond);
// A count with its digits grouped as the user's language does: "1,997" ("1.997" in German);
// the plain C locale groups as English does.
QString ReadableCount(int64_t count);
