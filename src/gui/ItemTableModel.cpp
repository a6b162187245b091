#include "gui/ItemTableModel.h"

#include "formats/ItemRecord.h"
#include "gui/CellText.h"
#include "gui/Thumbnail.h"

namespace {

constexpr qsizetype kThumbnailCacheBytes = 8 * 1024 * 1024;

bool looksLikeNumber(const QString& text) {
    bool ok = false;
    text.toDouble(&ok);
    return ok;
}

} // namespace

ItemTableModel::ItemTableModel(QObject* parent) : QAbstractTableModel(parent) {
    m_thumbnails.setMaxCost(kThumbnailCacheBytes);
    setThumbnailSize(m_thumbnailSize);
}

void ItemTableModel::setThumbnailSize(const QSize& size) {
    m_thumbnailSize = size;
    m_placeholder = Thumbnail::placeholder(size);
    m_thumbnails.clear();
    for (Row& row : m_rows) {
        if (row.picture == PictureState::Read)
            row.picture = PictureState::NotRead;
    }
}

void ItemTableModel::clear() {
    beginResetModel();
    m_rows.clear();
    m_thumbnails.clear();
    endResetModel();
}

void ItemTableModel::addRow(const QString& key, const QStringList& cells) {
    Row added;
    added.key = key;
    added.cells.reserve(ItemRecord::kFieldCount);
    for (int column = 0; column < ItemRecord::kFieldCount; ++column)
        added.cells.append(readableCellText(column, cells.value(column)));
    added.picturePath = cells.value(ItemRecord::indexOf(ItemRecord::Field::Picture)).trimmed();
    added.pageAddress = cells.value(ItemRecord::kFieldCount).trimmed();
    if (added.picturePath.isEmpty())
        added.picture = PictureState::Failed;

    const int row = static_cast<int>(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append(std::move(added));
    endInsertRows();
}

QString ItemTableModel::rowKey(int row) const {
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).key : QString();
}

int ItemTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ItemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ItemRecord::kFieldCount;
}

QVariant ItemTableModel::thumbnail(int row) const {
    const Row& entry = m_rows.at(row);
    if (entry.picture == PictureState::Failed)
        return m_placeholder;
    if (const QPixmap* cached = m_thumbnails.object(row))
        return *cached;
    QPixmap loaded = Thumbnail::load(entry.picturePath, m_thumbnailSize);
    if (loaded.isNull()) {
        entry.picture = PictureState::Failed;
        return m_placeholder;
    }
    entry.picture = PictureState::Read;
    const qsizetype bytes = qsizetype(loaded.width()) * loaded.height() * 4;
    m_thumbnails.insert(row, new QPixmap(loaded), bytes);
    return loaded;
}

QVariant ItemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size() || index.column() >= ItemRecord::kFieldCount)
        return {};
    const Row& row = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return row.cells.at(index.column());
    case Qt::DecorationRole:
        if (index.column() == ItemRecord::indexOf(ItemRecord::Field::Title))
            return thumbnail(index.row());
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() != ItemRecord::indexOf(ItemRecord::Field::Title) &&
            looksLikeNumber(row.cells.at(index.column())))
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    case PageAddressRole:
        return row.pageAddress;
    case PicturePathRole:
        return row.picturePath;
    case HasPictureRole:
        if (index.column() != ItemRecord::indexOf(ItemRecord::Field::Title))
            return {};
        thumbnail(index.row());
        return row.picture == PictureState::Read;
    default:
        return {};
    }
}

QVariant ItemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ItemRecord::kFieldCount)
        return ItemRecord::captions()[static_cast<size_t>(section)];
    return QAbstractTableModel::headerData(section, orientation, role);
}
