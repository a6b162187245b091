#include "web/EntityDecoder.h"

#include <QTest>

class TestEntityDecoder : public QObject {
    Q_OBJECT

private slots:
    void zhuanyi_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("no entities") << "连衣裙 M码"
                                     << "连衣裙 M码";
        QTest::newRow("less-than") << "a&lt;b"
                                   << "a<b";
        QTest::newRow("greater-than gets a space before it") << "a&gt;b"
                                                             << "a >b";
        QTest::newRow("a whole escaped tag") << "&lt;b&gt;"
                                             << "<b >";
        QTest::newRow("two nbsp are two spaces") << "a&nbsp;&nbsp;b"
                                                 << "a  b";
        QTest::newRow("quot is the double quote") << "&quot;x&quot;"
                                                  << "\"x\"";
        QTest::newRow("reg, copy and trade become ?") << "&reg;&copy;&trade;"
                                                      << "???";
        QTest::newRow("curly quotes") << "&lsquo;&rsquo;&ldquo;&rdquo;"
                                      << "\u2018\u2019\u201C\u201D";
        QTest::newRow("sim is a space and the full-width tilde") << "1&sim;2"
                                                                 << "1 \uFF5E2";
        QTest::newRow("Greek capitals with a space") << "&Delta;&Psi;&Omega;"
                                                     << " \u0394 \u03A8 \u03A9";
        QTest::newRow("lower-case omega decoded, lower-case delta not") << "&omega;&delta;"
                                                                        << " \u03C9&delta;";
        QTest::newRow("other capitalisations pass") << "&NBSP;&Lt;&AMP;"
                                                    << "&NBSP;&Lt;&AMP;";
        QTest::newRow("numeric references pass") << "&#39;&#x4e2d;"
                                                 << "&#39;&#x4e2d;";
        QTest::newRow("no semicolon, no entity") << "&nbsp &lt"
                                                 << "&nbsp &lt";
        // The ampersand row comes after the angle brackets and before everything else.
        QTest::newRow("escaped ampersand before lt stays lt") << "&amp;lt;"
                                                              << "&lt;";
        QTest::newRow("escaped ampersand before gt stays gt") << "&amp;gt;"
                                                              << "&gt;";
        QTest::newRow("escaped ampersand before nbsp is decoded twice") << "&amp;nbsp;"
                                                                        << " ";
        QTest::newRow("escaped ampersand before quot is decoded twice") << "&amp;quot;"
                                                                        << "\"";
        QTest::newRow("escaped ampersand before amp is decoded once") << "&amp;amp;"
                                                                      << "&amp;";
        QTest::newRow("ampersand before an entity") << "&&lt;"
                                                    << "&<";
        QTest::newRow("lt output is not rescanned") << "&lt;gt;"
                                                    << "<gt;";
        QTest::newRow("ne and le both with spaces") << "a&ne;b&le;c&ge;d"
                                                    << "a \u2260b \u2264c \u2265d";
    }

    void zhuanyi() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(::zhuanyi(text), expected);
    }
};

QTEST_GUILESS_MAIN(TestEntityDecoder)
#include "tst_entitydecoder.moc"
