#include "support/TestMain.h"
#include "support/WebTestSupport.h"
#include "text/TextHelpers.h"

#include <QTest>

#include <stdexcept>

class TestTextHelpers : public QObject {
    Q_OBJECT

private slots:
    void cleaners_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        addRow("page: two spaces removed", "page", "a  b", "ab");
        addRow("page: three spaces leave one", "page", "a   b", "a b");
        addRow("page: four spaces leave none", "page", "a    b", "ab");
        addRow("page: spaces joined by removing a tab stay", "page", "a \t b", "a  b");
        addRow("page: spaces joined by removing a line break stay", "page", "a \r\n b", "a  b");
        addRow("page: double quotes become apostrophes", "page", "<a href=\"x\">", "<a href='x'>");
        addRow("page: tabs and line breaks removed", "page", "\t<div>\r\n\t\t<p>\n", "<div><p>");
        addRow("page: lone CR removed", "page", "a\rb", "ab");
        addRow("page: full-width spaces kept", "page", "a\u3000\u3000b", "a\u3000\u3000b");
        // A page must not drive the terminal it is printed on, nor put control bytes in a file.
        addRow("page: escape sequences lose their escape", "page", "\x1b]0;title\x07\x1b[2J类目",
               "]0;title[2J类目");
        addRow("page: every C0 control but the removed line breaks", "page", "a\x01\x08\x0b\x0c\x1f b",
               "a b");
        addRow("page: DEL and C1 controls removed", "page", "a\x7f\u0085\u009bb", "ab");
        addRow("page: spaces joined by removing a control stay", "page", "a \x1b b", "a  b");
        addRow("page: no-break space just past the C1 range kept", "page", "\u00a0x", "\u00a0x");
        QTest::newRow("page: NUL removed")
            << QStringLiteral("page") << (QStringLiteral("a") + QChar(0) + u'b') << QStringLiteral("ab");
        addRow("field: controls removed before commas turn", "field", "a\x1b,b", "a，b");
        addRow("field: comma becomes the full-width comma", "field", "红色,蓝色", "红色，蓝色");
        addRow("field: CR LF inside a value disappears", "field", "第一行\r\n第二行", "第一行第二行");
        addRow("field: quote and comma together", "field", "12\",5", "12'，5");
        addRow("field: every comma", "field", ",,a,", "，，a，");
        addRow("field: other commas left alone", "field", "a，b、c", "a，b、c");
        addRow("field: double spaces then tabs", "field", "a  \t,  b", "a，b");
        addRow("tags: paragraph holding a bold word", "tags", "<p>two <b>bold</b> words</p>",
               "two bold words");
        addRow("tags: tag ends at its first closing bracket", "tags", "<a href='x'>link</a> > rest",
               "link > rest");
        addRow("tags: upper-case tags", "tags", "<P ALIGN=center>x</P>", "x");
        addRow("tags: tag closing on the next line stays", "tags", "a<p\nclass='x'>b", "a<p\nclass='x'>b");
        addRow("tags: tag spanning CR LF stays", "tags", "a<p\r\nclass='x'>b", "a<p\r\nclass='x'>b");
        addRow("tags: tag spanning a lone CR stays", "tags", "a<p\rx>b", "a<p\rx>b");
        addRow("tags: tags on either side of a line break go", "tags", "<br>\r\n<br>", "\r\n");
        addRow("tags: lone less-than sign kept", "tags", "3 < 5", "3 < 5");
        addRow("tags: less-than sign runs to the next tag's end", "tags", "3 < 5 <b>x", "3 x");
        addRow("tags: empty angle brackets removed", "tags", "a<>b", "ab");
    }

    void cleaners() {
        QFETCH(QString, op);
        QFETCH(QString, text);
        QFETCH(QString, expected);
        if (op == u"page")
            QCOMPARE(cleanPageText(text), expected);
        else if (op == u"field")
            QCOMPARE(cleanFieldText(text), expected);
        else
            QCOMPARE(stripTags(text), expected);
    }

    void extractors_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("fragment");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("expected"); // null: the extraction raises

        const QString cell =
            QStringLiteral("<a href='http://item.taobao.com/item.htm?id=7' target='_blank'>"
                           "<img src='http://img.taobao.com/bao/1.jpg_sum.jpg' alt='x'></a>");
        const QString link = QStringLiteral("http://item.taobao.com/item.htm?id=7");
        const QString fails;
        addRow("href: the link target", "href", cell, 0, link);
        addRow("href: the first of two links", "href", "<a href='1'></a><a href='2'></a>", 0, "1");
        addRow("href: missing marker", "href", "<a name='x'>", 0, fails);
        addRow("href: double quotes are not the marker", "href", "<a href=\"x\">", 0, fails);
        addRow("href: marker is case-sensitive", "href", "<a HREF='x'>", 0, fails);
        addRow("href: no closing apostrophe", "href", "<a href='http://x/", 0, fails);
        // Every copy of the text up to the marker is removed, so a repeat inside the value vanishes too.
        addRow("href: later copies of the prefix removed", "href", "href='ahref='b'", 0, "ab");
        addRow("sum, picture: thumbnail suffix dropped", "sum", cell, 1, "http://img.taobao.com/bao/1.jpg");
        addRow("sum, link: href unchanged", "sum", cell, 0, link);
        addRow("sum, any other mode is the picture", "sum", cell, 7, "http://img.taobao.com/bao/1.jpg");
        addRow("sum, medium suffix left alone", "sum", "<img src='a.jpg_m.jpg'>", 1, "a.jpg_m.jpg");
        addRow("sum, suffix replaced wherever it is", "sum", "<img src='a.jpg_sum.jpg?b.jpg_sum.jpg'>", 1,
               "a.jpg?b.jpg");
        addRow("sum, no picture", "sum", "<a href='x'>", 1, fails);
        addRow("medium, picture: suffix dropped", "medium", "<img src='http://i/2.jpg_m.jpg'>", 1,
               "http://i/2.jpg");
        addRow("medium, link", "medium", "<a href='x'><img src='y.jpg_m.jpg'>", 0, "x");
        addRow("medium, no closing apostrophe", "medium", "<img src='y.jpg", 1, fails);
    }

    void extractors() {
        QFETCH(QString, op);
        QFETCH(QString, fragment);
        QFETCH(int, mode);
        QFETCH(QString, expected);

        const auto extract = [&] {
            if (op == u"href")
                return extractHref(fragment);
            if (op == u"sum")
                return extractLinkOrPictureSum(fragment, mode);
            return extractLinkOrPictureMedium(fragment, mode);
        };
        if (expected.isNull())
            QVERIFY_THROWS_EXCEPTION(std::invalid_argument, extract());
        else
            QCOMPARE(extract(), expected);
    }

    void decodeUtf8_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");

        addRow("Chinese", QByteArray("\xE6\x98\x93\xE8\xB6\xA3"), "易趣");
        addRow("stops at the first zero byte", QByteArray("ab\0cd", 5), "ab");
        addRow("leading byte-order mark kept", QByteArray("\xEF\xBB\xBFx"), QString(QChar(0xFEFF) + u"x"));
        addRow("invalid byte replaced", QByteArray("a\xFF\x62"), "a\uFFFDb");
    }

    void decodeUtf8() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        QCOMPARE(::decodeUtf8(bytes), expected);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestTextHelpers)
#include "tst_texthelpers.moc"
