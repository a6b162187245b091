#pragma once

#include <QtGlobal>

// Column positions, counted from 0, in the rows of the older assistant layouts (see the tables in
// AssistantFormat.cpp). A Taobao Assistant row holds the item record's fields in their order: its
// columns are named by ItemRecord::Field. Only the columns that code or tests look at are named.

// PaiPai Assistant as the row writer writes it.
enum class PaiPaiColumn {
    Title = 3,
    SaleType = 5,
    Category = 6,
    Quantity = 9,
    Duration = 10,
    Condition = 12,
    Price = 13,
    Increment = 14,
    Province = 15,
    City = 16,
    PostFee = 18,
    ExpressFee = 19,
    Picture = 29,
    Description = 31,
};

// PaiPai Assistant as the converter writes and reads it: it lacks the purchase limit column, so
// from the payment option on every column sits one place earlier than in the row writer's layout.
enum class PaiPaiConverterColumn {
    Title = 3,
    SaleType = 5,
    Category = 6,
    Quantity = 9,
    Duration = 10,
    Condition = 12,
    Price = 13,
    Increment = 14,
    ShippingOption = 17,
    PostFee = 18,
    ExpressFee = 19,
    SecureTrade = 23,
    Picture = 28,
    Description = 30,
};

// eBay Assistant as written by the row writer and the converter.
enum class EbayColumn {
    Title = 0,
    Quantity = 2,
    Price = 5,
    Description = 6,
    ProductNumber = 7,
    Picture = 11,
};

// An eBay Assistant export as the converter reads it by position (AssistantFormat::ebayExport):
// not the layout the program writes (EbayColumn), which it reads by the names of its header.
enum class EbaySourceColumn {
    Title = 3,
    Price = 13,
    Description = 28,
    Picture = 30,
};

// The position of a named column in a row's list of values.
template <typename Column> constexpr qsizetype columnIndex(Column column) {
    return static_cast<qsizetype>(column);
}
