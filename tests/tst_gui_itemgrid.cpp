#include "formats/ItemRecord.h"
#include "gui/CellText.h"
#include "gui/ItemGridView.h"
#include "gui/ItemTableModel.h"
#include "gui/QtTranslations.h"
#include "support/TestMain.h"
#include "support/WebTestSupport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>
#include <QUrl>

namespace {

// The cells of one item as a parser shows them (its record's values), with the picture at
// picturePath and, when given, the page address after the 31 values.
QStringList itemCells(const QString& title, const QString& picturePath, const QString& pageAddress = {}) {
    ItemRecord record = ItemRecord::fromValues(QStringList(ItemRecord::kFieldCount, QStringLiteral("0")));
    record.title = title;
    record.picture = picturePath;
    QStringList cells = record.values();
    if (!pageAddress.isEmpty())
        cells.append(pageAddress);
    return cells;
}

QString savePicture(const QTemporaryDir& dir, const QString& name, const QSize& size, const char* format) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0x20, 0x80, 0xC0));
    const QString path = QDir(dir.path()).filePath(name);
    if (!image.save(path, format))
        qFatal("cannot save %s", qPrintable(path));
    return path;
}

// Takes the addresses QDesktopServices would give a browser.
class FakeBrowser : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

class TestGuiItemGrid : public QObject {
    Q_OBJECT

private slots:
    void cellTexts_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("shown");

        const int title = ItemRecord::indexOf(ItemRecord::Field::Title);
        const int description = ItemRecord::indexOf(ItemRecord::Field::Description);
        addRow("title", title, "Levi&#39;s 501 牛仔裤", "Levi's 501 牛仔裤");
        addRow("named entities", title, "A &amp; B &quot;新款&quot;", "A & B \"新款\"");
        addRow("hex entity", title, "&#x4E2D;国", "中国");
        addRow("entity of no character kept", title, "a &#0; b &#xD800; c &#99999999;",
               "a &#0; b &#xD800; c &#99999999;");
        addRow("unfinished entity kept", title, "5 &# 6 &#12", "5 &# 6 &#12");
        addRow("empty", 4, "", "");
        addRow("sale type", 6, "b", "b");
        addRow("lone quote kept", title, "\"", "\"");
        addRow("inner quote kept", title, "a\"b", "a\"b");
        addRow("price with two decimals", 7, "128.000000", "128.00");
        addRow("price rounded", 7, "19.995", "20.00");
        addRow("fee of nothing", 13, "00.000000", "0.00");
        addRow("price not a number kept", 7, "面议", "面议");
        addRow("empty price", 7, "", "");
        addRow("plain number", 9, "10.000000", "10");
        addRow("plain number keeps its fraction", 10, "7.500000", "7.5");
        addRow("category number", 1, "50010850", "50010850");
        addRow("category path", 1, "[鞋包\\\\\\女鞋]", "鞋包 › 女鞋");
        addRow(
            "category breadcrumb", 1,
            "<a href='http://list.ebay.com.cn/a'>鞋包</a> &gt; <a href='http://list.ebay.com.cn/b'>女鞋</a>",
            "鞋包 › 女鞋");
        addRow("category cut inside a link", 1,
               "</td><td><a href='http://list.ebay.com.cn/category11450/'>服饰</a> &gt; <a href='http://list",
               "服饰");
        addRow("tags in a title", title, "<b>新款</b> 连衣裙", "新款 连衣裙");
        addRow("tags in a city", 5, "<span>杭州</span>", "杭州");
        addRow("start time", 22, "1980-01-01 00:00:00", "1980-01-01 00:00:00");
        addRow("line breaks folded", title, "红色\r\n\t连衣裙", "红色 连衣裙");
        addRow("description without tags", description, "<p>纯棉&nbsp;<b>T恤</b></p>\r\n<img src='x.jpg' />",
               "纯棉 T恤");
        addRow("description escaped angle stays text", description, "1 &lt;b 2", "1 <b 2");
        addRow("title in quotes of its own", title, "\"限量\"", "\"限量\"");
        addRow("long description cut", description, QString(200, u'字'), QString(120, u'字') + QChar(0x2026));
    }

    void cellTexts() {
        QFETCH(int, column);
        QFETCH(QString, value);
        QFETCH(QString, shown);
        QCOMPARE(readableCellText(column, value), shown);

        // The model shows the same text.
        ItemTableModel model;
        QStringList cells(ItemRecord::kFieldCount, QStringLiteral("0"));
        cells[column] = value;
        model.addRow(QStringLiteral("QXV0"), cells);
        QCOMPARE(model.index(0, column).data().toString(), shown);
    }

    // Category paths in the status line and the log read as in the grid.
    void statusTexts_data() {
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("shown");
        addRow("category path", "[鞋包\\\\\\女鞋]分类共有商品3个", "[鞋包 › 女鞋]分类共有商品3个");
        addRow("no path", "全部采集完成：共7个宝贝", "全部采集完成：共7个宝贝");
        addRow("one backslash kept", "文件：C:\\data\\shop.csv", "文件：C:\\data\\shop.csv");
    }

    void statusTexts() {
        QFETCH(QString, status);
        QFETCH(QString, shown);
        QCOMPARE(readableStatusText(status), shown);
    }

    void modelPassesTheTester() {
        ItemTableModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < 50; ++i)
            model.addRow(QStringLiteral("QXV%1").arg(i), itemCells(QString::number(i), QString()));
        model.clear();
        model.addRow(QStringLiteral("QXV0"), itemCells(QStringLiteral("again"), QString()));
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(model.rowKey(0), QStringLiteral("QXV0"));
        QCOMPARE(model.rowKey(1), QString());
    }

    // The first column shows the picture when it can be read, the placeholder otherwise.
    void thumbnails_data() {
        QTest::addColumn<QString>("picture"); // "jpeg", "png", "tiny", "missing", "broken", "none"
        QTest::addColumn<bool>("hasPicture");
        QTest::newRow("large jpeg") << "jpeg" << true;
        QTest::newRow("png") << "png" << true;
        QTest::newRow("smaller than a thumbnail") << "tiny" << true;
        QTest::newRow("download failed") << "missing" << false;
        QTest::newRow("not a picture") << "broken" << false;
        QTest::newRow("no picture address") << "none" << false;
    }

    void thumbnails() {
        QFETCH(QString, picture);
        QFETCH(bool, hasPicture);
        QTemporaryDir dir;
        QString path = QDir(dir.path()).filePath(QStringLiteral("T1.jpg"));
        if (picture == u"jpeg")
            path = savePicture(dir, QStringLiteral("T1.jpg"), QSize(800, 400), "JPG");
        else if (picture == u"png")
            path = savePicture(dir, QStringLiteral("T1.png"), QSize(60, 120), "PNG");
        else if (picture == u"tiny")
            path = savePicture(dir, QStringLiteral("T1.png"), QSize(8, 8), "PNG");
        else if (picture == u"broken")
            putFileBytes(path, QByteArray::fromHex("ffd8ffe000104a46494600010101004800480000ffd9"));
        else if (picture == u"none")
            path.clear();

        ItemTableModel model;
        const QSize size(40, 40);
        model.setThumbnailSize(size);
        model.addRow(QStringLiteral("QXV0"), itemCells(QStringLiteral("t"), path));
        const QModelIndex first = model.index(0, 0);
        QCOMPARE(first.data(ItemTableModel::HasPictureRole).toBool(), hasPicture);
        const QPixmap shown = first.data(Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(shown.size(), size);
        QVERIFY(model.index(0, 1).data(Qt::DecorationRole).isNull());
        if (!hasPicture)
            return;
        // The picture sits in the middle of the square; the thumbnail is read once and then
        // kept, so a picture removed from disk still shows.
        const QImage image = shown.toImage();
        const QColor middle = image.pixelColor(size.width() / 2, size.height() / 2);
        const QColor painted(0x20, 0x80, 0xC0);
        // JPEG shifts a colour by a step or two.
        QVERIFY2(qAbs(middle.red() - painted.red()) + qAbs(middle.green() - painted.green()) +
                         qAbs(middle.blue() - painted.blue()) <=
                     8,
                 qPrintable(middle.name()));
        QVERIFY(QFile::remove(path));
        QCOMPARE(model.index(0, 0).data(Qt::DecorationRole).value<QPixmap>().toImage(), image);
    }

    void numbersAlignRight() {
        ItemTableModel model;
        QStringList cells = itemCells(QStringLiteral("42"), QString());
        cells[7] = QStringLiteral("128.000000");
        cells[1] = QStringLiteral("abc");
        model.addRow(QStringLiteral("QXV0"), cells);
        const auto alignment = [&](int column) {
            return model.index(0, column).data(Qt::TextAlignmentRole).toInt();
        };
        QCOMPARE(alignment(7), int(Qt::AlignRight | Qt::AlignVCenter));
        QCOMPARE(alignment(1), 0);
        QCOMPARE(alignment(ItemRecord::indexOf(ItemRecord::Field::Title)),
                 0); // a title that is a number still reads as a title
    }

    void titleTooltipIsWhole() {
        ItemTableModel model;
        const QString title = QString(80, u'长') + QStringLiteral(" &amp; 完");
        model.addRow(QStringLiteral("QXV0"), itemCells(title, QString()));
        QCOMPARE(model.index(0, 0).data(Qt::ToolTipRole).toString(),
                 QString(80, u'长') + QStringLiteral(" & 完"));
    }

    // A double click opens the row's page; without a browser the address goes to the clipboard.
    void doubleClickOpensThePage_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<bool>("browser");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("copied");
        const QString item = QStringLiteral("http://item.taobao.com/item.htm?id=1001");
        addRow("browser", item, true, item, QString());
        addRow("no browser", item, false, QString(), item);
        addRow("row without address", QString(), true, QString(), QString());
    }

    void doubleClickOpensThePage() {
        QFETCH(QString, address);
        QFETCH(bool, browser);
        QFETCH(QString, opened);
        QFETCH(QString, copied);
        FakeBrowser fake;
        if (browser)
            QDesktopServices::setUrlHandler(QStringLiteral("http"), &fake, "open");
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));

        ItemTableModel model;
        ItemGridView view(&model);
        QSignalSpy copiedSpy(&view, &ItemGridView::pageAddressCopied);
        model.addRow(QStringLiteral("QXV0"), itemCells(QStringLiteral("t"), QString(), address));
        // What the view emits for a double click on a cell of the row.
        emit view.doubleClicked(model.index(0, 3));
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

        QCOMPARE(fake.opened.isEmpty() ? QString() : fake.opened.constFirst().toString(), opened);
        QCOMPARE(copiedSpy.size(), copied.isEmpty() ? 0 : 1);
        QCOMPARE(QGuiApplication::clipboard()->text(), copied.isEmpty() ? QStringLiteral("before") : copied);
    }

    // The title column is wide; the others follow their contents until sized by hand.
    void columnWidths() {
        ItemTableModel model;
        ItemGridView view(&model);
        view.resize(900, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const int titleWidth = view.columnWidth(ItemRecord::indexOf(ItemRecord::Field::Title));
        QVERIFY(titleWidth >= view.fontMetrics().horizontalAdvance(QString(20, u'宝')));
        const int priceWidth = view.columnWidth(7);
        QVERIFY(priceWidth < titleWidth);

        view.setColumnWidth(8, 44);
        QStringList cells = itemCells(QStringLiteral("t"), QString());
        cells[7] = QStringLiteral("1234567890.123456");
        cells[8] = QStringLiteral("1234567890.123456");
        model.addRow(QStringLiteral("QXV0"), cells);
        const int wholeNumber = view.fontMetrics().horizontalAdvance(readableCellText(7, cells[7]));
        QTRY_VERIFY(view.columnWidth(7) > wholeNumber);
        QCOMPARE(view.columnWidth(8), 44);
        QCOMPARE(view.columnWidth(ItemRecord::indexOf(ItemRecord::Field::Title)), titleWidth);
    }

    // Qt's own buttons and dialogs speak the system's language when Qt has it.
    void qtTranslations_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("yes");
        QTest::newRow("simplified chinese") << "zh_CN"
                                            << "是(&Y)";
        QTest::newRow("no such translation") << "C"
                                             << "&Yes";
    }

    void qtTranslations() {
        QFETCH(QString, locale);
        QFETCH(QString, yes);
        QObject owner;
        QTranslator* translator = installQtTranslations(QLocale(locale), &owner);
        QCOMPARE(translator != nullptr, yes != u"&Yes");
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "&Yes"), yes);
        if (translator)
            QCoreApplication::removeTranslator(translator);
    }
};

KESTRUNE_TEST_MAIN(TestGuiItemGrid)
#include "tst_gui_itemgrid.moc"
