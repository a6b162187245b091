// The grid with 10,000 items: adding the rows (target under a second), the columns fitted to
// them, a paint of the first screen and one of the last, and the thumbnails' memory.
#include "formats/ItemRecord.h"
#include "gui/CellText.h"
#include "gui/ItemGridView.h"
#include "gui/ItemTableModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kRows = 10000;

double seconds(const QElapsedTimer& clock) {
    return clock.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // Every tenth item's picture failed; the others share ten real pictures of 400 x 400.
    QTemporaryDir dir;
    QStringList pictures;
    for (int i = 0; i < 10; ++i) {
        QImage image(400, 400, QImage::Format_RGB32);
        image.fill(QColor::fromHsv(i * 36, 160, 220));
        const QString path = QDir(dir.path()).filePath(QStringLiteral("T%1.jpg").arg(i));
        image.save(path, "JPG");
        pictures.append(path);
    }
    QList<QStringList> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        ItemRecord record = ItemRecord::fromValues(QStringList(ItemRecord::kFieldCount, QStringLiteral("0")));
        record.title = QStringLiteral("2009新款 Levi&#39;s 纯棉T恤 第%1号 &amp; 包邮").arg(i);
        record.price = QStringLiteral("%1.000000").arg(100 + i);
        record.description = QStringLiteral("<p>纯棉&nbsp;<b>T恤</b>，正品保证，欢迎选购！</p>");
        record.picture = i % 10 == 9 ? QStringLiteral("/missing.jpg") : pictures.at(i % 10);
        QStringList cells = record.values();
        cells.append(QStringLiteral("http://item.taobao.com/item.htm?id=%1").arg(i));
        rows.append(cells);
    }

    ItemTableModel model;
    ItemGridView view(&model);
    view.resize(1000, 700);
    view.show();
    QApplication::processEvents();

    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < kRows; ++i)
        model.addRow(QStringLiteral("QXV") + QString::number(i), rows.at(i));
    QApplication::processEvents();
    const double add = seconds(clock);

    clock.restart();
    QElapsedTimer settle;
    settle.start();
    while (settle.elapsed() < 400)
        QApplication::processEvents();
    const QPixmap first = view.grab();
    const double firstPaint = seconds(clock) - 0.4;

    clock.restart();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    const QPixmap last = view.grab();
    const double lastPaint = seconds(clock);

    clock.restart();
    const QPixmap again = view.grab();
    const double repaint = seconds(clock);

    std::printf("rows                         %d\n", kRows);
    std::printf("add %d rows                %.3f s (target under 1 s)%s\n", kRows, add,
                add < 1.0 ? "" : "  TOO SLOW");
    std::printf("fit columns, first screen    %.3f s\n", firstPaint);
    std::printf("scroll to the end, paint     %.3f s\n", lastPaint);
    std::printf("repaint (thumbnails kept)    %.3f s\n", repaint);
    return add < 1.0 && !first.isNull() && !last.isNull() && !again.isNull() ? EXIT_SUCCESS : EXIT_FAILURE;
}
