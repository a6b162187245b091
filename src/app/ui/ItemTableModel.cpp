#include "app/ui/ItemTableModel.h"

#include <array>

namespace {

const std::array<QString, ItemTableModel::ColumnCount> kCaptions{
    QStringLiteral("宝贝名称"), QStringLiteral("宝贝类目"),     QStringLiteral("店铺类目"),
    QStringLiteral("新旧程度"), QStringLiteral("省"),           QStringLiteral("城市"),
    QStringLiteral("出售方式"), QStringLiteral("宝贝价格"),     QStringLiteral("加价幅度"),
    QStringLiteral("宝贝数量"), QStringLiteral("有效期"),       QStringLiteral("运费承担"),
    QStringLiteral("平邮"),     QStringLiteral("EMS"),          QStringLiteral("快递"),
    QStringLiteral("付款方式"), QStringLiteral("支付宝"),       QStringLiteral("发票"),
    QStringLiteral("保修"),     QStringLiteral("自动重发"),     QStringLiteral("放入仓库"),
    QStringLiteral("橱窗推荐"), QStringLiteral("发布时间"),     QStringLiteral("心情故事"),
    QStringLiteral("宝贝描述"), QStringLiteral("宝贝图片"),     QStringLiteral("宝贝属性"),
    QStringLiteral("团购价"),   QStringLiteral("最小团购件数"), QStringLiteral("邮费模版ID"),
    QStringLiteral("会员打折"),
};

} // namespace

ItemTableModel::ItemTableModel(QObject* parent) : QAbstractTableModel(parent) {}

QString ItemTableModel::columnCaption(int column) {
    return column >= 0 && column < ColumnCount ? kCaptions[static_cast<size_t>(column)] : QString();
}

int ItemTableModel::columnWidthTwips(int column) {
    return column == Title ? 1600 : 800;
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

int ItemTableModel::rowOfKey(const QString& key) const {
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows.at(row).key == key)
            return row;
    }
    return -1;
}

int ItemTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ItemTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ItemTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row& row = m_rows.at(index.row());
    if (role == KeyRole)
        return row.key;
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return row.cells.value(index.column());
    return {};
}

QVariant ItemTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return columnCaption(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}
