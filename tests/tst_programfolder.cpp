#include "run/ProgramFolder.h"
#include "support/TestMain.h"
#include "support/WebTestSupport.h"

#include <QFileInfo>
#include <QTest>

using ProgramFolder::Source;

class TestProgramFolder : public QObject {
    Q_OBJECT

private slots:
    void choice_data() {
        QTest::addColumn<QString>("dataDir");
        QTest::addColumn<QString>("executableDir");
        QTest::addColumn<bool>("writable");
        QTest::addColumn<QString>("prefix");
        QTest::addColumn<bool>("installedLayout");
        QTest::addColumn<QString>("userData");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("source");

        const QString user = QStringLiteral("/home/u/.local/share/kestrune");
        const int dataDir = int(Source::DataDir);
        const int own = int(Source::OwnFolder);
        const int userData = int(Source::UserDataFolder);
        addRow("own writable folder", "", "/home/u/kestrune", true, "/usr/local", false, user,
               "/home/u/kestrune", own);
        addRow("system folder not writable", "", "/usr/bin", false, "/usr/local", false, user, user,
               userData);
        addRow("installed under the prefix", "", "/usr/local/bin", true, "/usr/local", false, user, user,
               userData);
        addRow("prefix with trailing slash", "", "/opt/k/bin", true, "/opt/k/", false, user, user, userData);
        addRow("installed under another prefix", "", "/home/u/apps/bin", true, "/usr/local", true, user, user,
               userData);
        addRow("beside the prefix is not in it", "", "/usr/local2/bin", true, "/usr/local", false, user,
               "/usr/local2/bin", own);
        addRow("root is no prefix", "", "/work/build/src", true, "/", false, user, "/work/build/src", own);
        addRow("data dir wins over own folder", "/tmp/d/", "/home/u/kestrune", true, "/usr/local", false,
               user, "/tmp/d", dataDir);
        addRow("data dir wins when installed", "/tmp/d", "/usr/bin", false, "/usr", true, user, "/tmp/d",
               dataDir);
        addRow("no home: own folder", "", "/usr/bin", false, "/usr", false, "", "/usr/bin", own);
    }

    void choice() {
        QFETCH(QString, dataDir);
        QFETCH(QString, executableDir);
        QFETCH(bool, writable);
        QFETCH(QString, prefix);
        QFETCH(bool, installedLayout);
        QFETCH(QString, userData);
        QFETCH(QString, folder);
        QFETCH(int, source);

        ProgramFolder::Facts facts;
        facts.dataDir = dataDir;
        facts.executableDir = executableDir;
        facts.executableDirWritable = writable;
        facts.installPrefix = prefix;
        facts.installedLayout = installedLayout;
        facts.userDataDir = userData;
        const ProgramFolder::Choice choice = ProgramFolder::choose(facts);
        // Windows puts the current drive before a folder from the root.
        QCOMPARE(choice.folder, QFileInfo(folder).absoluteFilePath());
        QCOMPARE(int(choice.source), source);
    }

    // This test's own executable lives in a writable build folder outside any install prefix.
    void thisProcess() {
        const ProgramFolder::Facts facts = ProgramFolder::facts({});
        QCOMPARE(facts.executableDir, QCoreApplication::applicationDirPath());
        QVERIFY(facts.executableDirWritable);
        QVERIFY(!facts.installedLayout);
        QCOMPARE(ProgramFolder::choose(facts).source, Source::OwnFolder);
    }
};

KESTRUNE_TEST_MAIN(TestProgramFolder)
#include "tst_programfolder.moc"
