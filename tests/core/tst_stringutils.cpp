#include <QTest>

#include "core/uTStringUtils.h"

class TestStringUtils : public QObject {
    Q_OBJECT
private slots:
    void findFrom_data();
    void findFrom();
    void getField_data();
    void getField();
    void formatElapsed_data();
    void formatElapsed();
    void caseFoldingIsAsciiOnly();
    void trimRemovesSpacesAndControls();
    void titlesOfOneSongAgree();
    void pageTextAsItsWriterMeantIt_data();
    void pageTextAsItsWriterMeantIt();
};

void TestStringUtils::findFrom_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("sub");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("expected");
    QTest::newRow("second occurrence") << QByteArray("123123") << QByteArray("23") << 3 << 5;
    QTest::newRow("at the start position") << QByteArray("123123") << QByteArray("23") << 2 << 2;
    QTest::newRow("from past the end") << QByteArray("123123") << QByteArray("23") << 7 << 0;
    QTest::newRow("at the last byte") << QByteArray("123123") << QByteArray("3") << 6 << 6;
    QTest::newRow("from zero") << QByteArray("123123") << QByteArray("1") << 0 << 0;
    QTest::newRow("negative from") << QByteArray("123123") << QByteArray("1") << -4 << 0;
    QTest::newRow("empty text") << QByteArray() << QByteArray("1") << 1 << 0;
    QTest::newRow("empty sub") << QByteArray("123") << QByteArray() << 1 << 0;
    QTest::newRow("sub longer than tail") << QByteArray("123123") << QByteArray("1234") << 4 << 0;
    QTest::newRow("case matters") << QByteArray("HREF href") << QByteArray("href") << 1 << 6;
    QTest::newRow("NUL bytes count") << QByteArray("a\0b\0c", 5) << QByteArray("\0c", 2) << 1 << 4;
}

void TestStringUtils::findFrom() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, sub);
    QFETCH(int, from);
    QFETCH(int, expected);
    QCOMPARE(TStringUtils::FindFrom(text.toStdString(), sub.toStdString(), from), expected);
}

void TestStringUtils::getField_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("separator");
    QTest::addColumn<int>("index");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("first") << QByteArray("red*green*blue") << QByteArray("*") << 1 << QByteArray("red");
    QTest::newRow("last") << QByteArray("red*green*blue") << QByteArray("*") << 3 << QByteArray("blue");
    QTest::newRow("past the last") << QByteArray("red*green*blue") << QByteArray("*") << 4 << QByteArray();
    QTest::newRow("empty middle") << QByteArray("red**blue") << QByteArray("*") << 2 << QByteArray();
    QTest::newRow("no separator, field 1") << QByteArray("red") << QByteArray("*") << 1 << QByteArray("red");
    QTest::newRow("no separator, field 2") << QByteArray("red") << QByteArray("*") << 2 << QByteArray();
    QTest::newRow("leading separator, field 1") << QByteArray("*red") << QByteArray("*") << 1 << QByteArray();
    QTest::newRow("leading separator, field 2") << QByteArray("*red") << QByteArray("*") << 2 << QByteArray("red");
    QTest::newRow("trailing separator") << QByteArray("red*") << QByteArray("*") << 2 << QByteArray();
    QTest::newRow("long separator") << QByteArray("a<field>b<field>c") << QByteArray("<field>") << 2 << QByteArray("b");
    QTest::newRow("long separator is whole") << QByteArray("a<fie>b") << QByteArray("<field>") << 1 << QByteArray("a<fie>b");
    QTest::newRow("index zero") << QByteArray("a*b") << QByteArray("*") << 0 << QByteArray();
    QTest::newRow("negative index") << QByteArray("a*b") << QByteArray("*") << -1 << QByteArray();
    QTest::newRow("empty text") << QByteArray() << QByteArray("*") << 1 << QByteArray();
    QTest::newRow("empty separator") << QByteArray("a*b") << QByteArray() << 1 << QByteArray();
}

void TestStringUtils::getField() {
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, separator);
    QFETCH(int, index);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(TStringUtils::GetField(text.toStdString(), separator.toStdString(), index)),
             expected);
}

void TestStringUtils::formatElapsed_data() {
    QTest::addColumn<qlonglong>("seconds");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("zero") << 0LL << QByteArray("00:00:00");
    QTest::newRow("one of each") << 3661LL << QByteArray("01:01:01");
    QTest::newRow("a minute short of an hour") << 3599LL << QByteArray("00:59:59");
    QTest::newRow("a day is not wrapped") << 86400LL << QByteArray("24:00:00");
    QTest::newRow("100 hours") << 360000LL << QByteArray("100:00:00");
}

void TestStringUtils::formatElapsed() {
    QFETCH(qlonglong, seconds);
    QFETCH(QByteArray, expected);
    QCOMPARE(QByteArray::fromStdString(FormatElapsed(seconds)), expected);
}

void TestStringUtils::caseFoldingIsAsciiOnly() {
    QVERIFY(SameTextIgnoringCase("HREF=\"A\"", "href=\"a\""));
    QVERIFY(!SameTextIgnoringCase("abc", "abcd"));
    // Bytes above 127 are compared as they are: no locale decides what their case is.
    QVERIFY(!SameTextIgnoringCase("\xC4", "\xE4"));
    QVERIFY(StartsWithIgnoringCase("HTTP://host/", "http://"));
    QVERIFY(!StartsWithIgnoringCase("http:/", "http://"));
}

void TestStringUtils::trimRemovesSpacesAndControls() {
    QCOMPARE(TrimSpacesAndControls(" \t f\r\n"), std::string("f"));
    QCOMPARE(TrimSpacesAndControls("a b"), std::string("a b"));
    QCOMPARE(TrimSpacesAndControls("\r\n"), std::string());
    QCOMPARE(TrimSpacesAndControls(std::string("\0x\0", 3)), std::string("x"));
}

void TestStringUtils::titlesOfOneSongAgree() {
    const std::string song = NormalizedTitle("Velvet Lanterns - Paper Comets");
    QCOMPARE(song, std::string("velvet lanterns paper comets"));
    QCOMPARE(NormalizedTitle("  VELVET lanterns -- Paper  Comets!! "), song);
    QCOMPARE(NormalizedTitle("Velvet_Lanterns/Paper\tComets"), song);
    QVERIFY(NormalizedTitle("Velvet Lanterns - Paper Comet") != song);
    QCOMPARE(NormalizedTitle("Caf\xc3\xa9 Ol\xc3\xa9"), std::string("caf\xc3\xa9 ol\xc3\xa9"));
    QCOMPARE(NormalizedTitle("!?"), std::string());
}

void TestStringUtils::pageTextAsItsWriterMeantIt_data() {
    QTest::addColumn<QByteArray>("written");
    QTest::addColumn<QByteArray>("meant");
    QTest::newRow("named") << QByteArray("Tom &amp; Jerry &lt;live&gt; &quot;x&quot; &apos;y&apos;&nbsp;z")
                           << QByteArray("Tom & Jerry <live> \"x\" 'y' z");
    QTest::newRow("numeric") << QByteArray("Don&#39;t &#x2019;Stop&#X2019;") << QByteArray("Don't \xE2\x80\x99Stop\xE2\x80\x99");
    QTest::newRow("astral") << QByteArray("&#x1F3B5;") << QByteArray("\xF0\x9F\x8E\xB5");
    QTest::newRow("decoded once") << QByteArray("&amp;lt;") << QByteArray("&lt;");
    QTest::newRow("not references")
        << QByteArray("R&B & more &unknown; &#; &#xD800; &#1114112; &amp") << QByteArray("R&B & more &unknown; &#; &#xD800; &#1114112; &amp");
}

void TestStringUtils::pageTextAsItsWriterMeantIt() {
    QFETCH(QByteArray, written);
    QFETCH(QByteArray, meant);
    QCOMPARE(QByteArray::fromStdString(DecodeHtmlEntities(written.toStdString())), meant);
}

QTEST_APPLESS_MAIN(TestStringUtils)
#include "tst_stringutils.moc"
