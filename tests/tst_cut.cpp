#include "base/Step.h"
#include "support/TestMain.h"
#include "support/WebTestSupport.h"
#include "text/Cut.h"

#include <QHash>
#include <QTest>

namespace {

using CutFunction = QString (*)(const QString&, const QString&);

const QHash<QString, CutFunction> kCuts{
    {QStringLiteral("after"), &Cut::after},
    {QStringLiteral("before"), &Cut::before},
    {QStringLiteral("from"), &Cut::from},
    {QStringLiteral("afterLast"), &Cut::afterLast},
    {QStringLiteral("remove"), &Cut::remove},
    {QStringLiteral("afterDroppingLead"), &Cut::afterDroppingLead},
    {QStringLiteral("fromDroppingLead"), &Cut::fromDroppingLead},
};

// The expected value of a cut that fails.
const QString kFails;

} // namespace

class TestCut : public QObject {
    Q_OBJECT

private slots:
    void cuts_data() {
        QTest::addColumn<QString>("op");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("marker");
        QTest::addColumn<QString>("expected");

        addRow("after: first occurrence", "after", "a|b|c", "|", "b|c");
        addRow("after: absent marker fails", "after", "abc", "|", kFails);
        addRow("after: case-sensitive", "after", "aXb", "x", kFails);
        addRow("before: first occurrence", "before", "a|b|c", "|", "a");
        addRow("before: absent marker fails", "before", "abc", "|", kFails);
        addRow("from: keeps the marker", "from", "ab<c>d", "<c>", "<c>d");
        addRow("afterLast: one character", "afterLast", "a/b/c.jpg", "/", "c.jpg");
        addRow("afterLast: longer marker", "afterLast", "x >> y >> z", ">>", " z");
        addRow("afterLast: absent marker fails", "afterLast", "abc", "/", kFails);
        addRow("remove: one pass", "remove", "aabb", "ab", "ab");
        addRow("remove: every occurrence", "remove", "cat-12cat-", "cat-", "12");
        // The item pages' reading: every later copy of the cut-off lead goes as well.
        addRow("afterDroppingLead: lead once", "afterDroppingLead", "ab|cd", "|", "cd");
        addRow("afterDroppingLead: lead again later", "afterDroppingLead", "ab|cdab|e", "|", "cde");
        addRow("afterDroppingLead: text begins with the marker", "afterDroppingLead", "|a|b|", "|", "ab");
        addRow("afterDroppingLead: absent marker fails", "afterDroppingLead", "abc", "|", kFails);
        addRow("fromDroppingLead: lead again later", "fromDroppingLead", "xy<b>xy", "<b>", "<b>");
        addRow("fromDroppingLead: text begins with the marker", "fromDroppingLead", "<b>x<b>", "<b>",
               "<b>x<b>");
        addRow("fromDroppingLead: absent marker fails", "fromDroppingLead", "abc", "<b>", kFails);
    }

    void cuts() {
        QFETCH(QString, op);
        QFETCH(QString, text);
        QFETCH(QString, marker);
        QFETCH(QString, expected);

        // A failed step leaves its target as it was.
        QString result = QStringLiteral("unchanged");
        const bool done = Step::run([&] { result = kCuts.value(op)(text, marker); });
        QCOMPARE(done, !expected.isNull());
        QCOMPARE(result, expected.isNull() ? QStringLiteral("unchanged") : expected);
    }

    void leftRightAndTrim() {
        QCOMPARE(Cut::left(QStringLiteral("黑龙江省哈尔滨"), 3), QStringLiteral("黑龙江"));
        QCOMPARE(Cut::left(QStringLiteral("ab"), 5), QStringLiteral("ab"));
        QCOMPARE(Cut::right(QStringLiteral("ab"), 24), QStringLiteral("ab"));
        QCOMPARE(Cut::trimSpaces(QStringLiteral("  a b \t ")), QStringLiteral("a b \t"));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestCut)
#include "tst_cut.moc"
