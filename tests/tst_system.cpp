#include "base/System.h"
#include "support/TestMain.h"
#include "support/TestSystem.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

void putFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestSystemCalls : public QObject {
    Q_OBJECT

private slots:
    void sameFile_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<bool>("same");

        QTest::newRow("one name") << u"a.csv"_s << u"a.csv"_s << true;
        QTest::newRow("through a folder and back") << u"a.csv"_s << u"sub/../a.csv"_s << true;
        QTest::newRow("with a dot") << u"sub/b.csv"_s << u"./sub/./b.csv"_s << true;
        QTest::newRow("second name of the file") << u"a.csv"_s << u"link.csv"_s << true;
        // Equal bytes do not make one file.
        QTest::newRow("same content") << u"a.csv"_s << u"copy.csv"_s << false;
        QTest::newRow("missing") << u"a.csv"_s << u"none.csv"_s << false;
        QTest::newRow("both missing") << u"none.csv"_s << u"none.csv"_s << false;
    }

    void sameFile() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, same);
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
        putFile(dir.filePath(u"a.csv"_s), "x");
        putFile(dir.filePath(u"copy.csv"_s), "x");
        putFile(dir.filePath(u"sub/b.csv"_s), "y");
        QVERIFY(TestSystem::makeLink(dir.filePath(u"a.csv"_s), dir.filePath(u"link.csv"_s)));
        QCOMPARE(System::isSameFile(dir.filePath(first), dir.filePath(second)), same);
    }

    // A second holder is refused while the first lives, and the file goes with the first.
    void fileLockIsExclusive() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"Kestrune.lock"_s);
        {
            System::FileLock first;
            QCOMPARE(first.acquire(path, "1234\nhost\n"), System::FileLock::Result::Locked);
            QVERIFY(first.isHeld());
            QCOMPARE(fileBytes(path), QByteArray("1234\nhost\n"));

            System::FileLock second;
            QCOMPARE(second.acquire(path, "5678\n"), System::FileLock::Result::HeldByAnother);
            QVERIFY(!second.isHeld());
            QCOMPARE(fileBytes(path), QByteArray("1234\nhost\n"));
        }
        QVERIFY(!QFile::exists(path));

        // A file left behind (a crash) locks nothing, and its old content goes.
        putFile(path, "left by a crash, longer than the note");
        System::FileLock next;
        QCOMPARE(next.acquire(path, "9\n"), System::FileLock::Result::Locked);
        QCOMPARE(fileBytes(path), QByteArray("9\n"));
        next.release();
        QVERIFY(!next.isHeld());
        QVERIFY(!QFile::exists(path));
    }

    void fileLockInAMissingFolder() {
        QTemporaryDir dir;
        System::FileLock lock;
        QCOMPARE(lock.acquire(dir.filePath(u"gone/Kestrune.lock"_s), "1\n"),
                 System::FileLock::Result::CannotOpen);
        QVERIFY(!lock.isHeld());
    }

    void durableWrites() {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"out.csv"_s);
        putFile(path, "old");

        QSaveFile replacement(path);
        QVERIFY(replacement.open(QIODevice::WriteOnly));
        replacement.write("new content");
        QVERIFY(System::commitDurably(replacement));
        QCOMPARE(fileBytes(path), QByteArray("new content"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"out.csv"_s});

        QFile appended(path);
        QVERIFY(appended.open(QIODevice::Append));
        appended.write(", more");
        QVERIFY(System::syncFile(appended));
        appended.close();
        QCOMPARE(fileBytes(path), QByteArray("new content, more"));
        QVERIFY(System::syncFolder(dir.path()));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestSystemCalls)
#include "tst_system.moc"
