#include "gui/ItemGridView.h"

#include "formats/ItemRecord.h"
#include "gui/CellText.h"
#include "gui/ItemTableModel.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QHeaderView>
#include <QTimer>
#include <QUrl>

namespace {

// Rows arrive one at a time; the columns are measured once the burst has settled.
constexpr int kFitDelayMs = 150;
// Wide enough for a typical title of twenty-odd Chinese characters beside its picture.
constexpr int kTitleChars = 24;
// Rows the grid has room for when the window first opens.
constexpr int kInitialRows = 12;
// How many rows around the visible ones a column measures.
constexpr int kMeasuredRows = 300;

} // namespace

ItemGridView::ItemGridView(ItemTableModel* model, QWidget* parent)
    : QTreeView(parent), m_model(model), m_fitTimer(new QTimer(this)) {
    setObjectName(QStringLiteral("ListView1"));
    setModel(model);
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);

    const int thumbnail = fontMetrics().height() * 2;
    model->setThumbnailSize(QSize(thumbnail, thumbnail));
    setIconSize(QSize(thumbnail, thumbnail));

    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::Interactive);
    header()->setResizeContentsPrecision(kMeasuredRows);
    setColumnWidth(ItemRecord::indexOf(ItemRecord::Field::Title),
                   thumbnail + fontMetrics().horizontalAdvance(QString(kTitleChars, QChar(0x5B9D))));
    fitColumnsToContents();

    m_fitTimer->setSingleShot(true);
    m_fitTimer->setInterval(kFitDelayMs);
    connect(m_fitTimer, &QTimer::timeout, this, &ItemGridView::fitColumnsToContents);
    connect(model, &QAbstractItemModel::rowsInserted, m_fitTimer, qOverload<>(&QTimer::start));
    connect(model, &QAbstractItemModel::modelReset, m_fitTimer, qOverload<>(&QTimer::start));
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int) {
        if (!m_fitting)
            m_sizedByHand.insert(column);
    });
    connect(this, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { openItemPage(index.row()); });
}

QSize ItemGridView::sizeHint() const {
    const int rowHeight = qMax(iconSize().height(), fontMetrics().height()) + 4;
    return {QTreeView::sizeHint().width(),
            header()->sizeHint().height() + rowHeight * kInitialRows + 2 * frameWidth()};
}

int ItemGridView::mainColumnsWidth() const {
    int width = 0;
    for (int column = 0; column < kMainColumns; ++column)
        width += columnWidth(column);
    return width;
}

void ItemGridView::fitColumnsToContents() {
    m_fitting = true;
    for (int column = 0; column < ItemRecord::kFieldCount; ++column) {
        if (column != ItemRecord::indexOf(ItemRecord::Field::Title) && !m_sizedByHand.contains(column))
            resizeColumnToContents(column);
    }
    m_fitting = false;
}

bool ItemGridView::openItemPage(int row) {
    const QString address = m_model->index(row, 0).data(ItemTableModel::PageAddressRole).toString();
    if (address.isEmpty())
        return false;
    const QUrl url = QUrl::fromUserInput(address);
    if (!QDesktopServices::openUrl(url)) {
        QGuiApplication::clipboard()->setText(address);
        emit pageAddressCopied(address);
    }
    return true;
}
