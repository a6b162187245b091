#pragma once

#include <QString>
#include <QStringList>

#include <array>

// One item as collected: 31 plain text values in grid column order. No value carries the quoting
// or codes of a file layout: each layout's writer quotes what it needs, each reader removes it.
struct ItemRecord {
    // The fields in grid column order, which is also the order of the Taobao Assistant columns.
    enum class Field {
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
    };
    static constexpr int kFieldCount = static_cast<int>(Field::MemberDiscount) + 1;
    // The field's position in values(), captions() and a Taobao Assistant row.
    static constexpr int indexOf(Field field) { return static_cast<int>(field); }

    QString title;
    QString category;
    QString shopCategory;
    QString condition;
    QString province;
    QString city;
    QString saleType;
    QString price;
    QString increment;
    QString quantity;
    QString duration;
    QString freightPayer;
    QString postFee;
    QString emsFee;
    QString expressFee;
    QString paymentMethod;
    QString alipay;
    QString invoice;
    QString warranty;
    QString autoRepost;
    QString putInStore;
    QString shopWindow;
    QString startTime;
    QString story;
    QString description;
    QString picture;
    QString attributes;
    QString groupPrice;
    QString groupMinCount;
    QString postageTemplateId;
    QString memberDiscount;

    // The item page the record was read from, for the window to open. Not a field: neither the
    // grid's columns nor any assistant layout carry it.
    QString pageAddress;
    // The address the item's picture was fetched from (picture holds the file it was saved as),
    // for the store files, whose stores fetch pictures themselves. Not a field either.
    QString pictureAddress;
    // What the shop's pages tell of the item beyond its own page, for the store files: the shop's
    // name, and the names of the shop category whose list named the item, a parent's name first.
    // Empty where the pages give none or the item came from the all-items list. Not fields.
    QString shopName;
    QStringList categoryNames;

    QString& operator[](Field field);
    const QString& operator[](Field field) const;

    // The 31 values in field order.
    QStringList values() const;
    static ItemRecord fromValues(const QStringList& values);
    // The grid captions, in field order.
    static const std::array<QString, kFieldCount>& captions();
};
