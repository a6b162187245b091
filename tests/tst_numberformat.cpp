#include "formats/NumberFormat.h"
#include "web/Step.h"

#include <QTest>

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

        QString result = QStringLiteral("unchanged");
        const bool done = Step::run([&] { result = NumberFormat::sixDecimals(text); });
        QCOMPARE(done, numeric);
        if (!numeric)
            QCOMPARE(result, QStringLiteral("unchanged"));
    }

    void sixDecimals_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("twelve and a half") << "12.5"
                                           << "12.500000";
        QTest::newRow("ten") << "10"
                             << "10.000000";
        QTest::newRow("zero") << "0"
                              << "0.000000";
        QTest::newRow("leading zero added") << ".5"
                                            << "0.500000";
        QTest::newRow("no grouping") << "1234567.891"
                                     << "1234567.891000";
        QTest::newRow("rounds up") << "0.1234567"
                                   << "0.123457";
        QTest::newRow("negative") << "-2.5"
                                  << "-2.500000";
        QTest::newRow("negative zero") << "-0"
                                       << "0.000000";
        QTest::newRow("negative rounding to zero") << "-0.0000001"
                                                   << "0.000000";
        QTest::newRow("exponent") << "1.5e3"
                                  << "1500.000000";
        QTest::newRow("plus sign and spaces") << " +8 "
                                              << "8.000000";
        QTest::newRow("tiny exponent is zero") << "1e-400"
                                               << "0.000000";
        QTest::newRow("long fraction below double range")
            << QStringLiteral("-0.") + QString(400, u'0') + QStringLiteral("1") << "0.000000";
    }

    void sixDecimals() {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(NumberFormat::sixDecimals(text), expected);
    }

    void outOfRangeIsNotANumber() {
        QVERIFY(!Step::run([] { NumberFormat::sixDecimals(QStringLiteral("1e400")); }));
        QVERIFY(!Step::run([] { NumberFormat::sixDecimals(QStringLiteral("1") + QString(400, u'0')); }));
    }

    void defaults() {
        QCOMPARE(NumberFormat::zero(), QStringLiteral("0.000000"));
        QCOMPARE(NumberFormat::zeroDefault(), QStringLiteral("00.000000"));
        QCOMPARE(NumberFormat::sixDecimals(-1e-9), QStringLiteral("0.000000"));
    }
};

QTEST_GUILESS_MAIN(TestNumberFormat)
#include "tst_numberformat.moc"
