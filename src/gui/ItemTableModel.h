#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The rows of ListView1: one item per row, in item-record column order, each row with its key
// ("QXV" + the row count before it was added). Display only.
class ItemTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ItemTableModel(QObject* parent = nullptr);

    static int columnWidthTwips(int column);

    void clear();
    void addRow(const QString& key, const QStringList& cells);
    QString rowKey(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QString key;
        QStringList cells;
    };
    QList<Row> m_rows;
};
