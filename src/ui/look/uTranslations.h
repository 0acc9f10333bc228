#pragma once

#include <QTranslator>

class QLocale;

// The window's texts and Qt's own (the standard buttons of its dialogs) in the user's
// language, installed on the application for as long as this lives.
//
// The first of the locale's languages (LANGUAGE, then LC_ALL, LC_MESSAGES, LANG on Linux)
// that the program has a translation for wins, and Qt's texts follow that same language, so
// that a box never mixes two. English is the language of the source texts: with no
// translation found, nothing is installed and the window stays English.
class TTranslations {
public:
    explicit TTranslations(const QLocale& locale);
    ~TTranslations();
    TTranslations(const TTranslations&) = delete;
    TTranslations& operator=(const TTranslations&) = delete;

    // The language the window speaks ("de"), empty for the source texts' English.
    QString Language() const;

private:
    QTranslator m_program;
    QTranslator m_qt;
    bool m_programInstalled = false;
    bool m_qtInstalled = false;
};
