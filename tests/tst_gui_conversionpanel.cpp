#include "app/ui/MessageBox.h"
#include "formats/ui/ConversionPanel.h"
#include "support/TestPaths.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestConversionPanel : public QObject {
    Q_OBJECT

private:
    ConversionPanel* m_panel = nullptr;

    QLineEdit* edit(const char* name) { return m_panel->findChild<QLineEdit*>(QLatin1String(name)); }
    QAbstractButton* button(const QString& name) { return m_panel->findChild<QAbstractButton*>(name); }
    QAbstractButton* source(int id) { return button(QStringLiteral("Option3_%1").arg(id)); }
    QAbstractButton* target(int id) { return button(QStringLiteral("Option4_%1").arg(id)); }
    QButtonGroup* group(const char* name) { return m_panel->findChild<QButtonGroup*>(QLatin1String(name)); }

    void chooseSourceFile(const QString& name) {
        FileDialog::setNextFileName(name);
        QTest::mouseClick(button(QStringLiteral("cmd_select")), Qt::LeftButton);
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

    void initialState();
    void sourceDecidesTargets_data();
    void sourceDecidesTargets();
    void targetChangesSuffix();
    void sourceChangeReselectsTargetAndSuffix();
    void targetBeforeAnyFileLeavesSavePath();
    void suffixReplacesLastFourCharacters();
    void cancelledOpenDerivesSavePathAgain();
    void shortFileNameLeavesSavePath();
    void saveDialogStartsFromSavePath();
    void convertShowsTheConverterMessage();
    void dialogFilterForQt_data();
    void dialogFilterForQt();
};

void TestConversionPanel::initialState() {
    QCOMPARE(m_panel->objectName(), QStringLiteral("Frame2"));
    QCOMPARE(m_panel->title(), QStringLiteral("淘宝助手、拍拍助手、易趣助手导出文件相互转换"));
    QVERIFY(m_panel->findChild<QWidget*>(QStringLiteral("Frame3")));
    QCOMPARE(group("Option3")->checkedId(), 0);
    QCOMPARE(group("Option4")->checkedId(), 1);
    QVERIFY(!target(0)->isEnabled());
    QVERIFY(target(1)->isEnabled() && target(2)->isEnabled());
    QCOMPARE(m_panel->fileDialog().filter(), QStringLiteral("批量导出的文件(*.csv;*.txt)|*.csv;*.txt|"));
    const QStringList captions{QStringLiteral("淘宝"), QStringLiteral("拍拍"), QStringLiteral("易趣")};
    for (int id = 0; id < 3; ++id) {
        QCOMPARE(source(id)->text(), captions.at(id));
        QCOMPARE(target(id)->text(), captions.at(id));
        QCOMPARE(group("Option3")->id(source(id)), id);
        QCOMPARE(group("Option4")->id(target(id)), id);
    }
    QCOMPARE(button(QStringLiteral("cmd_conv"))->text(), QStringLiteral("转换"));
    QVERIFY(edit("txt_path") && edit("txt_path_save"));
}

void TestConversionPanel::sourceDecidesTargets_data() {
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("clicked");
    QTest::addColumn<QList<bool>>("enabled");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("filter");

    const QString all = QStringLiteral("批量导出或导入后转换的文件(*.csv;*.txt)|*.csv;*.txt|");
    const QString csv = QStringLiteral("批量导出的文件(*.csv)|*.csv|");
    QTest::newRow("PaiPai") << -1 << 1 << QList<bool>{true, false, true} << 0 << csv;
    QTest::newRow("eBay") << -1 << 2 << QList<bool>{true, true, false} << 0 << csv;
    QTest::newRow("Taobao after eBay") << 2 << 0 << QList<bool>{false, true, true} << 1 << all;
    QTest::newRow("PaiPai after eBay") << 2 << 1 << QList<bool>{true, false, true} << 0 << csv;
}

void TestConversionPanel::sourceDecidesTargets() {
    QFETCH(int, first);
    QFETCH(int, clicked);
    QFETCH(QList<bool>, enabled);
    QFETCH(int, selected);
    QFETCH(QString, filter);

    if (first >= 0)
        QTest::mouseClick(source(first), Qt::LeftButton);
    QTest::mouseClick(target(2), Qt::LeftButton);
    QTest::mouseClick(source(clicked), Qt::LeftButton);
    for (int id = 0; id < 3; ++id)
        QCOMPARE(target(id)->isEnabled(), enabled.at(id));
    QCOMPARE(group("Option4")->checkedId(), selected);
    QCOMPARE(m_panel->fileDialog().filter(), filter);
}

void TestConversionPanel::targetChangesSuffix() {
    chooseSourceFile(QStringLiteral("D:\\data\\shop.csv"));
    QCOMPARE(edit("txt_path")->text(), QStringLiteral("D:\\data\\shop.csv"));
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("D:\\data\\shop_PaiPai.csv"));
    QTest::mouseClick(target(2), Qt::LeftButton);
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("D:\\data\\shop_eBay.csv"));
}

void TestConversionPanel::sourceChangeReselectsTargetAndSuffix() {
    chooseSourceFile(QStringLiteral("/data/shop.csv"));
    QTest::mouseClick(source(1), Qt::LeftButton);
    QVERIFY(!target(1)->isEnabled());
    QCOMPARE(group("Option4")->checkedId(), 0);
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("/data/shop_Taobao.csv"));
    // A source whose default target is already selected changes nothing in the save path.
    edit("txt_path_save")->setText(QStringLiteral("typed.csv"));
    QTest::mouseClick(source(2), Qt::LeftButton);
    QCOMPARE(group("Option4")->checkedId(), 0);
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("typed.csv"));
}

void TestConversionPanel::targetBeforeAnyFileLeavesSavePath() {
    edit("txt_path_save")->setText(QStringLiteral("typed.csv"));
    QTest::mouseClick(target(2), Qt::LeftButton);
    QTest::mouseClick(source(1), Qt::LeftButton);
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("typed.csv"));
}

void TestConversionPanel::suffixReplacesLastFourCharacters() {
    QTest::mouseClick(source(1), Qt::LeftButton);
    chooseSourceFile(QStringLiteral("D:\\data\\shop.txt"));
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("D:\\data\\shop_Taobao.csv"));
}

void TestConversionPanel::cancelledOpenDerivesSavePathAgain() {
    edit("txt_path")->setText(QStringLiteral("/data/old.csv"));
    edit("txt_path_save")->setText(QStringLiteral("/elsewhere/typed.csv"));
    FileDialog::setNextCancel();
    QTest::mouseClick(button(QStringLiteral("cmd_select")), Qt::LeftButton);
    const QList<FileDialog::Shown> shown = FileDialog::takeShownDialogs();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).mode, FileDialog::Mode::Open);
    QCOMPARE(shown.at(0).fileName, QStringLiteral("/data/old.csv"));
    QCOMPARE(edit("txt_path")->text(), QStringLiteral("/data/old.csv"));
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("/data/old_PaiPai.csv"));
}

void TestConversionPanel::shortFileNameLeavesSavePath() {
    edit("txt_path_save")->setText(QStringLiteral("typed.csv"));
    chooseSourceFile(QStringLiteral("a.c"));
    QCOMPARE(edit("txt_path")->text(), QStringLiteral("a.c"));
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("typed.csv"));
    // Four characters are enough for the chooser, not for a target click.
    chooseSourceFile(QStringLiteral("a.cs"));
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("_PaiPai.csv"));
    QTest::mouseClick(target(2), Qt::LeftButton);
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("_PaiPai.csv"));
}

void TestConversionPanel::saveDialogStartsFromSavePath() {
    edit("txt_path_save")->setText(QStringLiteral("/out/first.csv"));
    FileDialog::setNextFileName(QStringLiteral("/out/second.csv"));
    QTest::mouseClick(button(QStringLiteral("cmd_select_save")), Qt::LeftButton);
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("/out/second.csv"));
    FileDialog::setNextCancel();
    QTest::mouseClick(button(QStringLiteral("cmd_select_save")), Qt::LeftButton);
    QCOMPARE(edit("txt_path_save")->text(), QStringLiteral("/out/second.csv"));
    const QList<FileDialog::Shown> shown = FileDialog::takeShownDialogs();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown.at(0).mode, FileDialog::Mode::Save);
    QCOMPARE(shown.at(0).fileName, QStringLiteral("/out/first.csv"));
    QCOMPARE(shown.at(1).fileName, QStringLiteral("/out/second.csv"));
}

void TestConversionPanel::convertShowsTheConverterMessage() {
    MessageBox::setNextAnswer(MessageBox::Ok);
    QTest::mouseClick(button(QStringLiteral("cmd_conv")), Qt::LeftButton);
    QCOMPARE(MessageBox::takeRecordedTexts(), QStringList{QStringLiteral("请输入要转换的文件路径")});

    QTemporaryDir dir;
    const QString sourcePath = dir.filePath(QStringLiteral("shop.csv"));
    QVERIFY(QFile::copy(fixturePath(QStringLiteral("convert/ebay_source.csv")), sourcePath));
    QTest::mouseClick(source(2), Qt::LeftButton);
    chooseSourceFile(sourcePath);
    const QString output = dir.filePath(QStringLiteral("shop_Taobao.txt"));
    MessageBox::setNextAnswer(MessageBox::Ok);
    // Runs from the events the conversion lets through between records.
    int enabledDuring = -1;
    QTimer::singleShot(0, this, [&] { enabledDuring = button(QStringLiteral("cmd_conv"))->isEnabled(); });
    QTest::mouseClick(button(QStringLiteral("cmd_conv")), Qt::LeftButton);
    QCOMPARE(enabledDuring, 0);
    QCOMPARE(MessageBox::takeRecordedTexts(),
             QStringList{QStringLiteral("转换2个宝贝完成，生成文件为：") + output});
    QVERIFY(QFile::exists(output));
    QVERIFY(button(QStringLiteral("cmd_conv"))->isEnabled());
}

void TestConversionPanel::dialogFilterForQt_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("qtFilter");
    QTest::newRow("two patterns") << "批量导出的文件(*.csv;*.txt)|*.csv;*.txt|"
                                  << "批量导出的文件 (*.csv *.txt)";
    QTest::newRow("one pattern") << "批量导出的文件(*.csv)|*.csv|"
                                 << "批量导出的文件 (*.csv)";
    QTest::newRow("two filters") << "a|*.a|b(*.b)|*.b|"
                                 << "a (*.a);;b (*.b)";
}

void TestConversionPanel::dialogFilterForQt() {
    QFETCH(QString, filter);
    QFETCH(QString, qtFilter);
    QCOMPARE(FileDialog::toQtFilter(filter), qtFilter);
}

QTEST_MAIN(TestConversionPanel)
#include "tst_gui_conversionpanel.moc"
