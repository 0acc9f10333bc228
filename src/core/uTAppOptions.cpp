#include "core/uTAppOptions.h"

#include <climits>
#include <cstdint>

#include <QSettings>
#include <QStringDecoder>

namespace {
const QString kDownloadDir = QStringLiteral("Options/DownloadDir");
const QString kIncompleteDir = QStringLiteral("Options/IncompleteDir");
const QString kClearDownloads = QStringLiteral("Options/ClearDownloadsWhenComplete");
const QString kDownloadsAtOnce = QStringLiteral("Options/DownloadsAtOnce");
} // namespace

std::unique_ptr<QSettings> OpenOrvaloSettings() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("Orvalo"), QStringLiteral("Orvalo"));
}

std::optional<std::string> ReadSettingBytes(const QSettings& settings, const QString& key) {
    if (!settings.contains(key))
        return std::nullopt;
    const QVariant value = settings.value(key);
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString().toStdString();
    case QMetaType::QByteArray:
        return value.toByteArray().toStdString();
    default:
        return std::nullopt;
    }
}

namespace {
std::optional<qlonglong> ReadSettingNumber(const QSettings& settings, const QString& key) {
    if (!settings.contains(key))
        return std::nullopt;
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::Int &&
        value.typeId() != QMetaType::LongLong)
        return std::nullopt;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return number;
}
} // namespace

std::optional<int> ReadSettingInt(const QSettings& settings, const QString& key) {
    const auto number = ReadSettingNumber(settings, key);
    if (!number || *number < INT_MIN || *number > INT_MAX)
        return std::nullopt;
    return static_cast<int>(*number);
}

std::optional<bool> ReadSettingFlag(const QSettings& settings, const QString& key) {
    const auto number = ReadSettingNumber(settings, key);
    // A 32-bit value, whether its writer took it as signed or unsigned.
    if (!number || *number < INT32_MIN || *number > UINT32_MAX)
        return std::nullopt;
    return *number != 0;
}

QVariant BytesToSetting(const std::string& bytes) {
    const QByteArray raw = QByteArray::fromStdString(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(raw);
    if (decoder.hasError())
        return raw;
    return text;
}

void TAppOptions::Load() {
    const auto settings = OpenOrvaloSettings();
    if (const auto dir = ReadSettingBytes(*settings, kDownloadDir))
        DownloadDir = *dir;
    if (const auto dir = ReadSettingBytes(*settings, kIncompleteDir))
        IncompleteDir = *dir;
    if (const auto clear = ReadSettingFlag(*settings, kClearDownloads))
        ClearDownloadsWhenComplete = *clear;
    if (const auto atOnce = ReadSettingInt(*settings, kDownloadsAtOnce); atOnce && *atOnce >= 1 && *atOnce <= kMostDownloadsAtOnce)
        DownloadsAtOnce = *atOnce;
}

void TAppOptions::Save() const {
    const auto settings = OpenOrvaloSettings();
    if (!settings->isWritable())
        return;
    settings->setValue(kDownloadDir, BytesToSetting(DownloadDir));
    settings->setValue(kIncompleteDir, BytesToSetting(IncompleteDir));
    settings->setValue(kClearDownloads, ClearDownloadsWhenComplete ? 1 : 0);
    settings->setValue(kDownloadsAtOnce, DownloadsAtOnce);
    settings->sync();
}

void TAppOptions::Assign(const TAppOptions& other) {
    *this = other;
}
