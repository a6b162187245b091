#pragma once

#include <QString>
#include <QStringList>

#include <array>

// One item as collected: 31 text values in grid column order. Several fields carry their own
// double quotes (title, province, city, saleType, startTime, story, description, picture,
// attributes); the quotes are part of the value everywhere.
struct ItemRecord {
    static constexpr int kFieldCount = 31;

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

    // The 31 values in field order.
    QStringList values() const;
    static ItemRecord fromValues(const QStringList& values);
    // The grid captions, in field order.
    static const std::array<QString, kFieldCount>& captions();
};
