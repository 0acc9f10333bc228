#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QHeaderView>
#include <QLibraryInfo>
#include <QLocale>
#include <QMenuBar>
#include <QTest>

#include "UiFixture.h"
#include "net/uCurlRequest.h"
#include "ui/pages/uApplication.h"
#include "ui/pages/uFraDownloads.h"
#include "ui/pages/uFrmMain.h"
#include "ui/look/uReadable.h"
#include "ui/look/uTranslations.h"

// The window in the user's language: German from the shipped translation, English (the
// source texts) when no translation fits. A process of its own: the translators installed
// here reach no other test.
class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    void init() { m_program = std::make_unique<TTestProgram>(); }
    void cleanup() { m_program.reset(); }
    void germanWindowSpeaksGerman();
    void englishWhenNoTranslationFits_data();
    void englishWhenNoTranslationFits();
    void languageListPicksFirstTranslated();

private:
    std::unique_ptr<TfrmMain> MakeWindow() {
        return std::make_unique<TfrmMain>(m_program->Services(), std::make_unique<TFakePlayer>());
    }
    std::unique_ptr<TTestProgram> m_program;
};

namespace {
QStringList MenuTitles(const TfrmMain& window) {
    QStringList titles;
    for (const QAction* menu : window.menuBar()->actions())
        titles << menu->text();
    return titles;
}

QStringList DownloadsCaptions(const TfrmMain& window) {
    QStringList captions;
    const QHeaderView* header = window.fraDownloads1->lvwDownloads->header();
    for (int column = 0; column < header->count(); ++column)
        captions << header->model()->headerData(column, Qt::Horizontal).toString();
    return captions;
}
} // namespace

void TestTranslations::germanWindowSpeaksGerman() {
    {
        const TTranslations german{QLocale(QLocale::German, QLocale::Germany)};
        QCOMPARE(german.Language(), QStringLiteral("de"));
        const auto window = MakeWindow();
        QCOMPARE(MenuTitles(*window),
                 (QStringList{"&Datei", "&Ansicht", "A&ktionen", "E&xtras", "&Hilfe"}));
        QCOMPARE(DownloadsCaptions(*window), (QStringList{"Status", "Titel", "Größe", "Empfangen",
                                                          "Geschwindigkeit", "Fortschritt",
                                                          "Prüfung"}));
        QCOMPARE(window->fraDownloads1->lvwDownloads->accessibleName(), QStringLiteral("Downloads"));
        // The longer German captions widen their columns rather than being cut.
        TPageList* list = window->fraDownloads1->lvwDownloads;
        list->resize(900, 300);
        list->LayOutColumns();
        const QHeaderView* header = list->header();
        for (int column = 1; column < header->count(); ++column) {
            const QString caption = header->model()->headerData(column, Qt::Horizontal).toString();
            QVERIFY2(header->sectionSize(column) >=
                         header->fontMetrics().horizontalAdvance(caption) + 8,
                     qPrintable(caption + ": " + QString::number(header->sectionSize(column))));
        }
        QCOMPARE(window->findChild<QAction*>("mnuActionsCancelAllDownloads")->text(),
                 QStringLiteral("Alle Downloads abbrechen"));
        // Counts take the form German gives them.
        QCOMPARE(TfraDownloads::tr("%n downloads running", nullptr, 1), QStringLiteral("1 Download läuft"));
        QCOMPARE(TfraDownloads::tr("%n downloads running", nullptr, 3), QStringLiteral("3 Downloads laufen"));
        // Figures as German writes them.
        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const QStringList figures{ReadableSize(35127296), ExactBytes(35127296), ReadableSpeed(1280000)};
        QLocale::setDefault(before);
        QCOMPARE(figures, (QStringList{"33,5 MB", "35.127.296 Bytes", "1.250 KB/s"}));
        // The program's own reasons too, made below the window.
        QCOMPARE(ErrorReason(kErrorTooManyFiles), std::string("zu viele offene Dateien"));
        // Qt's own buttons follow, where the distribution carries Qt's German.
        const QString qtGerman = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm";
        if (QFile::exists(qtGerman))
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    }
    // Gone with the translations: a window made now is English again.
    const auto window = MakeWindow();
    QCOMPARE(MenuTitles(*window), (QStringList{"&File", "&View", "&Actions", "E&xtra", "&Help"}));
    QCOMPARE(DownloadsCaptions(*window).at(1), QStringLiteral("Title"));
    QCOMPARE(ReadableSize(35127296), QStringLiteral("33.5 MB"));
    QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));
}

void TestTranslations::englishWhenNoTranslationFits_data() {
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("English") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("a language without a translation") << QLocale(QLocale::Finnish);
    QTest::newRow("C") << QLocale::c();
}

void TestTranslations::englishWhenNoTranslationFits() {
    QFETCH(QLocale, locale);
    const TTranslations none{locale};
    QCOMPARE(none.Language(), QString());
    const auto window = MakeWindow();
    QCOMPARE(MenuTitles(*window), (QStringList{"&File", "&View", "&Actions", "E&xtra", "&Help"}));
    QCOMPARE(DownloadsCaptions(*window),
             (QStringList{"Status", "Title", "Size", "Received", "Speed", "Progress", "Check"}));
    // English counts keep their own words for one, as before there were translations.
    QCOMPARE(TfraDownloads::tr("%n downloads running", nullptr, 3), QStringLiteral("3 downloads running"));
}

void TestTranslations::languageListPicksFirstTranslated() {
    // Run by its own test entry, with LANG=C.UTF-8 and LANGUAGE=fi:de:en as a desktop session
    // sets them: the user's locale as the program takes it at start.
    if (qgetenv("LANGUAGE") != "fi:de:en")
        QSKIP("run with LANGUAGE=fi:de:en");
    const TTranslations translations{QLocale()};
    QCOMPARE(translations.Language(), QStringLiteral("de"));
    const auto window = MakeWindow();
    QCOMPARE(MenuTitles(*window).first(), QStringLiteral("&Datei"));
    // Qt's buttons speak the window's German, not the Finnish listed first.
    const QString qtGerman = QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_de.qm";
    if (QFile::exists(qtGerman))
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
}

int main(int argc, char** argv) {
    TOrvaloApplication app(argc, argv);
    TestTranslations test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
