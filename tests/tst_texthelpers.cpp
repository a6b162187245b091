#include "web/Step.h"
#include "web/TextHelpers.h"

#include <QTest>

class TestTextHelpers : public QObject {
    Q_OBJECT

private slots:
    void cleanPageText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("two spaces removed") << "a  b"
                                            << "ab";
        QTest::newRow("three spaces leave one") << "a   b"
                                                << "a b";
        QTest::newRow("four spaces leave none") << "a    b"
                                                << "ab";
        QTest::newRow("spaces joined by removing a tab stay") << "a \t b"
                                                              << "a  b";
        QTest::newRow("spaces joined by removing a line break stay") << "a \r\n b"
                                                                     << "a  b";
        QTest::newRow("double quotes become apostrophes") << "<a href=\"x\">"
                                                          << "<a href='x'>";
        QTest::newRow("tabs and line breaks removed") << "\t<div>\r\n\t\t<p>\n"
                                                      << "<div><p>";
        QTest::newRow("lone CR removed") << "a\rb"
                                         << "ab";
        QTest::newRow("full-width space kept") << "a\u3000\u3000b"
                                               << "a\u3000\u3000b";
        QTest::newRow("empty") << ""
                               << "";
    }

    void cleanPageText() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(CleanPageText(text), expected);
    }

    void cleanFieldText_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("comma becomes the full-width comma") << "红色,蓝色"
                                                            << "红色，蓝色";
        QTest::newRow("CR LF inside a value disappears") << "第一行\r\n第二行"
                                                         << "第一行第二行";
        QTest::newRow("quote and comma together") << "12\",5"
                                                  << "12'，5";
        QTest::newRow("every comma, one after another") << ",,a,"
                                                        << "，，a，";
        QTest::newRow("full-width comma left alone") << "a，b"
                                                     << "a，b";
        QTest::newRow("ideographic comma left alone") << "a、b"
                                                      << "a、b";
        QTest::newRow("double spaces then tabs") << "a  \t,  b"
                                                 << "a，b";
        QTest::newRow("empty") << ""
                               << "";
    }

    void cleanFieldText() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        const QString cleaned = CleanFieldText(text);
        QCOMPARE(cleaned, expected);
        for (QChar c : {QChar(u','), QChar(u'"'), QChar(u'\t'), QChar(u'\r'), QChar(u'\n')})
            QVERIFY(!cleaned.contains(c));
    }

    void stripTags_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("paragraph holding a bold word") << "<p>two <b>bold</b> words</p>"
                                                       << "two bold words";
        QTest::newRow("tag ends at its first closing bracket") << "<a href='x'>link</a> > rest"
                                                               << "link > rest";
        QTest::newRow("upper-case tags") << "<P ALIGN=center>x</P>"
                                         << "x";
        QTest::newRow("tag closing on the next line stays") << "a<p\nclass='x'>b"
                                                            << "a<p\nclass='x'>b";
        QTest::newRow("tag spanning CR LF stays") << "a<p\r\nclass='x'>b"
                                                  << "a<p\r\nclass='x'>b";
        QTest::newRow("tag spanning a lone CR stays") << "a<p\rx>b"
                                                      << "a<p\rx>b";
        QTest::newRow("tags on either side of a line break go") << "<br>\r\n<br>"
                                                                << "\r\n";
        QTest::newRow("lone less-than sign kept") << "3 < 5"
                                                  << "3 < 5";
        QTest::newRow("less-than sign runs to the next tag's end") << "3 < 5 <b>x"
                                                                   << "3 x";
        QTest::newRow("empty angle brackets removed") << "a<>b"
                                                      << "ab";
        QTest::newRow("empty") << ""
                               << "";
    }

    void stripTags() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(StripTags(text), expected);
    }

    void extractors_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("ok");

        const QString cell =
            QStringLiteral("<a href='http://item.taobao.com/item.htm?id=7' target='_blank'>"
                           "<img src='http://img.taobao.com/bao/1.jpg_sum.jpg' alt='x'></a>");
        QTest::newRow("href: the link target")
            << "href" << cell << 0 << "http://item.taobao.com/item.htm?id=7" << true;
        QTest::newRow("href: the first of two links")
            << "href"
            << "<a href='1'></a><a href='2'></a>" << 0 << "1" << true;
        QTest::newRow("href: empty value") << "href"
                                           << "<a href=''>" << 0 << "" << true;
        QTest::newRow("href: missing marker fails") << "href"
                                                    << "<a name='x'>" << 0 << "" << false;
        QTest::newRow("href: double quotes are not the marker") << "href"
                                                                << "<a href=\"x\">" << 0 << "" << false;
        QTest::newRow("href: marker is case-sensitive") << "href"
                                                        << "<a HREF='x'>" << 0 << "" << false;
        QTest::newRow("href: no closing apostrophe fails") << "href"
                                                           << "<a href='http://x/" << 0 << "" << false;
        // Every copy of the text up to the marker is removed, so a repeat inside the value vanishes too.
        QTest::newRow("href: later copies of the prefix removed") << "href"
                                                                  << "href='ahref='b'" << 0 << "ab" << true;
        QTest::newRow("sum, picture: thumbnail suffix dropped")
            << "sum" << cell << 1 << "http://img.taobao.com/bao/1.jpg" << true;
        QTest::newRow("sum, link: href unchanged")
            << "sum" << cell << 0 << "http://item.taobao.com/item.htm?id=7" << true;
        QTest::newRow("sum, any other mode is the picture")
            << "sum" << cell << 7 << "http://img.taobao.com/bao/1.jpg" << true;
        QTest::newRow("sum, medium suffix left alone")
            << "sum"
            << "<img src='a.jpg_m.jpg'>" << 1 << "a.jpg_m.jpg" << true;
        QTest::newRow("sum, suffix replaced wherever it is")
            << "sum"
            << "<img src='a.jpg_sum.jpg?b.jpg_sum.jpg'>" << 1 << "a.jpg?b.jpg" << true;
        QTest::newRow("sum, no picture fails") << "sum"
                                               << "<a href='x'>" << 1 << "" << false;
        QTest::newRow("medium, picture: suffix dropped")
            << "medium"
            << "<img src='http://i/2.jpg_m.jpg'>" << 1 << "http://i/2.jpg" << true;
        QTest::newRow("medium, sum suffix left alone")
            << "medium"
            << "<img src='a.jpg_sum.jpg'>" << 1 << "a.jpg_sum.jpg" << true;
        QTest::newRow("medium, link") << "medium"
                                      << "<a href='x'><img src='y.jpg_m.jpg'>" << 0 << "x" << true;
        QTest::newRow("medium, no closing apostrophe fails") << "medium"
                                                             << "<img src='y.jpg" << 1 << "" << false;
    }

    void extractors() {
        QFETCH(QString, op);
        QFETCH(QString, fragment);
        QFETCH(int, mode);
        QFETCH(QString, expected);
        QFETCH(bool, ok);

        QString value = QStringLiteral("previous");
        const bool done = Step::run([&] {
            if (op == u"href")
                value = ExtractHref(fragment);
            else if (op == u"sum")
                value = ExtractLinkOrPictureSum(fragment, mode);
            else
                value = ExtractLinkOrPictureMedium(fragment, mode);
        });
        QCOMPARE(done, ok);
        QCOMPARE(value, ok ? expected : QStringLiteral("previous"));
    }

    void extractorErrorIsInvalidArgument() {
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, ExtractHref(QStringLiteral("no link")));
    }

    void decodeUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        QTest::newRow("Chinese") << QByteArray("\xE6\x98\x93\xE8\xB6\xA3") << "易趣";
        QTest::newRow("stops at the first zero byte") << QByteArray("ab\0cd", 5) << "ab";
        QTest::newRow("leading byte-order mark kept")
            << QByteArray("\xEF\xBB\xBFx") << QString(QChar(0xFEFF) + u"x");
        QTest::newRow("invalid byte replaced") << QByteArray("a\xFF"
                                                             "b")
                                               << "a\uFFFDb";
        QTest::newRow("empty") << QByteArray() << "";
    }

    void decodeUtf8() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(DecodeUtf8(bytes), expected);
    }
};

QTEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
