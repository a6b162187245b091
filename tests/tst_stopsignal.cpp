#include "base/StopSignal.h"
#include "support/TestMain.h"

#include <QTest>
#include <QThread>

// The stop request shared by the thread that asks for it and the thread that runs.
class TestStopSignal : public QObject {
    Q_OBJECT

private slots:
    // A request from another thread wakes a waiting pause; reset makes waits last again.
    void stopSignalWakesAWait() {
        StopSignal stop;
        QVERIFY(!stop.waitFor(1));
        QThread* requester = QThread::create([&stop] {
            QThread::msleep(20);
            stop.request();
        });
        requester->start();
        QVERIFY(stop.waitFor(60000));
        QVERIFY(stop.isRequested());
        requester->wait();
        delete requester;
        QVERIFY(stop.waitFor(60000));
        stop.reset();
        QVERIFY(!stop.isRequested());
        QVERIFY(!stop.waitFor(1));
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestStopSignal)
#include "tst_stopsignal.moc"
