#include "formats/NumberFormat.h"
#include "web/Step.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestNumberFormat : public QObject {
    Q_OBJECT

private slots:
    void numericGrammar_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("numeric");

        QTest::newRow("integer") << "12" << true;
        QTest::newRow("decimal") << "12.5" << true;
        QTest::newRow("spaces around") << "  7.25 " << true;
        QTest::newRow("plus sign") << "+3" << true;
        QTest::newRow("minus sign") << "-3" << true;
        QTest::newRow("leading point") << ".5" << true;
        QTest::newRow("trailing point") << "5." << true;
        QTest::newRow("exponent") << "1.5e3" << true;
        QTest::newRow("signed capital exponent") << "2E-2" << true;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("spaces only") << "   " << false;
        QTest::newRow("point only") << "." << false;
        QTest::newRow("sign only") << "-" << false;
        QTest::newRow("two points") << "1.2.3" << false;
        QTest::newRow("group separator") << "1,000.00" << false;
        QTest::newRow("exponent without digits") << "1e" << false;
        QTest::newRow("space inside") << "1 000" << false;
        QTest::newRow("space between sign and digits") << "- 1" << false;
        QTest::newRow("currency text") << "12元" << false;
        QTest::newRow("full-width digits") << "１２" << false;
        QTest::newRow("tab around") << "\t5" << false;
        QTest::newRow("hexadecimal") << "0x10" << false;
        QTest::newRow("infinity word") << "inf" << false;
    }

    void numericGrammar() {
        QFETCH(QString, text);
        QFETCH(bool, numeric);
        QCOMPARE(NumberFormat::isNumeric(text), numeric);

        QString result = u"unchanged"_s;
        const bool done = Step::run([&] { result = NumberFormat::sixDecimals(text); });
        QCOMPARE(done, numeric);
        if (!numeric)
            QCOMPARE(result, u"unchanged"_s);
    }

    void sixDecimals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("twelve and a half") << u"12.5"_s << u"12.500000"_s;
        QTest::newRow("ten") << u"10"_s << u"10.000000"_s;
        QTest::newRow("zero") << u"0"_s << u"0.000000"_s;
        QTest::newRow("leading zero added") << u".5"_s << u"0.500000"_s;
        QTest::newRow("no grouping") << u"1234567.891"_s << u"1234567.891000"_s;
        QTest::newRow("rounds up") << u"0.1234567"_s << u"0.123457"_s;
        QTest::newRow("negative") << u"-2.5"_s << u"-2.500000"_s;
        QTest::newRow("negative zero") << u"-0"_s << u"0.000000"_s;
        QTest::newRow("negative rounding to zero") << u"-0.0000001"_s << u"0.000000"_s;
        QTest::newRow("exponent") << u"1.5e3"_s << u"1500.000000"_s;
        QTest::newRow("plus sign and spaces") << u" +8 "_s << u"8.000000"_s;
        QTest::newRow("tiny exponent is zero") << u"1e-400"_s << u"0.000000"_s;
        QTest::newRow("long fraction below double range")
            << u"-0."_s + QString(400, u'0') + u"1"_s << u"0.000000"_s;
    }

    void sixDecimals() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(NumberFormat::sixDecimals(text), expected);
    }

    void outOfRangeIsNotANumber() {
        QVERIFY(!Step::run([] { NumberFormat::sixDecimals(u"1e400"_s); }));
        QVERIFY(!Step::run([] { NumberFormat::sixDecimals(u"1"_s + QString(400, u'0')); }));
    }

    void defaults() {
        QCOMPARE(NumberFormat::zero(), u"0.000000"_s);
        QCOMPARE(NumberFormat::zeroDefault(), u"00.000000"_s);
        QCOMPARE(NumberFormat::sixDecimals(-1e-9), u"0.000000"_s);
    }
};

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
