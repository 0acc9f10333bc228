#include "ui/look/uReadable.h"

#include <algorithm>

#include <QCoreApplication>
#include <QLocale>

#include "core/uTStringUtils.h"

namespace {
// The user's language's way with numbers; the plain C locale writes them as English does.
QLocale NumberLocale() {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    locale.setNumberOptions({});
    return locale;
}

QString Decimal(double value, int decimals) {
    return NumberLocale().toString(value, 'f', decimals);
}

// The whole seconds the rest of `size` takes at `bytesPerSecond` from `received` on; -1 when
// it cannot be told (no speed, no size).
int64_t SecondsLeft(int64_t size, int64_t received, int64_t bytesPerSecond) {
    if (bytesPerSecond <= 0 || size <= 0 || received >= size)
        return -1;
    return (size - received + bytesPerSecond - 1) / bytesPerSecond;
}
} // namespace

QString ReadableSize(int64_t bytes) {
    if (bytes < 1024) {
        const int count = static_cast<int>(bytes);
        return QCoreApplication::translate("Readable", "%n bytes", nullptr, count);
    }
    const double kilobytes = static_cast<double>(bytes) / 1024.0;
    if (kilobytes < 1024.0)
        return QCoreApplication::translate("Readable", "%1 KB").arg(Decimal(kilobytes, 1));
    const double megabytes = kilobytes / 1024.0;
    if (megabytes < 1024.0)
        return QCoreApplication::translate("Readable", "%1 MB").arg(Decimal(megabytes, 1));
    return QCoreApplication::translate("Readable", "%1 GB").arg(Decimal(megabytes / 1024.0, 2));
}

QString ExactBytes(int64_t bytes) {
    //: Every byte of a size: "35,127,296 bytes"
    return QCoreApplication::translate("Readable", "%1 bytes").arg(ReadableCount(bytes));
}

QString ReadableSpeed(int64_t bytesPerSecond) {
    const double kilobytes = static_cast<double>(std::max<int64_t>(0, bytesPerSecond)) / 1024.0;
    //: A transfer's speed, in kilobytes a second
    return QCoreApplication::translate("Readable", "%1 KB/s").arg(Decimal(kilobytes, kilobytes < 10.0 ? 1 : 0));
}

QString ReadableDuration(int64_t seconds) {
    return QString::fromStdString(PlayTime(seconds));
}

QString TimeLeft(int64_t size, int64_t received, int64_t bytesPerSecond) {
    const int64_t seconds = SecondsLeft(size, received, bytesPerSecond);
    if (seconds < 0)
        return {};
    //: Time a download still needs: "0:35 left"
    return QCoreApplication::translate("Readable", "%1 left").arg(ReadableDuration(seconds));
}

QString ReadableCount(int64_t count) {
    return NumberLocale().toString(static_cast<qlonglong>(count));
}
