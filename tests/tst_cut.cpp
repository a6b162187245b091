#include "web/Cut.h"
#include "web/Step.h"

#include <QTest>

class TestCut : public QObject {
    Q_OBJECT

private slots:
    void cuts_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("ok");

        QTest::newRow("after first occurrence") << "after"
                                                << "a|b|c"
                                                << "|"
                                                << "b|c" << true;
        QTest::newRow("after absent marker fails") << "after"
                                                   << "abc"
                                                   << "|"
                                                   << "" << false;
        QTest::newRow("after is case-sensitive") << "after"
                                                 << "aXb"
                                                 << "x"
                                                 << "" << false;
        QTest::newRow("before first occurrence") << "before"
                                                 << "a|b|c"
                                                 << "|"
                                                 << "a" << true;
        QTest::newRow("before absent marker fails") << "before"
                                                    << "abc"
                                                    << "|"
                                                    << "" << false;
        QTest::newRow("from keeps the marker") << "from"
                                               << "ab<c>d"
                                               << "<c>"
                                               << "<c>d" << true;
        QTest::newRow("after last occurrence") << "afterLast"
                                               << "a/b/c.jpg"
                                               << "/"
                                               << "c.jpg" << true;
        QTest::newRow("after last, multi-char marker") << "afterLast"
                                                       << "x >> y >> z"
                                                       << ">>"
                                                       << " z" << true;
        QTest::newRow("remove is one pass") << "remove"
                                            << "aabb"
                                            << "ab"
                                            << "ab" << true;
        QTest::newRow("remove every occurrence") << "remove"
                                                 << "cat-12cat-"
                                                 << "cat-"
                                                 << "12" << true;
    }

    void cuts() {
        QFETCH(QString, op);
        QFETCH(QString, text);
        QFETCH(QString, marker);
        QFETCH(QString, expected);
        QFETCH(bool, ok);

        QString result = QStringLiteral("unchanged");
        const bool done = Step::run([&] {
            if (op == u"after")
                result = Cut::after(text, marker);
            else if (op == u"before")
                result = Cut::before(text, marker);
            else if (op == u"from")
                result = Cut::from(text, marker);
            else if (op == u"afterLast")
                result = Cut::afterLast(text, marker);
            else
                result = Cut::remove(text, marker);
        });
        QCOMPARE(done, ok);
        QCOMPARE(result, ok ? expected : QStringLiteral("unchanged"));
    }

    void leftRightAndTrim() {
        QCOMPARE(Cut::left(QStringLiteral("黑龙江省哈尔滨"), 3), QStringLiteral("黑龙江"));
        QCOMPARE(Cut::left(QStringLiteral("ab"), 5), QStringLiteral("ab"));
        QCOMPARE(Cut::right(QStringLiteral("abcdef"), 2), QStringLiteral("ef"));
        QCOMPARE(Cut::right(QStringLiteral("ab"), 24), QStringLiteral("ab"));
        QCOMPARE(Cut::trimSpaces(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
        QCOMPARE(Cut::reverse(QStringLiteral("abc")), QStringLiteral("cba"));
    }
};

QTEST_GUILESS_MAIN(TestCut)
#include "tst_cut.moc"
