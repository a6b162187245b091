// kestrune-screenshots: the window's pictures in the README, taken from a real run against the
// fixture web (one picture answers 404, so the log shows one), then a conversion:
//     scripts/screenshots.sh            (under Xvfb and openbox, at 1366x768 and 1920x1080)
//     QT_QPA_PLATFORM=offscreen build/tests/kestrune-screenshots docs [SUFFIX]
// writes docs/screenshot-running-SUFFIX.png (during the run), docs/screenshot-finished-SUFFIX.png
// (after it) and docs/screenshot-converted-SUFFIX.png (the conversion's box). Under a window
// manager the whole screen is taken, frame and all; offscreen only the window.
#include "base/System.h"
#include "gui/ItemTableModel.h"
#include "gui/MainWindow.h"
#include "support/FixtureWebServer.h"
#include "support/TestPaths.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTimer>

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
    // Let the window manager and the window finish drawing first.
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 700)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    const bool offscreen = QGuiApplication::platformName() == u"offscreen";
    const QPixmap picture = offscreen ? window.grab() : window.screen()->grabWindow(0);
    const bool saved = picture.save(path);
    std::fprintf(stderr, "%s %s\n", saved ? "wrote" : "cannot write", qPrintable(path));
    return saved;
}

int takeScreenshots(int argc, char** argv) {
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

    const QString suffix = argc > 2 ? u'-' + QString::fromLocal8Bit(argv[2]) : QString();
    const auto picture = [&](const char* name) {
        return out.filePath(QStringLiteral("screenshot-") + QLatin1String(name) + suffix +
                            QStringLiteral(".png"));
    };

    // A first start: the window opens at its default size in the middle of the screen.
    QTemporaryDir dir;
    MainWindow window(dir.path());
    window.showAtSavedPlacement();
    window.selectPlatform(Platform::Taobao);
    window.setAddressText(kShop);
    window.findChild<QPushButton*>(QStringLiteral("cmd_go"))->click();

    if (!waitFor([&] { return window.itemModel()->rowCount() >= 9; }))
        return 1;
    if (!save(window, picture("running")))
        return 1;
    if (!waitFor([&] { return window.engine().isIdle(); }))
        return 1;
    // The last rows and log lines in view.
    QApplication::processEvents();
    if (!save(window, picture("finished")))
        return 1;

    // The file just written, converted to PaiPai's format; the picture is taken while the
    // conversion's box is up, then the box is closed.
    const QString source = QDir(dir.path()).filePath(QStringLiteral("Taobao_33334444.csv"));
    window.findChild<QLineEdit*>(QStringLiteral("txt_path"))->setText(source);
    window.findChild<QRadioButton*>(QStringLiteral("Option3_0"))->click();
    window.findChild<QRadioButton*>(QStringLiteral("Option4_1"))->click();
    window.findChild<QLineEdit*>(QStringLiteral("txt_path_save"))
        ->setText(QDir(dir.path()).filePath(QStringLiteral("Taobao_33334444_PaiPai.csv")));
    bool converted = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || converted)
            return;
        converted = true;
        save(window, picture("converted"));
        box->done(QMessageBox::Ok);
    });
    watch.start(100);
    window.findChild<QPushButton*>(QStringLiteral("cmd_conv"))->click();
    return waitFor([&] { return converted; }) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    System::endProcess(takeScreenshots(argc, argv));
}
