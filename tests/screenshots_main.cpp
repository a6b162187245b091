// kestrune-screenshots: the window's pictures in the README, taken from a real run against the
// fixture web (one picture answers 404, so the log shows one):
//     QT_QPA_PLATFORM=offscreen build/tests/kestrune-screenshots docs
// writes docs/screenshot-running.png (during the run) and docs/screenshot-main-window.png (after).
#include "gui/ItemTableModel.h"
#include "gui/MainWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

const QString kShop = QStringLiteral("http://shop33334444.taobao.com/");
const QString kMissingPicture =
    QStringLiteral("http://img01.taobaocdn.com/bao/uploaded/i1/T1a3003XXXXXXXX.jpg");

bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > 120000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool save(QWidget& window, const QString& path) {
    const bool saved = window.grab().save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "cannot write", qPrintable(path));
    return saved;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));

    FixtureWebServer server(fixturePath(QStringLiteral("web")));
    if (!server.start())
        return 1;
    server.useAsProxy();
    server.setStatus(kMissingPicture, 404);
    server.setStatus(kMissingPicture + QStringLiteral("_sum.jpg"), 404);

    QTemporaryDir dir;
    MainWindow window(dir.path());
    window.resize(1180, 940);
    window.show();
    window.selectPlatform(2);
    window.setAddressText(kShop);
    window.findChild<QPushButton*>(QStringLiteral("cmd_go"))->click();

    if (!waitFor([&] { return window.itemModel()->rowCount() >= 9; }))
        return 1;
    if (!save(window, out.filePath(QStringLiteral("screenshot-running.png"))))
        return 1;
    if (!waitFor([&] { return window.engine().isIdle(); }))
        return 1;
    // The last rows and log lines in view.
    QApplication::processEvents();
    return save(window, out.filePath(QStringLiteral("screenshot-main-window.png"))) ? 0 : 1;
}
