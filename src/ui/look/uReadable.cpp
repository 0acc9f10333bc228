#include "ui/look/uReadable.h"

#include <QCoreApplication>
#include <QLocale>

#include "core/uTStringUtils.h"

QString ReadableSize(int64_t bytes) {
    if (bytes < 1024) {
        const int count = static_cast<int>(bytes);
        return QCoreApplication::translate("Readable", "%n bytes", nullptr, count);
    }
    const double kilobytes = static_cast<double>(bytes) / 1024.0;
    if (kilobytes < 1024.0)
        return QCoreApplication::translate("Readable", "%1 KB").arg(kilobytes, 0, 'f', 1);
    const double megabytes = kilobytes / 1024.0;
    if (megabytes < 1024.0)
        return QCoreApplication::translate("Readable", "%1 MB").arg(megabytes, 0, 'f', 1);
    return QCoreApplication::translate("Readable", "%1 GB").arg(megabytes / 1024.0, 0, 'f', 2);
}

QString ReadableDuration(int64_t seconds) {
    return QString::fromStdString(PlayTime(seconds));
}

QString TimeLeft(int64_t size, int64_t received, int64_t bytesPerSecond) {
    if (bytesPerSecond <= 0 || size <= 0 || received >= size)
        return {};
    //: Time a download still needs: "0:35 left"
    return QCoreApplication::translate("Readable", "%1 left")
        .arg(ReadableDuration((size - received + bytesPerSecond - 1) / bytesPerSecond));
}

QString ReadableCount(int64_t count) {
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    locale.setNumberOptions({});
    return locale.toString(static_cast<qlonglong>(count));
}
