#include "base/Step.h"
#include "formats/NumberFormat.h"
#include "support/TestMain.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNumberFormat : public QObject {
    Q_OBJECT

private slots:
    // A null expected value: sixDecimals refuses the text.
    void sixDecimals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");
        QTest::addColumn<QString>("expected");

        QTest::newRow("integer") << u"12"_s << true << u"12.000000"_s;
        QTest::newRow("decimal") << u"12.5"_s << true << u"12.500000"_s;
        QTest::newRow("zero") << u"0"_s << true << u"0.000000"_s;
        QTest::newRow("spaces around") << u"  7.25 "_s << true << u"7.250000"_s;
        QTest::newRow("plus sign") << u"+3"_s << true << u"3.000000"_s;
        QTest::newRow("minus sign") << u"-3"_s << true << u"-3.000000"_s;
        QTest::newRow("plus sign and spaces") << u" +8 "_s << true << u"8.000000"_s;
        QTest::newRow("leading point, leading zero added") << u".5"_s << true << u"0.500000"_s;
        QTest::newRow("trailing point") << u"5."_s << true << u"5.000000"_s;
        QTest::newRow("exponent") << u"1.5e3"_s << true << u"1500.000000"_s;
        QTest::newRow("signed capital exponent") << u"2E-2"_s << true << u"0.020000"_s;
        QTest::newRow("no grouping") << u"1234567.891"_s << true << u"1234567.891000"_s;
        QTest::newRow("rounds up") << u"0.1234567"_s << true << u"0.123457"_s;
        QTest::newRow("negative") << u"-2.5"_s << true << u"-2.500000"_s;
        QTest::newRow("negative zero") << u"-0"_s << true << u"0.000000"_s;
        QTest::newRow("negative rounding to zero") << u"-0.0000001"_s << true << u"0.000000"_s;
        QTest::newRow("tiny exponent is zero") << u"1e-400"_s << true << u"0.000000"_s;
        QTest::newRow("long fraction below double range")
            << u"-0."_s + QString(400, u'0') + u"1"_s << true << u"0.000000"_s;
        QTest::newRow("exponent beyond a double") << u"1e400"_s << true << QString();
        QTest::newRow("digits beyond a double") << u"1"_s + QString(400, u'0') << true << QString();
        QTest::newRow("empty") << u""_s << false << QString();
        QTest::newRow("spaces only") << u"   "_s << false << QString();
        QTest::newRow("point only") << u"."_s << false << QString();
        QTest::newRow("sign only") << u"-"_s << false << QString();
        QTest::newRow("two points") << u"1.2.3"_s << false << QString();
        QTest::newRow("group separator") << u"1,000.00"_s << false << QString();
        QTest::newRow("exponent without digits") << u"1e"_s << false << QString();
        QTest::newRow("space inside") << u"1 000"_s << false << QString();
        QTest::newRow("space between sign and digits") << u"- 1"_s << false << QString();
        QTest::newRow("currency text") << u"12元"_s << false << QString();
        QTest::newRow("full-width digits") << u"１２"_s << false << QString();
        QTest::newRow("tab around") << u"\t5"_s << false << QString();
        QTest::newRow("hexadecimal") << u"0x10"_s << false << QString();
        QTest::newRow("infinity word") << u"inf"_s << false << QString();
    }

    void sixDecimals() {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QFETCH(QString, expected);
        QCOMPARE(NumberFormat::isNumeric(text), numeric);

        QString result = u"unchanged"_s;
        const bool done = Step::run([&] { result = NumberFormat::sixDecimals(text); });
        QCOMPARE(done, !expected.isNull());
        QCOMPARE(result, expected.isNull() ? u"unchanged"_s : expected);
    }

    void defaults() {
        QCOMPARE(NumberFormat::zero(), u"0.000000"_s);
        QCOMPARE(NumberFormat::zeroDefault(), u"00.000000"_s);
        QCOMPARE(NumberFormat::sixDecimals(-1e-9), u"0.000000"_s);
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
