#pragma once

#include <QAbstractTableModel>
#include <QCache>
#include <QList>
#include <QPixmap>
#include <QSize>
#include <QStringList>

// The rows of ListView1: one item per row, in item-record column order, each row with its key
// ("QXV" + the row count before it was added). Display only: a row keeps the cells as a person
// reads them, the picture's path and the item's page address; nothing reads values back.
class ItemTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role {
        PageAddressRole = Qt::UserRole + 1, // the item's page, on every cell of the row
        PicturePathRole,                    // the downloaded picture's file
        HasPictureRole,                     // true: a thumbnail; false: the placeholder
    };

    explicit ItemTableModel(QObject* parent = nullptr);

    void clear();
    // cells: the record's 31 values as the parsers show them; a 32nd value, when present, is
    // the item's page address.
    void addRow(const QString& key, const QStringList& cells);
    QString rowKey(int row) const;

    // Thumbnails are this size; set before rows are shown.
    void setThumbnailSize(const QSize& size);
    QSize thumbnailSize() const { return m_thumbnailSize; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    enum class PictureState : quint8 { NotRead, Read, Failed };
    struct Row {
        QString key;
        QStringList cells;
        QString picturePath;
        QString pageAddress;
        // What the file held when it was first read; painting learns it.
        mutable PictureState picture = PictureState::NotRead;
    };

    QVariant thumbnail(int row) const;

    QList<Row> m_rows;
    QSize m_thumbnailSize{32, 32};
    QPixmap m_placeholder;
    // Read once when a row is first shown and kept, scaled, within a few megabytes; a row that
    // scrolled out of the cache long ago is read again when it comes back into view.
    mutable QCache<int, QPixmap> m_thumbnails;
};
