// kestrune-screenshots: the window's pictures in the README, taken from a real run against the
// fixture web (one picture answers 404, so the log shows one):
//     QT_QPA_PLATFORM=offscreen build/tests/kestrune-screenshots docs
// writes docs/screenshot-running.png (during the run) and docs/screenshot-main-window.png (after).
#include "gui/ItemTableModel.h"
#include "gui/MainWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

const QString kShop = QStringLiteral("http://shop33334444.taobao.com/");
QString pictureAddress(int item) {
    return QStringLiteral("http://img01.taobaocdn.com/bao/uploaded/i1/T1a%1XXXXXXXX.jpg").arg(item);
}
// The fixture's pictures are stubs; the screenshots show a shirt of its own colour for each item.
QByteArray shirtPicture(int item) {
    QImage image(120, 120, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromHsv(item * 47 % 360, 150, 210));
    painter.drawPolygon(QPolygon({{40, 15},
                                  {80, 15},
                                  {110, 40},
                                  {95, 58},
                                  {85, 50},
                                  {85, 108},
                                  {35, 108},
                                  {35, 50},
                                  {25, 58},
                                  {10, 40}}));
    painter.end();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return bytes;
}
constexpr int kMissingPictureItem = 3023;

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
    for (int item = 3001; item <= 3023; ++item) {
        if (item == kMissingPictureItem)
            server.setStatus(pictureAddress(item), 404);
        else
            server.setContent(pictureAddress(item), shirtPicture(item));
    }

    QTemporaryDir dir;
    MainWindow window(dir.path());
    window.resize(1180, 1000);
    window.show();
    // Room for the log's last lines, the 404 among them.
    auto* gridAndLog = window.findChild<QSplitter*>(QStringLiteral("gridAndLog"));
    const QList<int> sizes = gridAndLog->sizes();
    gridAndLog->setSizes({sizes.value(0) + sizes.value(1) - 230, 230});
    window.selectPlatform(Platform::Taobao);
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
