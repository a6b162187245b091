// Extracts a 100-item Taobao shop from the fixture web with the real one-second pause after
// every item, on the run engine's worker thread as the window runs it, and reports how far the run
// time lies above the floor of 100 pauses.
//
//     build/bench/bench_taobao_extract
#include "base/ProgramIdentity.h"
#include "base/StopSignal.h"
#include "run/CollectCommand.h"
#include "run/ExtractionSession.h"
#include "run/RunEngine.h"
#include "web/InterruptiblePause.h"

#include "support/FakeWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kItems = 100;
constexpr int kFirstId = 9001;
constexpr int kPerPage = 20;
constexpr int kPauseMs = 1000;
const QString kShop = QStringLiteral("http://shop10000100.taobao.com/");

QByteArray readTemplate(const QString& name) {
    QFile file(fixturePath(QStringLiteral("bench/taobao/") + name));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "missing template %s\n", qPrintable(file.fileName()));
        std::exit(2);
    }
    return file.readAll();
}

// An address's query is kept in the file name after %3F, as the fixture web reads it.
bool writeFile(const QString& root, const QString& relative, const QByteArray& bytes) {
    const QString path = QDir(root).filePath(QString(relative).replace(u'?', QStringLiteral("%3F")));
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray withId(QByteArray bytes, int id) {
    return bytes.replace("@ID@", QByteArray::number(id));
}

// The shop of the templates: one category of 100 items, 20 to a list page; the sixth page the
// page count asks for is empty, as on the site.
bool writeShop(const QString& root) {
    const QByteArray home = readTemplate(QStringLiteral("index.html"));
    const QByteArray list = readTemplate(QStringLiteral("list.html"));
    const QByteArray cell = readTemplate(QStringLiteral("cell.html"));
    const QByteArray item = readTemplate(QStringLiteral("item.htm"));
    const QByteArray description = readTemplate(QStringLiteral("desc.js"));
    const QByteArray picture =
        QByteArray::fromHex("ffd8ffe000104a46494600010101004800480000ffd9").repeated(200);

    bool ok = writeFile(root, QStringLiteral("shop10000100.taobao.com/index.html"), home);
    const int pages = kItems / kPerPage + 1;
    for (int page = 1; page <= pages; ++page) {
        QByteArray cells;
        for (int n = 0; n < kPerPage; ++n) {
            const int index = (page - 1) * kPerPage + n;
            if (index < kItems)
                cells += withId(cell, kFirstId + index);
        }
        QByteArray body = list;
        body.replace("@CELLS@", cells);
        ok = ok &&
             writeFile(
                 root,
                 QStringLiteral("shop10000100.taobao.com/index.html?page_num=%1&cat=1&search=y").arg(page),
                 body);
        if (page == 1)
            ok = ok &&
                 writeFile(root, QStringLiteral("shop10000100.taobao.com/index.html?cat=1&search=y"), body);
    }
    for (int id = kFirstId; id < kFirstId + kItems; ++id) {
        ok =
            ok && writeFile(root, QStringLiteral("item.taobao.com/item.htm?id=%1").arg(id), withId(item, id));
        ok = ok && writeFile(root, QStringLiteral("dsc.taobaocdn.com/i1/%1/desc.js?t=1236268800").arg(id),
                             withId(description, id));
        ok = ok &&
             writeFile(root, QStringLiteral("img01.taobaocdn.com/bao/uploaded/i1/T1a%1XXXXXXXX.jpg").arg(id),
                       picture);
    }
    return ok;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);

    QTemporaryDir web;
    QTemporaryDir programDir;
    if (!web.isValid() || !programDir.isValid() || !writeShop(web.path())) {
        std::fprintf(stderr, "cannot write the fixture shop\n");
        return 2;
    }
    FixtureWebServer server(web.path());
    if (!server.start()) {
        std::fprintf(stderr, "cannot start the fixture web\n");
        return 2;
    }
    server.useAsProxy();

    // The run as the window starts it: on the engine's thread, its rows arriving as signals.
    RunEngine engine(programDir.path());
    RunRequest request;
    request.platform = Platform::Taobao;
    request.format = FileFormat::TaobaoAssistant;
    request.address = kShop;
    int rows = 0;
    QObject::connect(&engine, &RunEngine::rowAdded, [&rows] { ++rows; });
    QEventLoop loop;
    QObject::connect(&engine, &RunEngine::finished, &loop, &QEventLoop::quit);

    QElapsedTimer timer;
    timer.start();
    engine.start(request);
    loop.exec();
    const qint64 elapsed = timer.elapsed();

    const qint64 requests = server.requestedAddresses().size();

    // The same shop once more without pauses, in a fresh folder: the work itself, apart from
    // how closely the pauses keep to their second.
    FakeWindow quickWindow;
    quickWindow.platform = request.platform;
    quickWindow.format = request.format;
    quickWindow.address = kShop;
    QTemporaryDir quickDir;
    ExtractionSession quickSession(quickWindow, quickDir.path());
    quickSession.context().setPauseScale(0.0);
    CollectCommand quickController(quickSession);
    timer.restart();
    quickController.collect();
    const qint64 work = timer.elapsed();

    const qint64 floor = qint64(kItems) * kPauseMs;
    const double overhead = 100.0 * double(elapsed - floor) / double(floor);
    std::printf("items extracted:  %d of %d\n", rows, kItems);
    std::printf("requests:         %lld\n", static_cast<long long>(requests));
    std::printf("run time:         %lld ms\n", static_cast<long long>(elapsed));
    std::printf("floor (pauses):   %lld ms\n", static_cast<long long>(floor));
    std::printf("overhead:         %lld ms (%.2f %%, target under 2 %%)\n",
                static_cast<long long>(elapsed - floor), overhead);

    // How closely one pause keeps to its second: the part of the overhead that is not work.
    constexpr int kPauseSamples = 3;
    StopSignal pauseStop;
    timer.restart();
    for (int i = 0; i < kPauseSamples; ++i)
        interruptiblePause(
            kPauseMs, [] { return false; }, &pauseStop);
    const double pauseExcess = double(timer.elapsed() - qint64(kPauseSamples) * kPauseMs) / kPauseSamples;

    std::printf("work, no pauses:  %lld ms (%.1f ms an item)\n", static_cast<long long>(work),
                double(work) / kItems);
    std::printf("one pause:        %.1f ms over its %d ms\n", pauseExcess, kPauseMs);
    return rows == kItems && quickWindow.rows.size() == kItems ? 0 : 1;
}
