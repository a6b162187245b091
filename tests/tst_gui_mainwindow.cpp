#include "formats/ItemRecord.h"
#include "formats/OutputJournal.h"
#include "formats/RowWriter.h"
#include "gui/ConversionPanel.h"
#include "gui/ElidedLabel.h"
#include "gui/ItemGridView.h"
#include "gui/ItemTableModel.h"
#include "gui/LogPanel.h"
#include "gui/MainWindow.h"
#include "gui/MessageBox.h"
#include "gui/RememberedChoices.h"
#include "gui/WindowPlacement.h"
#include "run/Messages.h"
#include "run/RunState.h"
#include "run/SettingsKeys.h"
#include "run/ShopAddress.h"
#include "run/ShopWalkHost.h"
#include "support/ExtractionTestSupport.h"
#include "support/TestMain.h"
#include "support/WebTestSupport.h"

#include "support/FixtureWebServer.h"
#include "support/FormatTestFiles.h"
#include "support/TestPaths.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMutex>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>

#include <atomic>
#include <memory>

namespace {

using Crawl = std::function<void(ShopWalkHost&)>;

// A window on a fresh program folder whose three crawlers all run `crawl` (or just stop). The
// crawl runs on the engine's thread: it may touch its context, never a widget.
struct Harness {
    explicit Harness(Crawl crawl = {}) {
        auto counted = [this, crawl](ShopWalkHost& ctx) {
            ++crawls;
            if (crawl)
                crawl(ctx);
            return testWalkEnd();
        };
        RunEngineOptions options;
        options.programDir = dir.path();
        options.crawlers = CollectCommand::Crawlers{counted, counted, counted};
        options.flush = [this](RowWriter& writer) {
            ++flushes;
            writer.takePendingOutput();
            return Status::success();
        };
        window = std::make_unique<MainWindow>(std::move(options));
    }

    template <typename T> T* child(const char* name) const {
        T* widget = window->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }

    // Presses cmd_go; the run goes on by itself.
    // platformButton: the Option1 button's number (0 PaiPai, 1 eBay, 2 Taobao).
    void start(int platformButton, const QString& address) {
        child<QRadioButton>(qPrintable(QStringLiteral("Option1_") + QString::number(platformButton)))
            ->click();
        child<QLineEdit>("txt_set_dz")->setText(address);
        QTest::mouseClick(child<QPushButton>("cmd_go"), Qt::LeftButton);
    }
    // Presses cmd_go and waits for the run to end.
    void collect(int platformButton, const QString& address) {
        start(platformButton, address);
        QTRY_VERIFY_WITH_TIMEOUT(window->engine().isIdle(), 20000);
    }

    QString ini(const QString& key) const {
        return window->settings().readValue(SettingsKeys::kSection, key);
    }

    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
    std::atomic<int> crawls = 0;
    std::atomic<int> flushes = 0;
};

// A crawl's loop waiting for the stop: turns until the stop reaches it.
void waitForStop(ShopWalkHost& ctx) {
    while (!ctx.stopRequested())
        ctx.pause(10);
}

bool shown(QWidget* widget) {
    return !widget->isHidden();
}

// The window running the real crawlers against the fixture web, with short pauses.
struct LiveShop {
    LiveShop() : server(fixturePath(QStringLiteral("web"))) {
        started = server.start();
        server.useAsProxy();
        RunEngineOptions options;
        options.programDir = dir.path();
        options.pauseScale = 0.05;
        window = std::make_unique<MainWindow>(std::move(options));
    }
    ~LiveShop() {
        window->engine().requestStop();
        QTRY_VERIFY_WITH_TIMEOUT(window->engine().isIdle(), 20000);
    }
    QWidget* control(const char* name) const {
        return window->findChild<QWidget*>(QString::fromLatin1(name));
    }
    // Starts the Taobao shop with a long walk and waits for its first row.
    void startLongRun() {
        qobject_cast<QAbstractButton*>(control("Option1_2"))->click();
        qobject_cast<QLineEdit*>(control("txt_set_dz"))
            ->setText(QStringLiteral("http://shop12345678.taobao.com/"));
        QTest::mouseClick(qobject_cast<QPushButton*>(control("cmd_go")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window->itemModel()->rowCount() > 0, 20000);
    }
    int rows() const { return window->itemModel()->rowCount(); }
    qsizetype requests() const { return server.requestedAddresses().size(); }

    FixtureWebServer server;
    bool started = false;
    QTemporaryDir dir;
    std::unique_ptr<MainWindow> window;
};

// Runs `open` (which shows a modal box and returns when it closes) and closes the box once
// `enough` holds; false when the box had to be closed because it never did.
bool closeModalBoxWhen(const std::function<void()>& open, const std::function<bool()>& enough) {
    bool satisfied = false;
    QTimer watch;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        satisfied = enough();
        if (satisfied || clock.elapsed() > 20000)
            box->done(QMessageBox::Ok);
    });
    watch.start(20);
    open();
    return satisfied;
}

// Takes the addresses QDesktopServices would give the desktop.
class FakeDesktop : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

// The frame and the inner geometry a window has once shown, and whether it is maximised.
struct Placed {
    QRect frame;
    QRect inner;
    bool maximized = false;
    bool operator==(const Placed& other) const {
        return frame == other.frame && inner == other.inner && maximized == other.maximized;
    }
};

// Under a window manager (the test run by hand on X11) the frame comes a moment after the window.
void settleFrame() {
    if (QGuiApplication::platformName() != u"offscreen")
        QTest::qWait(200);
    QCoreApplication::processEvents();
}

Placed openAndClose(const QString& folder) {
    MainWindow window(folder);
    window.showAtSavedPlacement();
    if (!QTest::qWaitForWindowExposed(&window))
        qFatal("window not exposed");
    settleFrame();
    const Placed placed{window.frameGeometry(), window.normalGeometry(), window.isMaximized()};
    window.close();
    return placed;
}

} // namespace

class TestGuiMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { MessageBox::setUnattended(true); }
    void init() {
        MessageBox::takeRecordedTexts();
        MessageBox::takeRecordedKinds();
    }

    // Each row is named after the control it checks.
    void controlsAndCaptions_data() {
        QTest::addColumn<QString>("caption");

        QTest::newRow("Fm2") << "迁移设置选项";
        QTest::newRow("lb_set_mb") << "交易平台:";
        QTest::newRow("Option1_0") << "拍拍";
        QTest::newRow("Option1_1") << "易趣";
        QTest::newRow("Option1_2") << "淘宝";
        QTest::newRow("lb_set_dz") << "店铺地址:";
        QTest::newRow("lb_autosave") << "输入到";
        QTest::newRow("Option5_0") << "淘宝助理";
        QTest::newRow("Option5_1") << "易趣助理";
        QTest::newRow("Option5_2") << "拍拍助理";
        QTest::newRow("Option5_3") << "淘宝助理5";
        QTest::newRow("Option5_4") << "Shopify";
        QTest::newRow("Option5_5") << "WooCommerce";
        QTest::newRow("cmd_go") << "提取商品信息";
        QTest::newRow("Cmd_stop") << "停止提取";
        QTest::newRow("lb_stat") << "状态显示：";
        QTest::newRow("Frame2") << "淘宝助手、拍拍助手、易趣助手导出文件相互转换";
    }

    void controlsAndCaptions() {
        QFETCH(QString, caption);
        const QString name = QString::fromLatin1(QTest::currentDataTag());
        Harness h;
        QWidget* widget = h.window->findChild<QWidget*>(name);
        QVERIFY2(widget, qPrintable(name));
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(widget))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(widget))
            text = label->text();
        else if (auto* box = qobject_cast<QGroupBox*>(widget))
            text = box->title();
        QCOMPARE(text, caption);
    }

    void openingState() {
        Harness h;
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Kestrune V20090307"));
        QCOMPARE(h.window->objectName(), QStringLiteral("Form1"));
        QVERIFY(h.child<QRadioButton>("Option1_0")->isChecked());
        QVERIFY(h.child<QRadioButton>("Option5_0")->isChecked());
        // Every run saves as it goes: there is no box to switch that off.
        QVERIFY(!h.window->findChild<QWidget*>(QStringLiteral("chk_autosave")));
        QVERIFY(shown(h.child<QPushButton>("cmd_go")));
        QVERIFY(!shown(h.child<QPushButton>("Cmd_stop")));
        QVERIFY(h.window->findChild<QWidget*>(QStringLiteral("Frame4")));
        QVERIFY(h.window->findChild<QLabel*>(QStringLiteral("lb_stat_txt")));
        QCOMPARE(h.window->selectedPlatform(), Platform::PaiPai);
        QCOMPARE(h.window->selectedFormat(), FileFormat::TaobaoAssistant);
    }

    // The window can be resized and maximised; the grid takes the room, and the placement comes
    // back at the next start.
    void resizableWindowRemembersItsPlacement() {
        QTemporaryDir dir;
        QSize grown;
        int gridHeight = 0;
        {
            MainWindow window(dir.path());
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            // It opens at its default size: the grid's main columns side by side, within the screen.
            QCOMPARE(window.size(), window.defaultSize());
            gridHeight = window.findChild<QTreeView*>(QStringLiteral("ListView1"))->height();
            // Larger, within the screen (the offscreen one is small).
            const QSize screen = window.screen()->availableGeometry().size();
            grown = (window.size() + QSize(240, 180)).boundedTo(screen);
            QVERIFY(grown.height() > window.height());
            const int extraHeight = grown.height() - window.height();
            window.resize(grown);
            QTRY_COMPARE(window.size(), grown);
            QTRY_COMPARE(window.findChild<QTreeView*>(QStringLiteral("ListView1"))->height(),
                         gridHeight + extraHeight);
            QVERIFY(window.close());
        }
        SettingsStore settings(QDir(dir.path()).filePath(QStringLiteral("Kestrune.ini")));
        QCOMPARE(settings.readValue(WindowPlacement::kSection, QStringLiteral("Width")),
                 QString::number(grown.width()));
        QCOMPARE(settings.readValue(WindowPlacement::kSection, QStringLiteral("Maximized")),
                 QStringLiteral("0"));
        // The breakpoint section is none of the window's business.
        QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint), QString());

        MainWindow again(dir.path());
        again.showAtSavedPlacement();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QCOMPARE(again.size(), grown);
        QVERIFY(!again.isMaximized());
        again.close();
    }

    // Closed and opened again ten times, the window stays where it was put.
    void placementRoundTrips_data() {
        QTest::addColumn<bool>("maximized");
        addRow("normal", false);
        addRow("maximised", true);
    }

    void placementRoundTrips() {
        QFETCH(bool, maximized);
        QTemporaryDir dir;
        Placed first;
        {
            MainWindow window(dir.path());
            window.showAtSavedPlacement();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const QRect available = window.screen()->availableGeometry();
            window.resize(window.minimumSizeHint().expandedTo(QSize(600, 420)).boundedTo(available.size()));
            window.move(available.topLeft() + QPoint(37, 23));
            if (maximized)
                window.showMaximized();
            QTRY_COMPARE(window.isMaximized(), maximized);
            settleFrame();
            first = {window.frameGeometry(), window.normalGeometry(), window.isMaximized()};
            window.close();
        }
        for (int start = 0; start < 10; ++start)
            QCOMPARE(openAndClose(dir.path()), first);
    }

    // A saved placement the screen cannot hold (another monitor, another resolution) is brought
    // onto the available screen whole.
    void placementIsClampedToTheScreen_data() {
        QTest::addColumn<QPoint>("offset"); // from the available area's top-left
        QTest::addColumn<QSize>("grow");    // added to the available area's size
        addRow("far to the right", QPoint(5000, 40), QSize(-200, -200));
        addRow("above the top", QPoint(30, -400), QSize(-200, -200));
        addRow("left of the screen", QPoint(-3000, 30), QSize(-200, -200));
        addRow("larger than the screen", QPoint(0, 0), QSize(900, 700));
    }

    void placementIsClampedToTheScreen() {
        QFETCH(QPoint, offset);
        QFETCH(QSize, grow);
        QTemporaryDir dir;
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        {
            QWidget saved;
            saved.setGeometry(QRect(available.topLeft() + offset, available.size() + grow));
            SettingsStore settings(QDir(dir.path()).filePath(QStringLiteral("Kestrune.ini")));
            QVERIFY(settings.writeValue(WindowPlacement::kSection, WindowPlacement::kGeometryKey,
                                        QString::fromLatin1(saved.saveGeometry().toBase64())));
        }
        MainWindow window(dir.path());
        window.placeAtSavedPlacement();
        QVERIFY2(available.contains(window.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                            .arg(window.x())
                                                                            .arg(window.y())
                                                                            .arg(window.width())
                                                                            .arg(window.height())));
    }

    // A first start opens in the middle of the screen, at a size that shows the grid's main
    // columns side by side (within the screen), so the start-up boxes appear over it.
    void firstStartOpensInTheMiddle() {
        QTemporaryDir dir;
        MainWindow window(dir.path());
        window.placeAtSavedPlacement();
        const QRect available = window.screen()->availableGeometry();
        QVERIFY(available.contains(window.frameGeometry()));
        QVERIFY(qAbs(window.geometry().center().x() - available.center().x()) <= 1 ||
                window.width() >= available.width() - 16);
        QCOMPARE(window.size(), window.defaultSize());
        QVERIFY(window.width() >= qMin(window.grid()->mainColumnsWidth(), available.width() - 16));
    }

    // A box shown before the window (the usage notice, the resume offer) appears over the place
    // the window is about to open at, not in the screen's corner.
    void startupBoxIsCentredOnTheWindow() {
        QTemporaryDir dir;
        // Closed last away from the screen's corner, smaller than the screen.
        {
            MainWindow closed(dir.path());
            const QRect available = closed.screen()->availableGeometry();
            closed.resize(closed.minimumSizeHint());
            closed.move(available.topLeft() + QPoint(available.width() - closed.width(), 0) / 2 +
                        QPoint(0, 5));
            closed.show();
            QVERIFY(QTest::qWaitForWindowExposed(&closed));
            closed.close();
        }
        MainWindow window(dir.path());
        window.placeAtSavedPlacement();
        QVERIFY2(window.x() > 20, qPrintable(QString::number(window.x())));
        QMessageBox box(QMessageBox::Question, QStringLiteral("Kestrune"), Messages::kUsageNotice,
                        QMessageBox::Yes | QMessageBox::No, &window);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QPoint offset = box.frameGeometry().center() - window.geometry().center();
        QVERIFY2(offset.manhattanLength() < 60,
                 qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
        box.close();
    }

    // Opening the written file or its folder falls back to the clipboard and says so.
    void openingFallsBackToTheClipboard_data() {
        QTest::addColumn<QString>("action");
        QTest::addColumn<bool>("desktop");
        addRow("file opened", QStringLiteral("file"), true);
        addRow("file copied", QStringLiteral("file"), false);
        addRow("folder opened", QStringLiteral("folder"), true);
        addRow("folder copied", QStringLiteral("folder"), false);
    }

    void openingFallsBackToTheClipboard() {
        QFETCH(QString, action);
        QFETCH(bool, desktop);
        Harness h;
        QDir(h.dir.path()).mkpath(QStringLiteral("out"));
        const QString file = QDir(h.dir.path()).filePath(QStringLiteral("out/Taobao_8.csv"));
        putFileBytes(file, "x");
        h.window->offerWrittenFile(file);
        QVERIFY(shown(h.child<QPushButton>("cmd_open_file")));
        QVERIFY(shown(h.child<QPushButton>("cmd_open_folder")));
        FakeDesktop fake;
        if (desktop)
            QDesktopServices::setUrlHandler(QStringLiteral("file"), &fake, "open");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        const QString statusBefore = h.child<QLabel>("lb_stat_txt")->text();

        const bool isFile = action == u"file";
        const QString target = isFile ? file : QFileInfo(file).absolutePath();
        QTest::mouseClick(h.child<QPushButton>(isFile ? "cmd_open_file" : "cmd_open_folder"), Qt::LeftButton);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        if (desktop) {
            QCOMPARE(fake.opened, QList<QUrl>{QUrl::fromLocalFile(target)});
            QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
            QCOMPARE(h.child<QLabel>("lb_stat_txt")->text(), statusBefore);
        } else {
            const QString native = QDir::toNativeSeparators(target);
            QCOMPARE(QGuiApplication::clipboard()->text(), native);
            QCOMPARE(h.child<QLabel>("lb_stat_txt")->text(),
                     (isFile ? QStringLiteral("没有可打开此文件的程序，文件路径已复制到剪贴板：")
                             : QStringLiteral("没有可用的文件管理器，文件夹路径已复制到剪贴板：")) +
                         native);
        }
    }

    // A conversion's result goes to the status line and the log too, and its file is offered.
    void conversionIsReported() {
        Harness h;
        const QString source = QDir(h.dir.path()).filePath(QStringLiteral("shop.csv"));
        QFile::copy(fixturePath(QStringLiteral("convert/ebay_source.csv")), source);
        h.child<QRadioButton>("Option3_2")->click();
        FileDialog::setNextFileName(source);
        QTest::mouseClick(h.child<QPushButton>("cmd_select"), Qt::LeftButton);
        const QString output = QDir(h.dir.path()).filePath(QStringLiteral("shop_Taobao.txt"));
        QTest::mouseClick(h.child<QPushButton>("cmd_conv"), Qt::LeftButton);
        QTRY_VERIFY(h.window->findChild<ConversionPanel*>()->job().isIdle());
        const QString message =
            QStringLiteral("转换2个宝贝完成，生成文件为：") + QDir::toNativeSeparators(output);
        QCOMPARE(MessageBox::takeRecordedTexts(), QStringList{message});
        // The bar shows the conversion went through, the count beside it.
        QCOMPARE(h.child<QLabel>("lb_progress")->text(), QStringLiteral("已转换 2 个宝贝"));
        QCOMPARE(h.child<QProgressBar>("progressBar")->value(), 1);
        QCOMPARE(MessageBox::takeRecordedKinds(), QList<MessageBox::Kind>{MessageBox::Kind::Information});
        QCOMPARE(h.child<QLabel>("lb_stat_txt")->text(), message);
        QVERIFY(h.window->logPanel()->lines().constLast().endsWith(message));
        QCOMPARE(h.window->writtenFile(), output);
        QVERIFY(shown(h.child<QPushButton>("cmd_open_file")));

        // A refusal is a warning, said in the status line as well.
        h.child<QLineEdit>("txt_path")->clear();
        QTest::mouseClick(h.child<QPushButton>("cmd_conv"), Qt::LeftButton);
        QCOMPARE(MessageBox::takeRecordedKinds(), QList<MessageBox::Kind>{MessageBox::Kind::Warning});
        QCOMPARE(h.child<QLabel>("lb_stat_txt")->text(), MessageBox::takeRecordedTexts().value(0));
    }

    // What of a conversion did not come through whole reaches the log, each line as it is found;
    // the status line keeps what the conversion as a whole says.
    void conversionWarningsReachTheLog() {
        Harness h;
        const QString source = QDir(h.dir.path()).filePath(QStringLiteral("damaged.txt"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(taobaoHeaderNames().toUtf8() + "\r\n\"" + QStringLiteral("宝贝").toUtf8() + "\xFF" +
                   "1\"\t1\r\n\"" + QStringLiteral("宝贝二").toUtf8() + "\"\t2\r\n");
        file.close();
        h.child<QRadioButton>("Option3_0")->click();
        FileDialog::setNextFileName(source);
        QTest::mouseClick(h.child<QPushButton>("cmd_select"), Qt::LeftButton);
        QTest::mouseClick(h.child<QPushButton>("cmd_conv"), Qt::LeftButton);
        QTRY_VERIFY(h.window->findChild<ConversionPanel*>()->job().isIdle());

        const QStringList texts = MessageBox::takeRecordedTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts.at(0).startsWith(QStringLiteral("转换2个宝贝完成")));
        const QStringList lines = h.window->logPanel()->lines();
        QVERIFY(lines.size() >= 2);
        QVERIFY(lines.at(lines.size() - 2)
                    .endsWith(QStringLiteral("第1个宝贝含有无法识别的字符，已替换为\uFFFD：宝贝\uFFFD1")));
        QVERIFY(lines.constLast().endsWith(texts.at(0)));
        QCOMPARE(h.child<QLabel>("lb_stat_txt")->text(), texts.at(0));
    }

    // Both dialogs of the panel open in the program folder while their path box is empty.
    void conversionDialogsOpenInTheProgramFolder() {
        Harness h;
        FileDialog::takeShownDialogs();
        FileDialog::setNextCancel();
        QTest::mouseClick(h.child<QPushButton>("cmd_select"), Qt::LeftButton);
        FileDialog::setNextCancel();
        QTest::mouseClick(h.child<QPushButton>("cmd_select_save"), Qt::LeftButton);
        const QList<FileDialog::Shown> shownDialogs = FileDialog::takeShownDialogs();
        QCOMPARE(shownDialogs.size(), 2);
        for (const FileDialog::Shown& dialog : shownDialogs)
            QCOMPARE(dialog.startsIn, h.window->paths().programDir());
        QCOMPARE(h.child<QLineEdit>("txt_path")->text(), QString());
    }

    // The platform, address and format chosen last come back; the notice is asked once per text.
    void choicesAreRemembered_data() {
        QTest::addColumn<int>("platformButton");
        QTest::addColumn<int>("formatButton");
        QTest::addColumn<QString>("address");
        addRow("淘宝 into 拍拍助理", 2, 2, QStringLiteral("http://shop12345678.taobao.com/"));
        addRow("易趣 into 淘宝助理5", 1, 3, QStringLiteral("http://stores.ebay.com.cn/meihuaju"));
        addRow("拍拍 into 易趣助理", 0, 1, QStringLiteral("http://shop.paipai.com/20090301/"));
        addRow("淘宝 into WooCommerce", 2, 5, QStringLiteral("http://shop12345678.taobao.com/"));
    }

    void choicesAreRemembered() {
        QFETCH(int, platformButton);
        QFETCH(int, formatButton);
        QFETCH(QString, address);
        QTemporaryDir dir;
        {
            MainWindow window(dir.path());
            MessageBox::setNextAnswer(MessageBox::Yes);
            QVERIFY(window.runStartup());
            QCOMPARE(MessageBox::takeRecordedTexts(), QStringList{Messages::kUsageNotice});
            window.findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(platformButton))->click();
            window.findChild<QRadioButton*>(QStringLiteral("Option5_%1").arg(formatButton))->click();
            window.findChild<QLineEdit*>(QStringLiteral("txt_set_dz"))->setText(address);
            window.showAtSavedPlacement();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.close();
        }
        MainWindow again(dir.path());
        QVERIFY(again.runStartup());
        QCOMPARE(MessageBox::takeRecordedTexts(), QStringList());
        QVERIFY(
            again.findChild<QRadioButton*>(QStringLiteral("Option1_%1").arg(platformButton))->isChecked());
        QVERIFY(again.findChild<QRadioButton*>(QStringLiteral("Option5_%1").arg(formatButton))->isChecked());
        QCOMPARE(again.addressText(), address);

        // A notice of another text is asked again.
        SettingsStore& settings = again.settings();
        QVERIFY(RememberedChoices::noticeAccepted(settings, Messages::kUsageNotice));
        QVERIFY(!RememberedChoices::noticeAccepted(settings, Messages::kUsageNotice + u'!'));
        QVERIFY(settings.writeValue(RememberedChoices::kSection, QStringLiteral("AcceptedNotice"),
                                    QStringLiteral("0123")));
        MainWindow third(dir.path());
        MessageBox::setNextAnswer(MessageBox::Yes);
        QVERIFY(third.runStartup());
        QCOMPARE(MessageBox::takeRecordedTexts(), QStringList{Messages::kUsageNotice});
    }

    // Values that name nothing are passed over; the window keeps its opening choices.
    void damagedChoicesAreIgnored() {
        QTemporaryDir dir;
        SettingsStore settings(QDir(dir.path()).filePath(QStringLiteral("Kestrune.ini")));
        QVERIFY(settings.writeValue(RememberedChoices::kSection, QStringLiteral("Platform"),
                                    QStringLiteral("amazon")));
        QVERIFY(
            settings.writeValue(RememberedChoices::kSection, QStringLiteral("Format"), QStringLiteral("7")));
        MainWindow window(dir.path());
        QCOMPARE(window.selectedPlatform(), Platform::PaiPai);
        QCOMPARE(window.selectedFormat(), FileFormat::TaobaoAssistant);
        QCOMPARE(window.addressText(), QString());
    }

    // A status longer than the window ends in "…"; the whole text is the tooltip.
    void statusIsElided() {
        Harness h;
        h.window->resize(h.window->minimumSizeHint());
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window.get()));
        auto* status = h.child<ElidedLabel>("lb_stat_txt");
        const QString shortText = QStringLiteral("已停止：已采集3个宝贝");
        h.window->setStatusText(shortText);
        QCOMPARE(status->shownText(), shortText);
        QVERIFY(!status->isElided());
        const QString longText = QStringLiteral("全部采集完成：共7个宝贝，文件：") + QString(300, u'长') +
                                 QStringLiteral("；店铺标明8个宝贝，实际找到9个");
        h.window->setStatusText(longText);
        QCOMPARE(status->text(), longText);
        QCOMPARE(status->toolTip(), longText);
        QVERIFY(status->isElided());
        QVERIFY(status->shownText().endsWith(QChar(0x2026)));
        QVERIFY(status->fontMetrics().horizontalAdvance(status->shownText()) <=
                status->contentsRect().width());
        // The long text does not widen the window.
        QVERIFY(h.window->minimumSizeHint().width() < status->fontMetrics().horizontalAdvance(longText));
    }

    void damagedPlacementIsIgnored_data() {
        QTest::addColumn<QStringList>("values"); // Left, Top, Width, Height, Maximized
        QTest::addColumn<bool>("restored");
        addRow("saved", QStringLiteral("10,20,700,500,0").split(u','), true);
        addRow("width missing", QStringLiteral("10,20,,500,0").split(u','), false);
        addRow("not a number", QStringLiteral("10,20,wide,500,0").split(u','), false);
        addRow("negative height", QStringLiteral("10,20,700,-5,0").split(u','), false);
        addRow("maximised", QStringLiteral("10,20,700,500,1").split(u','), true);
    }

    void damagedPlacementIsIgnored() {
        QFETCH(QStringList, values);
        QFETCH(bool, restored);
        QTemporaryDir dir;
        SettingsStore settings(QDir(dir.path()).filePath(QStringLiteral("Kestrune.ini")));
        const QStringList keys = QStringLiteral("Left,Top,Width,Height,Maximized").split(u',');
        for (int i = 0; i < keys.size(); ++i) {
            if (!values.at(i).isEmpty())
                QVERIFY(settings.writeValue(WindowPlacement::kSection, keys.at(i), values.at(i)));
        }
        const std::optional<WindowPlacement> placement = WindowPlacement::read(settings);
        QCOMPARE(placement.has_value(), restored);
        if (restored) {
            QCOMPARE(placement->geometry, QRect(10, 20, 700, 500));
            QCOMPARE(placement->maximized, values.at(4) == u"1");
        }
    }

    // A placement larger than the screen, or below the window's minimum, is brought within both.
    void placementFitsTheScreen() {
        QTemporaryDir dir;
        MainWindow window(dir.path());
        WindowPlacement huge{QRect(0, 0, 50000, 40000), false};
        huge.applyTo(window);
        const QSize screen = window.screen()->availableGeometry().size();
        QVERIFY(window.width() <= qMax(screen.width(), window.minimumSizeHint().width()));
        QVERIFY(window.height() <= qMax(screen.height(), window.minimumSizeHint().height()));
        WindowPlacement tiny{QRect(0, 0, 10, 10), false};
        tiny.applyTo(window);
        QVERIFY(window.width() >= window.minimumSizeHint().width());
        QVERIFY(window.height() >= window.minimumSizeHint().height());
    }

    void twipsToPixels_data() {
        QTest::addColumn<int>("twips");
        QTest::addColumn<int>("dpi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("window at 96 dpi") << 8775 << 96 << 585;
        QTest::newRow("window at 120 dpi") << 8775 << 120 << 731;
        QTest::newRow("title column rounds") << 1600 << 96 << 107;
    }

    void twipsToPixels() {
        QFETCH(int, twips);
        QFETCH(int, dpi);
        QFETCH(int, pixels);
        QCOMPARE(MainWindow::twipsToPixels(twips, dpi), pixels);
    }

    void gridColumns() {
        Harness h;
        auto* grid = h.child<QTreeView>("ListView1");
        QAbstractItemModel* model = grid->model();
        QCOMPARE(model->columnCount(), 31);
        for (int column = 0; column < 31; ++column) {
            QCOMPARE(model->headerData(column, Qt::Horizontal).toString(),
                     ItemRecord::captions()[static_cast<size_t>(column)]);
            // The title column is the wide one; every other column shows its caption whole.
            if (column > 0) {
                QVERIFY(grid->columnWidth(column) < grid->columnWidth(0));
                QVERIFY(grid->columnWidth(column) >=
                        grid->fontMetrics().horizontalAdvance(
                            ItemRecord::captions()[static_cast<size_t>(column)]));
            }
        }
    }

    // The status line names the program folder at start, and the file and item count after a
    // run; only then is the folder offered.
    void runEndNamesTheFileAndOffersTheFolder_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("status");
        addRow("two items", QStringLiteral("http://shop8.taobao.com"), 2,
               QStringLiteral("全部采集完成：共2个宝贝，文件：%1"));
        addRow("no items", QStringLiteral("http://shop8.taobao.com"), 0,
               QStringLiteral("全部采集完成：共0个宝贝，文件：%1"));
        // The refusal, not the ending of the run before.
        addRow("address rejected", QStringLiteral("http://nowhere"), 0, Messages::kTaobaoAddressWrong);
    }

    void runEndNamesTheFileAndOffersTheFolder() {
        QFETCH(QString, address);
        QFETCH(int, rows);
        QFETCH(QString, status);
        Harness h([rows](ShopWalkHost& ctx) {
            for (int i = 0; i < rows; ++i) {
                handItem(ctx, parsedTestItem(testRecord(QString::number(i))), i + 1);
            }
        });
        const bool rejected = !status.contains(QStringLiteral("%1"));
        if (!rejected)
            status = status.arg(
                QDir::toNativeSeparators(QDir(h.dir.path()).filePath(QStringLiteral("Taobao_8.csv"))));
        auto* statusText = h.child<QLabel>("lb_stat_txt");
        auto* openFolder = h.child<QPushButton>("cmd_open_folder");
        QCOMPARE(openFolder->text(), QStringLiteral("打开输出文件夹"));
        const QString atStart =
            QStringLiteral("程序文件夹：") + QDir::toNativeSeparators(QDir(h.dir.path()).absolutePath());
        QCOMPARE(statusText->text(), atStart);
        QVERIFY(!shown(openFolder));

        h.collect(2, address);
        QCOMPARE(shown(openFolder), !rejected);
        QCOMPARE(statusText->text(), status);
        if (rejected) {
            QCOMPARE(MessageBox::takeRecordedKinds(), QList<MessageBox::Kind>{MessageBox::Kind::Warning});
            return;
        }
        // A new run hides it again until it ends.
        h.window->setRunning(true);
        QVERIFY(!shown(openFolder));
    }

    void addressRules_data() {
        QTest::addColumn<int>("platform");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("fileName");

        const QString accepted;
        addRow("empty", 2, "", Messages::kAddressEmpty, "");
        addRow("paipai leading space", 0, " http://shop.paipai.com/1", accepted, "PaiPai_1_eBay.csv");
        addRow("ebay wrong", 1, "http://www.paipai.com/1", Messages::kEbayAddressWrong, "");
        addRow("paipai address, ebay chosen", 1, "http://shop.paipai.com/1",
               Messages::kPaiPaiAddressChosenWrongly, "");
        addRow("paipai", 0, "http://shop.paipai.com/12345/", accepted, "PaiPai_12345_eBay.csv");
        addRow("paipai exact prefix", 0, "http://shop.paipai.com/", accepted, "PaiPai__eBay.csv");
        addRow("taobao leading spaces", 2, "  http://shop3.taobao.com", accepted, "Taobao_3_eBay.csv");
        addRow("ebay capitals", 1, "HTTP://STORES.EBAY.COM.CN/Shop", accepted, "eBay_shop.csv");
        addRow("taobao without scheme", 2, "shop3.taobao.com/abc", accepted, "Taobao_3_eBay.csv");
        addRow("taobao shop number", 2, "http://shop8.taobao.com", accepted, "Taobao_8_eBay.csv");
    }

    void addressRules() {
        QFETCH(int, platform);
        QFETCH(QString, address);
        QFETCH(QString, message);
        QFETCH(QString, fileName);

        Harness h;
        h.child<QRadioButton>("Option5_1")->click();
        h.collect(platform, address);

        QCOMPARE(MessageBox::takeRecordedTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(h.crawls.load(), message.isEmpty() ? 1 : 0);
        QVERIFY(shown(h.child<QPushButton>("cmd_go")));
        QVERIFY(!shown(h.child<QPushButton>("Cmd_stop")));
        QVERIFY(h.child<QLineEdit>("txt_set_dz")->isEnabled());
        if (address.isEmpty()) {
            QVERIFY(!QFile::exists(h.window->paths().settingsFile()));
            return;
        }
        // A refused address records nothing; an accepted one its run, as the rules read it.
        if (!message.isEmpty()) {
            QCOMPARE(h.ini(SettingsKeys::kBreakPoint), QString());
            return;
        }
        // The crawl here ends at once without a stop: a complete run, nothing to resume.
        QCOMPARE(h.ini(SettingsKeys::kBreakPoint), QStringLiteral("0"));
        QCOMPARE(h.ini(SettingsKeys::kBreakPointUrl), ShopAddress::normalize(address));
        QCOMPARE(h.ini(SettingsKeys::kBreakPointOption), QStringLiteral("1"));
        QCOMPARE(h.ini(SettingsKeys::kBreakPointFileName), fileName);
        QCOMPARE(h.ini(SettingsKeys::kBreakPointSO),
                 fileName.isEmpty() ? QString() : QString::number(platform));
    }

    // Running: controls locked, buttons swapped, close refused; the stop click undoes it.
    void runningLocksControlsAndStopUnlocks() {
        Harness h([](ShopWalkHost& ctx) {
            emitTestRow(ctx, QStringLiteral("a"));
            waitForStop(ctx);
        });
        auto probe = [&] {
            return QList<bool>{h.child<QLineEdit>("txt_set_dz")->isEnabled(),
                               h.child<QRadioButton>("Option1_0")->isEnabled(),
                               h.child<QRadioButton>("Option1_2")->isEnabled(),
                               shown(h.child<QPushButton>("cmd_go")),
                               shown(h.child<QPushButton>("Cmd_stop")),
                               h.child<QRadioButton>("Option5_2")->isEnabled()};
        };
        h.window->show();
        h.start(2, QStringLiteral("http://shop8.taobao.com"));
        QTRY_COMPARE(h.window->itemModel()->rowCount(), 1);
        QCOMPARE(probe(), QList<bool>({false, false, false, false, true, true}));
        QVERIFY(!h.window->close());
        QVERIFY(h.window->isVisible());

        QTest::mouseClick(h.child<QPushButton>("Cmd_stop"), Qt::LeftButton);
        QTRY_VERIFY(h.window->engine().isIdle());
        QCOMPARE(probe(), QList<bool>({true, true, true, true, false, true}));
        // The stop wrote the row; the crawler's own stop found nothing more to write.
        QCOMPARE(h.flushes.load(), 1);
        QVERIFY(h.window->close());
    }

    // Closing during a run asks; 否 keeps the run going, 是 stops it, writes its rows and closes.
    void closeDuringRunAsks() {
        Harness h([](ShopWalkHost& ctx) {
            emitTestRow(ctx, QStringLiteral("a"));
            waitForStop(ctx);
        });
        h.window->show();
        h.start(2, QStringLiteral("http://shop8.taobao.com"));
        QTRY_COMPARE(h.window->itemModel()->rowCount(), 1);
        MessageBox::takeRecordedTexts();
        MessageBox::setNextAnswer(MessageBox::No);
        QVERIFY(!h.window->close());
        QCOMPARE(MessageBox::takeRecordedTexts(), QStringList{Messages::kStopAndClose});
        QVERIFY(!h.window->engine().isIdle());

        MessageBox::setNextAnswer(MessageBox::Yes);
        QVERIFY(!h.window->close());
        QTRY_VERIFY(!h.window->isVisible());
        QVERIFY(h.window->engine().isIdle());
        QCOMPARE(h.flushes.load(), 1);
    }

    void stopFlushesOnlyWhenSomethingWasEmitted_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("flushes");
        QTest::newRow("nothing") << 0 << 0;
        QTest::newRow("two rows") << 2 << 1;
    }

    void stopFlushesOnlyWhenSomethingWasEmitted() {
        QFETCH(int, rows);
        QFETCH(int, flushes);
        Harness h([rows](ShopWalkHost& ctx) {
            for (int i = 0; i < rows; ++i)
                emitTestRow(ctx, QString::number(i));
        });
        h.collect(0, QStringLiteral("http://shop.paipai.com/1"));
        QCOMPARE(h.flushes.load(), flushes);
        ItemTableModel* model = h.window->itemModel();
        QCOMPARE(model->rowCount(), rows);
        for (int row = 0; row < rows; ++row) {
            QCOMPARE(model->rowKey(row), QStringLiteral("QXV") + QString::number(row));
            QCOMPARE(model->index(row, 0).data().toString(), QString::number(row));
            QCOMPARE(model->index(row, 30).data().toString(), QStringLiteral("0"));
        }
    }

    // Enter in the address field starts the run, as 提取商品信息 does; the format stays
    // choosable and the run records its breakpoint in it.
    void enterInTheAddressStartsTheRun() {
        Harness h;
        h.child<QRadioButton>("Option1_0")->click();
        h.child<QRadioButton>("Option5_2")->click();
        auto* address = h.child<QLineEdit>("txt_set_dz");
        address->setText(QStringLiteral("http://shop.paipai.com/1"));
        QTest::keyClick(address, Qt::Key_Return);
        QTRY_COMPARE(h.crawls.load(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(h.window->engine().isIdle(), 20000);
        QCOMPARE(h.ini(SettingsKeys::kBreakPointOption), QStringLiteral("2"));
        for (const char* name :
             {"Option5_0", "Option5_1", "Option5_2", "Option5_3", "Option5_4", "Option5_5"})
            QVERIFY(h.child<QRadioButton>(name)->isEnabled());
    }

    // The format button's index is what the breakpoint records, and what a resumed start selects
    // again; the current Taobao layout writes a file of its own name.
    void formatChoiceIsSavedAndRestored_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("淘宝助理") << 0 << FileFormat::TaobaoAssistant << QStringLiteral("Taobao_8.csv");
        QTest::newRow("易趣助理") << 1 << FileFormat::EbayAssistant << QStringLiteral("Taobao_8_eBay.csv");
        QTest::newRow("拍拍助理") << 2 << FileFormat::PaiPaiAssistant
                                  << QStringLiteral("Taobao_8_PaiPai.csv");
        QTest::newRow("淘宝助理5") << 3 << FileFormat::TaobaoAssistant5
                                   << QStringLiteral("Taobao_8_Taobao5.csv");
        QTest::newRow("Shopify") << 4 << FileFormat::Shopify << QStringLiteral("Taobao_8_Shopify.csv");
        QTest::newRow("WooCommerce") << 5 << FileFormat::WooCommerce
                                     << QStringLiteral("Taobao_8_WooCommerce.csv");
    }

    void formatChoiceIsSavedAndRestored() {
        QFETCH(int, button);
        QFETCH(FileFormat, format);
        QFETCH(QString, fileName);
        const QString name = QStringLiteral("Option5_") + QString::number(button);
        QByteArray settingsFile;
        {
            // Stopped by the user, so that the next start offers to resume it.
            Harness h([](ShopWalkHost& ctx) { waitForStop(ctx); });
            h.child<QRadioButton>(qPrintable(name))->click();
            h.start(2, QStringLiteral("http://shop8.taobao.com"));
            QTRY_COMPARE(h.crawls.load(), 1);
            h.window->engine().requestStop();
            QTRY_VERIFY_WITH_TIMEOUT(h.window->engine().isIdle(), 20000);
            QCOMPARE(h.ini(SettingsKeys::kBreakPoint), QStringLiteral("1"));
            QCOMPARE(h.ini(SettingsKeys::kBreakPointOption), QString::number(button));
            QCOMPARE(h.ini(SettingsKeys::kBreakPointFileName), fileName);
            settingsFile = fileBytes(h.window->paths().settingsFile());
        }

        Harness restarted;
        putFileBytes(restarted.window->paths().settingsFile(), settingsFile);
        putFileBytes(restarted.window->paths().inProgramDir(fileName), "");
        MessageBox::setNextAnswer(MessageBox::Yes);
        MessageBox::setNextAnswer(MessageBox::Yes);
        QVERIFY(restarted.window->runStartup());
        QVERIFY(restarted.child<QRadioButton>(qPrintable(name))->isChecked());
        QCOMPARE(restarted.window->selectedFormat(), format);
    }

    // A box the window shows (here a warning of its own) does not hold up the run: rows keep
    // arriving and requests keep going out while it is open.
    void messageBoxDoesNotPauseTheRun() {
        LiveShop shop;
        QVERIFY(shop.started);
        shop.startLongRun();
        MessageBox::setUnattended(false);
        const int rowsAtOpen = shop.rows();
        const qsizetype requestsAtOpen = shop.requests();
        const bool kept = closeModalBoxWhen(
            [&] { MessageBox::information(shop.window.get(), QStringLiteral("提示")); },
            [&] { return shop.rows() >= rowsAtOpen + 2 && shop.requests() >= requestsAtOpen + 4; });
        MessageBox::setUnattended(true);
        QVERIFY2(kept, qPrintable(QStringLiteral("rows %1 -> %2").arg(rowsAtOpen).arg(shop.rows())));
        QVERIFY(!shop.window->engine().isIdle());
    }

    // A conversion while an extraction runs: its result box is closed while rows arrive, and the
    // run goes on after it.
    void conversionResultBoxClosesWhileRowsArrive() {
        LiveShop shop;
        QVERIFY(shop.started);
        shop.startLongRun();
        const QString saved = QDir(shop.dir.path()).filePath(QStringLiteral("converted.csv"));
        qobject_cast<QLineEdit*>(shop.control("txt_path"))
            ->setText(fixturePath(QStringLiteral("convert/taobao_source.csv")));
        qobject_cast<QLineEdit*>(shop.control("txt_path_save"))->setText(saved);
        qobject_cast<QAbstractButton*>(shop.control("Option3_0"))->click();
        qobject_cast<QAbstractButton*>(shop.control("Option4_1"))->click();
        MessageBox::setUnattended(false);
        int rowsAtOpen = -1;
        const bool kept = closeModalBoxWhen(
            [&] {
                // The conversion runs off the window's thread; its box comes when it has ended.
                QTest::mouseClick(qobject_cast<QPushButton*>(shop.control("cmd_conv")), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(rowsAtOpen >= 0 && !QApplication::activeModalWidget(), 20000);
            },
            [&] {
                if (rowsAtOpen < 0)
                    rowsAtOpen = shop.rows();
                return shop.rows() >= rowsAtOpen + 2;
            });
        MessageBox::setUnattended(true);
        QVERIFY(kept);
        QVERIFY(QFile::exists(saved));
        const int rowsAtClose = shop.rows();
        QTRY_VERIFY_WITH_TIMEOUT(shop.rows() > rowsAtClose, 20000);
    }

    // A breakpoint of eBay shop abc at item 6 in format 2; its output file exists, is missing,
    // or exists only as the journal of a run that died.
    void startup_data() {
        QTest::addColumn<bool>("breakPoint");
        QTest::addColumn<QString>("output"); // "file", "journal" or "none"
        QTest::addColumn<QString>("url");
        QTest::addColumn<QList<int>>("answers"); // in box order: 1 Yes, 0 No, 2 OK
        QTest::addColumn<bool>("started");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<QString>("address");

        const QString url = QStringLiteral("http://stores.ebay.com.cn/abc");
        const QString notice = Messages::kUsageNotice;
        const QString offer = Messages::resumeOffer(url, 6);
        addRow("notice refused", true, "file", url, QList<int>{0}, false, QStringList{notice}, "");
        addRow("no breakpoint", false, "none", url, QList<int>{1}, true, QStringList{notice}, "");
        addRow("offer accepted", true, "file", url, QList<int>{1, 1}, true, QStringList{notice, offer}, url);
        addRow("offer declined", true, "file", url, QList<int>{1, 0}, true, QStringList{notice, offer}, "");
        addRow("csv file missing", true, "none", url, QList<int>{1}, true,
               QStringList{notice, Messages::kBreakPointFileMissing}, "");
        addRow("address missing", true, "file", "-", QList<int>{1, 1}, true,
               QStringList{notice, Messages::resumeOffer(QString(), 6), Messages::kResumeAddressLost}, "");
        // Recovery writes the output file first, so the offer finds it.
        addRow("journal recovered before the offer", true, "journal", url, QList<int>{1, 2, 1}, true,
               QStringList{notice, QStringLiteral("已恢复上次意外中断时未保存的1个宝贝"), offer}, url);
    }

    void startup() {
        QFETCH(bool, breakPoint);
        QFETCH(QString, output);
        QFETCH(QString, url);
        QFETCH(QList<int>, answers);
        QFETCH(bool, started);
        QFETCH(QStringList, boxes);
        QFETCH(QString, address);

        // The breakpoint each run's walk starts from (a fresh run's is 0): a loaded breakpoint
        // continues one run only.
        QMutex seenLock;
        QList<int> resumedAt;
        const SettingsStore* folderSettings = nullptr;
        Harness h([&](ShopWalkHost&) {
            const QMutexLocker lock(&seenLock);
            resumedAt.append(
                folderSettings->readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum).toInt());
        });
        SettingsStore& settings = h.window->settings();
        folderSettings = &settings;
        const QString outputFile = h.window->paths().inProgramDir(QStringLiteral("eBay_abc.csv"));
        if (breakPoint) {
            QVERIFY(writeBreakPointKeys(settings,
                                        {QStringLiteral("1"), QStringLiteral("eBay_abc.csv"), url,
                                         QStringLiteral("6"), QStringLiteral("1"), QStringLiteral("2")}));
        }
        if (output == u"file") {
            putFileBytes(outputFile, "");
        } else if (output == u"journal") {
            OutputJournal journal;
            QVERIFY(journal.append(outputFile, FileFormat::PaiPaiAssistant, false, 6, true,
                                   QStringLiteral("h\r\nrow6\r\n")));
            QVERIFY(journal.sync());
        }
        for (int answer : answers)
            MessageBox::setNextAnswer(answer == 2 ? MessageBox::Ok
                                      : answer    ? MessageBox::Yes
                                                  : MessageBox::No);

        QCOMPARE(h.window->runStartup(), started);
        QCOMPARE(MessageBox::takeRecordedTexts(), boxes);
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.child<QLineEdit>("txt_set_dz")->text(), address);
        QCOMPARE(h.window->selectedPlatform(), address.isEmpty() ? Platform::PaiPai : Platform::Ebay);
        QCOMPARE(h.window->selectedFormat(),
                 address.isEmpty() ? FileFormat::TaobaoAssistant : FileFormat::PaiPaiAssistant);
        if (!address.isEmpty()) {
            QCOMPARE(h.window->loadedResumePoint().itemNumber, 6);
            // Nothing starts by itself: cmd_go continues it.
            QCOMPARE(h.crawls.load(), 0);
            QVERIFY(shown(h.child<QPushButton>("cmd_go")));
            for (int run = 0; run < 2; ++run) {
                QTest::mouseClick(h.child<QPushButton>("cmd_go"), Qt::LeftButton);
                QTRY_VERIFY_WITH_TIMEOUT(h.window->engine().isIdle(), 20000);
            }
            const QMutexLocker lock(&seenLock);
            QCOMPARE(resumedAt, QList<int>({6, 0}));
        }
        if (answers.contains(0) && started)
            QCOMPARE(settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint),
                     QStringLiteral("1"));
    }
};

KESTRUNE_TEST_MAIN(TestGuiMainWindow)
#include "tst_gui_mainwindow.moc"
