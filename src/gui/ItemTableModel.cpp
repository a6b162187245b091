#include "gui/ItemTableModel.h"

#include "formats/ItemRecord.h"

ItemTableModel::ItemTableModel(QObject* parent) : QAbstractTableModel(parent) {}

int ItemTableModel::columnWidthTwips(int column) {
    // The title column is twice as wide as the others.
    return column == 0 ? 1600 : 800;
}

void ItemTableModel::clear() {
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

void ItemTableModel::addRow(const QString& key, const QStringList& cells) {
    const int row = static_cast<int>(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append({key, cells});
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

QVariant ItemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return m_rows.at(index.row()).cells.value(index.column());
    return {};
}

QVariant ItemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < ItemRecord::kFieldCount)
        return ItemRecord::captions()[static_cast<size_t>(section)];
    return QAbstractTableModel::headerData(section, orientation, role);
}
