#include "ui/look/uTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace {
// Where the build puts the program's translations: compiled in, so an installed copy and
// the tests find them without a folder to look in.
const QString kProgramFolder = QStringLiteral(":/i18n");
} // namespace

TTranslations::TTranslations(const QLocale& locale) {
    if (!m_program.load(locale, QStringLiteral("orvalo"), QStringLiteral("_"), kProgramFolder))
        return;
    m_programInstalled = QCoreApplication::installTranslator(&m_program);
    // Qt's texts in the language the program speaks, not merely the first one listed: with
    // LANGUAGE=fr:de and no French of ours, the dialogs' buttons are German as well. Qt's
    // translations come with the distribution (qt6-translations-l10n); without them the
    // buttons stay English and the rest is translated still.
    if (m_qt.load(QLocale(m_program.language()), QStringLiteral("qtbase"), QStringLiteral("_"),
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        m_qtInstalled = QCoreApplication::installTranslator(&m_qt);
}

TTranslations::~TTranslations() {
    if (m_qtInstalled)
        QCoreApplication::removeTranslator(&m_qt);
    if (m_programInstalled)
        QCoreApplication::removeTranslator(&m_program);
}

QString TTranslations::Language() const {
    return m_programInstalled ? m_program.language() : QString();
}
