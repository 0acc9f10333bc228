#include "core/uGeneralKey.h"

#include <QDate>
#include <QSettings>

#include "core/uTAppOptions.h"

namespace {
const QString kFirstRun = QStringLiteral("General/FirstRun");
const QString kDate = QStringLiteral("General/Date");
} // namespace

bool IsFirstRun() {
    return !OpenOrvaloSettings()->contains(kFirstRun);
}

void MarkFirstRunDone() {
    OpenOrvaloSettings()->setValue(kFirstRun, 1);
}

int ReadPopularDate() {
    return ReadSettingInt(*OpenOrvaloSettings(), kDate).value_or(0);
}

void WritePopularDate(const QDate& day) {
    OpenOrvaloSettings()->setValue(kDate, DayNumber(day));
}

int DayNumber(const QDate& day) {
    static const QDate epoch(1899, 12, 30);
    return static_cast<int>(epoch.daysTo(day));
}
