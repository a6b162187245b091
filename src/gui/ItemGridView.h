#pragma once

#include <QSet>
#include <QTreeView>

class ItemTableModel;
class QTimer;

// ListView1 as the window shows it: a thumbnail and the whole title in a wide first column, the
// other columns as wide as their contents (until the user sizes one by hand), and a double
// click that opens the item's page.
class ItemGridView : public QTreeView {
    Q_OBJECT

public:
    explicit ItemGridView(ItemTableModel* model, QWidget* parent = nullptr);

    // Opens the page address of row in the browser; without one, copies it to the clipboard.
    // False when the row has no address.
    bool openItemPage(int row);

    // The columns a seller reads an item by, from the title to the courier fee; the window opens
    // wide enough for them.
    static constexpr int kMainColumns = 15;
    int mainColumnsWidth() const;

    // Room for about a dozen rows.
    QSize sizeHint() const override;

signals:
    // The address went to the clipboard because no browser took it.
    void pageAddressCopied(const QString& address);

private:
    void fitColumnsToContents();

    ItemTableModel* m_model;
    QTimer* m_fitTimer;
    QSet<int> m_sizedByHand;
    bool m_fitting = false;
};
