#include <QApplication>
#include <QTest>

#include "ui/look/uArtwork.h"

class TestArtwork : public QObject {
    Q_OBJECT
private slots:
    void everyButtonHasAnIcon();
    void everyPictureDraws();
};

namespace {

// Every name the window asks for: buttons and glyphs, then the list status pictures.
const QStringList kButtons =
    QStringLiteral("orvalo view-searches view-downloads view-playlist download-file "
                   "preview-file restart-download cancel-download cancel-all-downloads "
                   "clear-downloaded play-file launch-file delete-file rename-file "
                   "locate-folder refresh collapse expand player-play player-pause "
                   "player-stop clear-media full-screen")
        .split(u' ');
const QStringList kStatus = QStringLiteral("status-found status-verified status-failed "
                                           "status-downloading status-complete")
                                .split(u' ');

} // namespace

void TestArtwork::everyButtonHasAnIcon() {
    for (const QString& name : kButtons) {
        const QIcon icon = ArtworkIcon(name);
        QVERIFY2(!icon.isNull(), qPrintable(name));
        for (int size : {16, 24, 32})
            QVERIFY2(!icon.pixmap(size).isNull(), qPrintable(name));
        // Our own picture too, for desktops whose theme lacks the standard one.
        QVERIFY2(!ArtworkPixmap(name, QSize(24, 24)).isNull(), qPrintable(name));
    }
    QTest::ignoreMessage(QtWarningMsg, "No artwork named \"no-such-picture\"");
    QVERIFY(ArtworkIcon(QStringLiteral("no-such-picture")).isNull());
}

void TestArtwork::everyPictureDraws() {
    for (const QString& name : kStatus) {
        const QPixmap pixmap = ArtworkPixmap(name, QSize(41, 15));
        QVERIFY2(!pixmap.isNull(), qPrintable(name));
        QCOMPARE(pixmap.deviceIndependentSize(), QSizeF(41, 15));
    }
    QVERIFY(!ArtworkPixmap(QStringLiteral("check-mark"), QSize(16, 16)).isNull());
    QCOMPARE(ArtworkPixmap(QStringLiteral("logo"), QSize(190, 102)).deviceIndependentSize(),
             QSizeF(190, 102));
}

QTEST_MAIN(TestArtwork)
#include "tst_artwork.moc"
