#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>

// The rows of ListView1: one item per row, 31 columns in item-record order, each row with its
// key ("QXV" + the row count before it was added). Display only.
class ItemTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column {
        Title,
        Category,
        ShopCategory,
        Condition,
        Province,
        City,
        SaleType,
        Price,
        Increment,
        Quantity,
        Duration,
        FreightPayer,
        PostFee,
        EmsFee,
        ExpressFee,
        PaymentMethod,
        Alipay,
        Invoice,
        Warranty,
        AutoRepost,
        PutInStore,
        ShopWindow,
        StartTime,
        Story,
        Description,
        Picture,
        Attributes,
        GroupPrice,
        GroupMinCount,
        PostageTemplateId,
        MemberDiscount,
        ColumnCount
    };

    // The role under which a row's key is found.
    static constexpr int KeyRole = Qt::UserRole + 1;

    explicit ItemTableModel(QObject* parent = nullptr);

    static QString columnCaption(int column);
    static int columnWidthTwips(int column);

    void clear();
    void addRow(const QString& key, const QStringList& cells);
    QString rowKey(int row) const;
    int rowOfKey(const QString& key) const;

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
