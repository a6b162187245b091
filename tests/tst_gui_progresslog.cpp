#include "gui/FileDialog.h"
#include "gui/ItemTableModel.h"
#include "gui/LogPanel.h"
#include "gui/MainWindow.h"
#include "gui/MessageBox.h"
#include "support/FixtureWebServer.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"
#include "support/TestPaths.h"
#include "support/WebTestSupport.h"

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace {

const QString kPaiPaiShop = QStringLiteral("http://shop.paipai.com/20090301/");
const QString kPaiPaiPicture =
    QStringLiteral("http://image.paipai.com/cgi-bin/showimg?uin=20090301&filename=20090301A0001.jpg&type=1");

// The window running the real crawlers against the fixture web, with short pauses.
struct FixtureWindow {
    explicit FixtureWindow(FixtureWebServer& server) {
        server.useAsProxy();
        RunEngineOptions options;
        options.programDir = dir.path();
        options.pauseScale = 0.05;
        window = std::make_unique<MainWindow>(std::move(options));
    }
    template <typename T> T* child(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    // Presses cmd_go for the shop and waits for the run to end.
    // platformButton: the Option1 button's number (0 PaiPai, 1 eBay, 2 Taobao).
    void collect(int platformButton, const QString& address) {
        child<QAbstractButton>(qPrintable(QStringLiteral("Option1_") + QString::number(platformButton)))
            ->click();
        child<QLineEdit>("txt_set_dz")->setText(address);
        QTest::mouseClick(child<QPushButton>("cmd_go"), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window->engine().isIdle(), 30000);
    }
    LogPanel* log() const { return window->logPanel(); }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

} // namespace

class TestGuiProgressLog : public QObject {
    Q_OBJECT

    FixtureWebServer m_server{fixturePath(QStringLiteral("web"))};

private slots:
    void initTestCase() {
        MessageBox::setUnattended(true);
        QVERIFY(m_server.start());
    }
    void init() {
        m_server.clearBehaviours();
        MessageBox::takeRecordedTexts();
    }

    // What the window shows each time the run's progress moves: grid rows, then the bar's value
    // and the count beside it ("rows:value:count"). Items a walk cannot read still count as reached.
    void progressAfterEachItem_data() {
        QTest::addColumn<int>("platform");
        QTest::addColumn<QString>("shop");
        QTest::addColumn<int>("total");
        QTest::addColumn<QStringList>("expected");
        QStringList taobao{QStringLiteral("0:0:已采集 0 / 共 7 个宝贝")};
        for (int item = 1; item <= 7; ++item)
            taobao << QStringLiteral("%1:%1:已采集 %1 / 共 7 个宝贝").arg(item);
        QTest::newRow("taobao, every item read")
            << 2 << QStringLiteral("http://shop11112222.taobao.com/") << 7 << taobao;
        // The shop states 21 items and lists 5: the third has no title, the fourth page cannot be
        // read, the fifth is cut short. The complete run ends at 5 of 5.
        QTest::newRow("paipai, items that cannot be read")
            << 0 << kPaiPaiShop << 21 << QStringList{QStringLiteral("0:0:已采集 0 / 共 21 个宝贝"),
                                                     QStringLiteral("1:1:已采集 1 / 共 21 个宝贝"),
                                                     QStringLiteral("2:2:已采集 2 / 共 21 个宝贝"),
                                                     QStringLiteral("2:3:已采集 3 / 共 21 个宝贝"),
                                                     QStringLiteral("2:4:已采集 4 / 共 21 个宝贝"),
                                                     QStringLiteral("2:5:已采集 5 / 共 21 个宝贝"),
                                                     QStringLiteral("2:5:已采集 5 / 共 5 个宝贝")};
    }

    void progressAfterEachItem() {
        QFETCH(int, platform);
        QFETCH(QString, shop);
        QFETCH(int, total);
        QFETCH(QStringList, expected);
        FixtureWindow f(m_server);
        auto* bar = f.child<QProgressBar>("progressBar");
        auto* count = f.child<QLabel>("lb_progress");
        auto* timeLeft = f.child<QLabel>("lb_time_left");
        QStringList seen;
        QStringList titles;
        QStringList timesLeft;
        bool busyAtStart = false;
        // Connected after the window's own slot: what the window shows once it has taken the report.
        connect(&f.window->engine(), &RunEngine::progressChanged, this, [&] {
            // The shop's total, until a complete run makes the bar whole.
            if (bar->value() != bar->maximum())
                QCOMPARE(bar->maximum(), total);
            seen << QStringLiteral("%1:%2:%3")
                        .arg(f.window->itemModel()->rowCount())
                        .arg(bar->value())
                        .arg(count->text());
            titles << f.window->windowTitle();
            timesLeft << timeLeft->text();
        });
        connect(&f.window->engine(), &RunEngine::runningChanged, this, [&](bool running) {
            if (running)
                busyAtStart = bar->minimum() == 0 && bar->maximum() == 0;
        });
        f.collect(platform, shop);

        QCOMPARE(seen, expected);
        QVERIFY(busyAtStart);
        // The title carries the percentage while the run is on, and only then; a complete run
        // ends at 100 %.
        const int last = expected.last().section(u':', 1, 1).toInt();
        QCOMPARE(titles.last(), QStringLiteral("Kestrune V20090307 - 100%"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Kestrune V20090307"));
        QCOMPARE(bar->value(), last);
        // The time left is estimated from the second item on, once the walk's pause is known.
        QCOMPARE(timesLeft.value(1), QStringLiteral("正在估算剩余时间"));
        QVERIFY2(timesLeft.value(2).startsWith(QStringLiteral("剩余约")), qPrintable(timesLeft.value(2)));
        QVERIFY(timeLeft->text().isEmpty());
    }

    // A shop whose total cannot be read keeps the bar busy; the run's end leaves it full.
    void unknownTotalKeepsTheBarBusy() {
        // A page of the shop's layout (GBK, as the site wrote it) whose total is missing.
        m_server.setContent(kPaiPaiShop, gbk(QStringLiteral("<html><body>商品数量：</body></html>")));
        FixtureWindow f(m_server);
        auto* bar = f.child<QProgressBar>("progressBar");
        f.collect(0, kPaiPaiShop);
        QCOMPARE(f.child<QLabel>("lb_progress")->text(), QStringLiteral("已采集 0 个宝贝"));
        QCOMPARE(bar->value(), bar->maximum());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Kestrune V20090307"));
    }

    // The log lists the picture that answered 404; the end of the run counts the items whose page
    // could not be read, in the status line and the log.
    void logListsA404Picture() {
        m_server.setStatus(kPaiPaiPicture, 404);
        FixtureWindow f(m_server);
        f.collect(0, kPaiPaiShop);

        const QStringList lines = f.log()->lines();
        QVERIFY(lines.size() > 10);
        const QRegularExpression picture404(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d 图片 HTTP 404 [0-9.]+秒 ") +
                                            QRegularExpression::escape(kPaiPaiPicture) + u'$');
        QVERIFY2(lines.indexOf(picture404) >= 0, qPrintable(lines.join(u'\n')));
        // Item 3 has no title, item 4's page is unreadable, item 5's list group cut short.
        QVERIFY(lines.filter(QStringLiteral(" 状态 宝贝未能采集（页面没有宝贝标题）")).size() == 1);
        QVERIFY(lines.filter(QStringLiteral(" 状态 宝贝未能采集（页面无法读取）")).size() == 2);
        QVERIFY2(lines.last().endsWith(QStringLiteral(" 结束 共2个宝贝，3个宝贝未能采集")),
                 qPrintable(lines.last()));
        // The file just written is offered; the status names it, and its tooltip is the whole text.
        const QString written = f.window->writtenFile();
        QVERIFY2(QDir::fromNativeSeparators(written).endsWith(QStringLiteral("/PaiPai_20090301_Taobao.csv")),
                 qPrintable(written));
        const QString status =
            QStringLiteral("全部采集完成：共2个宝贝，文件：%1；店铺标明21个宝贝，实际找到5个；"
                           "3个宝贝未能采集（见日志）；1张图片未能保存")
                .arg(written);
        QCOMPARE(f.child<QLabel>("lb_stat_txt")->text(), status);
        QCOMPARE(f.child<QLabel>("lb_stat_txt")->toolTip(), status);
        QCOMPARE(f.child<QPlainTextEdit>("txt_log")->blockCount(), lines.size());

        // A new run starts a new log.
        m_server.clearBehaviours();
        f.collect(0, QStringLiteral("http://nowhere"));
        QCOMPARE(f.log()->lines().size(), 1);
        QVERIFY(f.log()->lines().first().endsWith(QStringLiteral(" 消息 拍拍店铺地址不对")));
    }

    // "保存日志" writes every line to the file chosen in the dialog, as UTF-8 text.
    void saveLog_data() {
        QTest::addColumn<QString>("answer"); // the dialog's answer: "cancel", or a name in the folder
        QTest::addColumn<bool>("written");
        QTest::addColumn<QString>("message");
        addRow("saved", "log.txt", true, "");
        addRow("cancelled", "cancel", false, "");
        addRow("folder missing", "no/such/log.txt", false, "日志保存失败：");
    }

    void saveLog() {
        QFETCH(QString, answer);
        QFETCH(bool, written);
        QFETCH(QString, message);
        FixtureWindow f(m_server);
        f.log()->appendLine(QStringLiteral("09:00:01 页面 成功 0.10秒 http://shop.paipai.com/1/"));
        f.log()->appendLine(QStringLiteral("09:00:02 消息 拍拍店铺地址不对"));
        const QString path = f.dir.filePath(answer);
        if (answer == u"cancel")
            FileDialog::setNextCancel();
        else
            FileDialog::setNextFileName(path);
        QTest::mouseClick(f.child<QPushButton>("cmd_save_log"), Qt::LeftButton);

        const QList<FileDialog::Shown> shown = FileDialog::takeShownDialogs();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().mode, FileDialog::Mode::Save);
        // The dialog opens in the program folder.
        QCOMPARE(shown.first().fileName, f.dir.filePath(QStringLiteral("采集日志.txt")));
        QCOMPARE(QFile::exists(path), written);
        if (written) {
            QCOMPARE(fileBytes(path), QStringLiteral("09:00:01 页面 成功 0.10秒 http://shop.paipai.com/1/\n"
                                                     "09:00:02 消息 拍拍店铺地址不对\n")
                                          .toUtf8());
            QVERIFY(f.child<QLabel>("lb_stat_txt")->text().startsWith(QStringLiteral("日志已保存到")));
        }
        const QStringList boxes = MessageBox::takeRecordedTexts();
        QCOMPARE(boxes.size(), message.isEmpty() ? 0 : 1);
        if (!message.isEmpty())
            QVERIFY(boxes.first().startsWith(message));
    }

    // Folded, the log keeps its title row and the grid takes the room.
    void logFoldsAway() {
        FixtureWindow f(m_server);
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        auto* grid = f.child<QTreeView>("ListView1");
        auto* text = f.child<QPlainTextEdit>("txt_log");
        QVERIFY(text->isVisible());
        const int gridHeight = grid->height();
        f.child<QToolButton>("logToggle")->click();
        QVERIFY(f.log()->isCollapsed());
        QVERIFY(!text->isVisible());
        QTRY_VERIFY(grid->height() > gridHeight);
        f.child<QToolButton>("logToggle")->click();
        QVERIFY(text->isVisible());
        QTRY_COMPARE(grid->height(), gridHeight);
    }
};

KESTRUNE_TEST_MAIN(TestGuiProgressLog)
#include "tst_gui_progresslog.moc"
