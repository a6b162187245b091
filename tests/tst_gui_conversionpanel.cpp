#include "gui/ConversionPanel.h"
#include "gui/MessageBox.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Qt::StringLiterals;

class TestConversionPanel : public QObject {
    Q_OBJECT

private:
    ConversionPanel* m_panel = nullptr;

    QLineEdit* edit(const char* name) { return m_panel->findChild<QLineEdit*>(QLatin1String(name)); }
    QAbstractButton* button(const QString& name) { return m_panel->findChild<QAbstractButton*>(name); }
    QAbstractButton* source(int id) { return button(u"Option3_%1"_s.arg(id)); }
    QAbstractButton* target(int id) { return button(u"Option4_%1"_s.arg(id)); }
    QButtonGroup* group(const char* name) { return m_panel->findChild<QButtonGroup*>(QLatin1String(name)); }

    void chooseSourceFile(const QString& name) {
        FileDialog::setNextFileName(name);
        QTest::mouseClick(button(u"cmd_select"_s), Qt::LeftButton);
    }

private slots:
    void init() {
        m_panel = new ConversionPanel;
        m_panel->show();
        FileDialog::takeShownDialogs();
    }
    void cleanup() {
        delete m_panel;
        m_panel = nullptr;
    }

    void initialState() {
        QVERIFY(m_panel->findChild<QWidget*>(u"Frame3"_s));
        QCOMPARE(group("Option3")->checkedId(), 0);
        QCOMPARE(group("Option4")->checkedId(), 1);
        QVERIFY(!target(0)->isEnabled());
        QVERIFY(target(1)->isEnabled() && target(2)->isEnabled() && target(3)->isEnabled());
        QCOMPARE(m_panel->fileDialog().filter(), u"批量导出的文件(*.csv;*.txt)|*.csv;*.txt|"_s);
        const QStringList captions{u"淘宝"_s, u"拍拍"_s, u"易趣"_s, u"淘宝5"_s};
        for (int id = 0; id < 4; ++id) {
            QCOMPARE(source(id)->text(), captions.at(id));
            QCOMPARE(target(id)->text(), captions.at(id));
            QCOMPARE(group("Option3")->id(source(id)), id);
            QCOMPARE(group("Option4")->id(target(id)), id);
        }
        QCOMPARE(button(u"cmd_conv"_s)->text(), u"转换"_s);
        QVERIFY(edit("txt_path") && edit("txt_path_save"));
        // The store files are targets only.
        QCOMPARE(target(4)->text(), u"Shopify"_s);
        QCOMPARE(target(5)->text(), u"WooCommerce"_s);
        QVERIFY(!m_panel->findChild<QAbstractButton*>(u"Option3_4"_s));
        QVERIFY(!edit("txt_image_base")->isEnabled());
    }

    // The picture address field is for the store targets; their files end so.
    void storeTargets() {
        m_panel->fileDialog().setFileName(u"/tmp/shop.csv"_s);
        for (const auto& [id, suffix] :
             {std::pair{4, u"_Shopify.csv"_s}, std::pair{5, u"_WooCommerce.csv"_s}}) {
            QTest::mouseClick(target(id), Qt::LeftButton);
            QVERIFY(edit("txt_image_base")->isEnabled());
            QCOMPARE(edit("txt_path_save")->text(), u"/tmp/shop"_s + suffix);
            QTest::mouseClick(target(3), Qt::LeftButton);
            QVERIFY(!edit("txt_image_base")->isEnabled());
        }
    }

    void sourceDecidesTargets_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("clicked");
        QTest::addColumn<QList<bool>>("enabled");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("filter");

        const QString all = u"批量导出或导入后转换的文件(*.csv;*.txt)|*.csv;*.txt|"_s;
        const QString csv = u"批量导出的文件(*.csv)|*.csv|"_s;
        QTest::newRow("PaiPai") << -1 << 1 << QList<bool>{true, false, true, true} << 0 << csv;
        QTest::newRow("eBay") << -1 << 2 << QList<bool>{true, true, false, true} << 0 << csv;
        QTest::newRow("Taobao after eBay") << 2 << 0 << QList<bool>{false, true, true, true} << 1 << all;
        QTest::newRow("PaiPai after eBay") << 2 << 1 << QList<bool>{true, false, true, true} << 0 << csv;
        QTest::newRow("current Taobao") << -1 << 3 << QList<bool>{true, true, true, false} << 1 << all;
        QTest::newRow("current Taobao after PaiPai")
            << 1 << 3 << QList<bool>{true, true, true, false} << 1 << all;
    }

    void sourceDecidesTargets() {
        QFETCH(int, first);
        QFETCH(int, clicked);
        QFETCH(QList<bool>, enabled);
        QFETCH(int, selected);
        QFETCH(QString, filter);

        if (first >= 0)
            QTest::mouseClick(source(first), Qt::LeftButton);
        QTest::mouseClick(target(2), Qt::LeftButton);
        QTest::mouseClick(source(clicked), Qt::LeftButton);
        for (int id = 0; id < 4; ++id)
            QCOMPARE(target(id)->isEnabled(), enabled.at(id));
        QCOMPARE(group("Option4")->checkedId(), selected);
        QCOMPARE(m_panel->fileDialog().filter(), filter);
    }

    // The save path the panel derives along the user's steps: "type:TEXT" types a save path,
    // "file:NAME" picks a source file in the dialog, "source:N" and "target:N" click a format.
    void savePathFollowsTheSteps_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("savePath");

        QTest::newRow("chosen file gets the default target")
            << QStringList{u"file:D:\\data\\shop.csv"_s} << u"D:\\data\\shop_PaiPai.csv"_s;
        QTest::newRow("target click changes the suffix")
            << QStringList{u"file:D:\\data\\shop.csv"_s, u"target:2"_s} << u"D:\\data\\shop_eBay.csv"_s;
        QTest::newRow("current Taobao target")
            << QStringList{u"file:D:\\data\\shop.csv"_s, u"target:3"_s} << u"D:\\data\\shop_Taobao5.csv"_s;
        QTest::newRow("source click reselects the target and its suffix")
            << QStringList{u"file:/data/shop.csv"_s, u"source:1"_s} << u"/data/shop_Taobao.csv"_s;
        QTest::newRow("source whose target is already selected leaves the path")
            << QStringList{u"file:/data/shop.csv"_s, u"source:1"_s, u"type:typed.csv"_s, u"source:2"_s}
            << u"typed.csv"_s;
        QTest::newRow("target before any file leaves the path")
            << QStringList{u"type:typed.csv"_s, u"target:2"_s, u"source:1"_s} << u"typed.csv"_s;
        QTest::newRow("suffix replaces the last four characters")
            << QStringList{u"source:1"_s, u"file:D:\\data\\shop.txt"_s} << u"D:\\data\\shop_Taobao.csv"_s;
        QTest::newRow("three-character file name leaves the path")
            << QStringList{u"type:typed.csv"_s, u"file:a.c"_s} << u"typed.csv"_s;
        // Four characters are enough for the chooser, not for a target click.
        QTest::newRow("four-character file name") << QStringList{u"file:a.cs"_s} << u"_PaiPai.csv"_s;
        QTest::newRow("four-character file name, target click")
            << QStringList{u"file:a.cs"_s, u"target:2"_s} << u"_PaiPai.csv"_s;
    }

    void savePathFollowsTheSteps() {
        QFETCH(QStringList, steps);
        QFETCH(QString, savePath);

        for (const QString& step : steps) {
            const QString kind = step.section(u':', 0, 0);
            const QString value = step.section(u':', 1);
            if (kind == u"type") {
                edit("txt_path_save")->setText(value);
            } else if (kind == u"file") {
                chooseSourceFile(value);
                QCOMPARE(edit("txt_path")->text(), value);
            } else {
                QTest::mouseClick(kind == u"source" ? source(value.toInt()) : target(value.toInt()),
                                  Qt::LeftButton);
            }
        }
        QCOMPARE(edit("txt_path_save")->text(), savePath);
    }

    void cancelledOpenDerivesSavePathAgain() {
        edit("txt_path")->setText(u"/data/old.csv"_s);
        edit("txt_path_save")->setText(u"/elsewhere/typed.csv"_s);
        FileDialog::setNextCancel();
        QTest::mouseClick(button(u"cmd_select"_s), Qt::LeftButton);
        const QList<FileDialog::Shown> shown = FileDialog::takeShownDialogs();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).mode, FileDialog::Mode::Open);
        QCOMPARE(shown.at(0).fileName, u"/data/old.csv"_s);
        QCOMPARE(edit("txt_path")->text(), u"/data/old.csv"_s);
        QCOMPARE(edit("txt_path_save")->text(), u"/data/old_PaiPai.csv"_s);
    }

    void saveDialogStartsFromSavePath() {
        edit("txt_path_save")->setText(u"/out/first.csv"_s);
        FileDialog::setNextFileName(u"/out/second.csv"_s);
        QTest::mouseClick(button(u"cmd_select_save"_s), Qt::LeftButton);
        QCOMPARE(edit("txt_path_save")->text(), u"/out/second.csv"_s);
        FileDialog::setNextCancel();
        QTest::mouseClick(button(u"cmd_select_save"_s), Qt::LeftButton);
        QCOMPARE(edit("txt_path_save")->text(), u"/out/second.csv"_s);
        const QList<FileDialog::Shown> shown = FileDialog::takeShownDialogs();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0).mode, FileDialog::Mode::Save);
        QCOMPARE(shown.at(0).fileName, u"/out/first.csv"_s);
        QCOMPARE(shown.at(1).fileName, u"/out/second.csv"_s);
    }

    void convertShowsTheConverterMessage() {
        MessageBox::setNextAnswer(MessageBox::Ok);
        QTest::mouseClick(button(u"cmd_conv"_s), Qt::LeftButton);
        QCOMPARE(MessageBox::takeRecordedTexts(), QStringList{u"请输入要转换的文件路径"_s});

        QTemporaryDir dir;
        const QString sourcePath = copyConvertFixture(u"ebay_source.csv"_s, dir.filePath(u"shop.csv"_s));
        QTest::mouseClick(source(2), Qt::LeftButton);
        chooseSourceFile(sourcePath);
        const QString output = dir.filePath(u"shop_Taobao.txt"_s);
        MessageBox::setNextAnswer(MessageBox::Ok);
        // The conversion runs off the window's thread; its stop stands in 转换's place meanwhile.
        QTest::mouseClick(button(u"cmd_conv"_s), Qt::LeftButton);
        QVERIFY(!button(u"cmd_conv"_s)->isVisible());
        QVERIFY(button(u"cmd_conv_stop"_s)->isVisible());
        QCOMPARE(button(u"cmd_conv_stop"_s)->text(), u"停止转换"_s);
        QTRY_VERIFY(m_panel->job().isIdle());
        QCOMPARE(MessageBox::takeRecordedTexts(),
                 QStringList{u"转换2个宝贝完成，生成文件为："_s + QDir::toNativeSeparators(output)});
        QVERIFY(QFile::exists(output));
        QVERIFY(button(u"cmd_conv"_s)->isVisible());
        QVERIFY(!button(u"cmd_conv_stop"_s)->isVisible());
    }

    // A line about an item that did not come through whole is a warning of its own; the report
    // is the conversion's ending alone.
    void damagedItemIsWarnedApart() {
        QTemporaryDir dir;
        const QString sourcePath = dir.filePath(u"damaged.txt"_s);
        writeBytes(sourcePath,
                   taobaoHeaderNames().toUtf8() + "\r\n\"" + u"宝贝"_s.toUtf8() + "\xFF\"\t1\r\n");
        QTest::mouseClick(source(0), Qt::LeftButton);
        chooseSourceFile(sourcePath);
        QSignalSpy warned(m_panel, &ConversionPanel::warned);
        QSignalSpy reported(m_panel, &ConversionPanel::reported);
        MessageBox::setNextAnswer(MessageBox::Ok);
        QTest::mouseClick(button(u"cmd_conv"_s), Qt::LeftButton);
        QTRY_VERIFY(m_panel->job().isIdle());
        MessageBox::takeRecordedTexts();
        QCOMPARE(warned.size(), 1);
        QCOMPARE(warned.at(0).at(0).toString(), u"第1个宝贝含有无法识别的字符，已替换为\uFFFD：宝贝\uFFFD"_s);
        QCOMPARE(reported.size(), 1);
        QVERIFY(reported.at(0).at(0).toString().startsWith(u"转换1个宝贝完成"_s));
    }

    // A chosen file selects the source its content shows, which in turn picks the target.
    void chosenFileSelectsItsSource_data() {
        QTest::addColumn<QString>("fixture"); // empty: a file of no assistant
        QTest::addColumn<int>("clickedFirst");
        QTest::addColumn<int>("selectedSource");
        QTest::addColumn<int>("selectedTarget");
        QTest::newRow("PaiPai file") << u"paipai_source.csv"_s << 0 << 1 << 0;
        QTest::newRow("eBay file") << u"ebay"_s << 0 << 2 << 0;
        // An export whose header is none of the program's leaves the choice to the seller.
        QTest::newRow("eBay export keeps the choice") << u"ebay_source.csv"_s << 2 << 2 << 0;
        QTest::newRow("older Taobao file") << u"taobao_source.csv"_s << 2 << 0 << 1;
        QTest::newRow("current Taobao file") << u"current"_s << 1 << 3 << 1;
        QTest::newRow("no assistant file keeps the choice") << QString() << 2 << 2 << 0;
    }

    void chosenFileSelectsItsSource() {
        QFETCH(QString, fixture);
        QFETCH(int, clickedFirst);
        QFETCH(int, selectedSource);
        QFETCH(int, selectedTarget);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"shop.csv"_s);
        if (fixture == u"current")
            writeBytes(path, utf16WithMark(u"version 1.00\ntitle\tprice\tnum\n宝贝名称\n\"x\"\t1\t1\n"_s));
        else if (fixture == u"ebay")
            QVERIFY(QFile::copy(fixturePath(u"expected/eBay_qingshixuan.ebay.csv"_s), path));
        else if (fixture.isEmpty())
            writeBytes(path, QByteArray("PK\x03\x04", 4));
        else
            copyConvertFixture(fixture, path);
        QTest::mouseClick(source(clickedFirst), Qt::LeftButton);
        chooseSourceFile(path);
        QCOMPARE(group("Option3")->checkedId(), selectedSource);
        QCOMPARE(group("Option4")->checkedId(), selectedTarget);
        QCOMPARE(edit("txt_path_save")->text(),
                 path.chopped(4) + (selectedTarget == 0 ? u"_Taobao.csv"_s : u"_PaiPai.csv"_s));
    }

    void missingSourceIsNamed() {
        QTemporaryDir dir;
        const QString missing = dir.filePath(u"gone.csv"_s);
        edit("txt_path")->setText(missing);
        edit("txt_path_save")->setText(dir.filePath(u"out.csv"_s));
        MessageBox::setNextAnswer(MessageBox::Ok);
        QTest::mouseClick(button(u"cmd_conv"_s), Qt::LeftButton);
        QCOMPARE(MessageBox::takeRecordedTexts(),
                 QStringList{u"文件不存在："_s + QDir::toNativeSeparators(missing)});
        QVERIFY(!QFile::exists(dir.filePath(u"out.csv"_s)));
    }

    // An existing file typed as the save path is replaced only after a Yes; one chosen in the save
    // dialog was asked about there.
    void replacingATypedSavePathAsksFirst_data() {
        QTest::addColumn<bool>("chosenInDialog");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("replaced");
        QTest::newRow("typed, No") << false << int(MessageBox::No) << false;
        QTest::newRow("typed, Yes") << false << int(MessageBox::Yes) << true;
        QTest::newRow("chosen in the dialog") << true << -1 << true;
    }

    void replacingATypedSavePathAsksFirst() {
        QFETCH(bool, chosenInDialog);
        QFETCH(int, answer);
        QFETCH(bool, replaced);
        QTemporaryDir dir;
        const QString sourcePath = copyConvertFixture(u"paipai_source.csv"_s, dir.filePath(u"shop.csv"_s));
        const QString output = dir.filePath(u"out.csv"_s);
        writeBytes(output, "kept");
        chooseSourceFile(sourcePath);
        QTest::mouseClick(target(2), Qt::LeftButton);
        if (chosenInDialog) {
            FileDialog::setNextFileName(output);
            QTest::mouseClick(button(u"cmd_select_save"_s), Qt::LeftButton);
        } else {
            edit("txt_path_save")->setText(output);
        }
        if (answer >= 0)
            MessageBox::setNextAnswer(MessageBox::Answer(answer));
        if (replaced)
            MessageBox::setNextAnswer(MessageBox::Ok);
        QTest::mouseClick(button(u"cmd_conv"_s), Qt::LeftButton);
        QTRY_VERIFY(m_panel->job().isIdle());
        QStringList expected;
        if (answer >= 0)
            expected.append(u"文件已存在："_s + QDir::toNativeSeparators(output) + u"，是否替换？"_s);
        if (replaced)
            expected.append(u"转换2个宝贝完成，生成文件为："_s + QDir::toNativeSeparators(output));
        QCOMPARE(MessageBox::takeRecordedTexts(), expected);
        QCOMPARE(readBytes(output) != "kept", replaced);
    }

    void dialogFilterForQt_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("qtFilter");
        QTest::newRow("two patterns")
            << u"批量导出的文件(*.csv;*.txt)|*.csv;*.txt|"_s << u"批量导出的文件 (*.csv *.txt)"_s;
        QTest::newRow("one pattern") << u"批量导出的文件(*.csv)|*.csv|"_s << u"批量导出的文件 (*.csv)"_s;
        QTest::newRow("two filters") << u"a|*.a|b(*.b)|*.b|"_s << u"a (*.a);;b (*.b)"_s;
    }

    void dialogFilterForQt() {
        QFETCH(QString, filter);
        QFETCH(QString, qtFilter);
        QCOMPARE(FileDialog::toQtFilter(filter), qtFilter);
    }
};

KESTRUNE_TEST_MAIN(TestConversionPanel)
#include "tst_gui_conversionpanel.moc"
