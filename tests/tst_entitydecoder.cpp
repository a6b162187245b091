#include "support/TestMain.h"
#include "support/WebTestSupport.h"
#include "text/EntityDecoder.h"

#include <QTest>

class TestEntityDecoder : public QObject {
    Q_OBJECT

private slots:
    void decodeNamedEntities_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        addRow("empty", "", "");
        addRow("no entities", "连衣裙 M码", "连衣裙 M码");
        addRow("less-than", "a&lt;b", "a<b");
        addRow("greater-than gets a space before it", "a&gt;b", "a >b");
        addRow("a whole escaped tag", "&lt;b&gt;", "<b >");
        addRow("two nbsp are two spaces", "a&nbsp;&nbsp;b", "a  b");
        addRow("quot is the double quote", "&quot;x&quot;", "\"x\"");
        addRow("reg, copy and trade become ?", "&reg;&copy;&trade;", "???");
        addRow("curly quotes", "&lsquo;&rsquo;&ldquo;&rdquo;", "\u2018\u2019\u201C\u201D");
        addRow("symbols without a space", "&permil;&curren;&deg;&divide;&plusmn;&sect;&times;",
               "\u2030\u00A4\u00B0\u00F7\u00B1\u00A7\u00D7");
        addRow("arrows and maths without a space", "&larr;&uarr;&rarr;&darr;&radic;&prop;&infin;&there4;",
               "\u2190\u2191\u2192\u2193\u221A\u221D\u221E\u2234");
        addRow("sim is a space and the full-width tilde", "1&sim;2", "1 \uFF5E2");
        addRow("relations with a space", "a&asymp;b&ne;c&le;d&ge;e&oplus;f",
               "a \u2248b \u2260c \u2264d \u2265e \u2295f");
        addRow("Greek capitals with a space", "&Delta;&Psi;&Omega;", " \u0394 \u03A8 \u03A9");
        addRow("lower-case omega decoded, lower-case delta not", "&omega;&delta;", " \u03C9&delta;");
        addRow("other capitalisations pass", "&NBSP;&Lt;&AMP;", "&NBSP;&Lt;&AMP;");
        addRow("numeric references pass", "&#39;&#x4e2d;", "&#39;&#x4e2d;");
        addRow("no semicolon, no entity", "&nbsp &lt", "&nbsp &lt");
        // The ampersand row comes after the angle brackets and before everything else.
        addRow("escaped ampersand before lt stays lt", "&amp;lt;", "&lt;");
        addRow("escaped ampersand before gt stays gt", "&amp;gt;", "&gt;");
        addRow("escaped ampersand before nbsp is decoded twice", "&amp;nbsp;", " ");
        addRow("escaped ampersand before quot is decoded twice", "&amp;quot;", "\"");
        addRow("escaped ampersand before amp is decoded once", "&amp;amp;", "&amp;");
        addRow("ampersand before an entity", "&&lt;", "&<");
        addRow("lt output is not rescanned", "&lt;gt;", "<gt;");
        addRow("an entity the ampersand row makes is decoded in its turn", "&amp;deg;&lt;x", "\u00B0<x");
        addRow("entities at the start and the end", "&lt;中&gt;", "<中 >");
        addRow("an ampersand alone at the end", "a&", "a&");
        addRow("an escaped ampersand at the end", "x&amp;", "x&");
        addRow("a cut entity at the end", "x&am", "x&am");
        addRow("two escaped ampersands, then nbsp", "&amp;&amp;nbsp;", "& ");
        addRow("an escaped ampersand escaped twice before nbsp", "&amp;amp;nbsp;", "&amp;nbsp;");
        addRow("an ampersand the ampersand row makes before an ampersand", "&amp;&lt;", "&<");
        addRow("entities far apart and repeated", "&times;中文&amp;&times;&amp;omega;",
               "\u00D7中文&\u00D7 \u03C9");
    }

    void decodeNamedEntities() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(::decodeNamedEntities(text), expected);
    }

    void decodeNumericReferences_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        addRow("none", "Levi's 501", "Levi's 501");
        addRow("decimal apostrophe", "Levi&#39;s", "Levi's");
        addRow("hexadecimal, either case", "&#x4e2d;&#X6587;", "中文");
        addRow("beyond the first plane", "&#128512;", "\U0001F600");
        addRow("several, and text between", "a&#38;b&#60;c", "a&b<c");
        addRow("no semicolon stays", "&#39 x", "&#39 x");
        addRow("no digits stays", "&#; &#x;", "&#; &#x;");
        addRow("not a number stays", "&#3a9;", "&#3a9;");
        addRow("zero, surrogate and past the last character stay", "&#0;&#xD800;&#x110000;",
               "&#0;&#xD800;&#x110000;");
        addRow("too many digits stays", "&#000000039;", "&#000000039;");
        addRow("an ampersand before a reference", "&&#39;", "&'");
    }

    void decodeNumericReferences() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(::decodeNumericReferences(text), expected);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestEntityDecoder)
#include "tst_entitydecoder.moc"
