#pragma once

#include <memory>
#include <optional>
#include <string>

class QSettings;
class QString;
class QVariant;

// The user's settings: the two folders, the clear-when-complete flag and how many downloads
// run at once, kept in the "Options" group of the program's settings file.
class TAppOptions {
public:
    std::string DownloadDir;
    std::string IncompleteDir;
    bool ClearDownloadsWhenComplete = false;
    static constexpr int kMostDownloadsAtOnce = 50;
    int DownloadsAtOnce = 6; // 1 to kMostDownloadsAtOnce

    // Reads every value that is present and well-formed; anything absent or of the wrong
    // type leaves its field as it is.
    void Load();
    // Writes every value; a settings file that cannot be written is skipped quietly.
    void Save() const;
    void Assign(const TAppOptions& other);
};

// The program's settings file: ~/.config/Orvalo/Orvalo.conf (honouring XDG_CONFIG_HOME).
std::unique_ptr<QSettings> OpenOrvaloSettings();

// Typed reads that treat a value of the wrong type like an absent one.
std::optional<std::string> ReadSettingBytes(const QSettings& settings, const QString& key);
std::optional<int> ReadSettingInt(const QSettings& settings, const QString& key);
// A 32-bit number read as a flag: any value but 0 is set.
std::optional<bool> ReadSettingFlag(const QSettings& settings, const QString& key);
// Text is stored as text when it is valid UTF-8 and as raw bytes otherwise, so that a
// folder name in another encoding survives the round trip.
QVariant BytesToSetting(const std::string& bytes);
