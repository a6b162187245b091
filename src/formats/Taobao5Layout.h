#pragma once

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// The layout today's Taobao Assistant exports and imports: line 1 "version 1.00", line 2 the field
// names, line 3 their captions, then one item per record, TAB-separated with CSV quoting.
// Files name their fields, so the reader finds them by name; the writer uses this order.
enum class Taobao5Field {
    Title,
    Cid,
    SellerCids,
    StuffStatus,
    LocationState,
    LocationCity,
    ItemType,
    Price,
    AuctionIncrement,
    Num,
    ValidThru,
    FreightPayer,
    PostFee,
    EmsFee,
    ExpressFee,
    HasInvoice,
    HasWarranty,
    ApproveStatus,
    HasShowcase,
    ListTime,
    Description,
    CateProps,
    PostageId,
    HasDiscount,
    Modified,
    UploadFailMsg,
    PictureStatus,
    AuctionPoint,
    Picture,
    Video,
    SkuProps,
    InputPids,
    InputValues,
    OuterId,
    PropAlias,
    AutoFill,
    NumId,
    LocalCid,
    NavigationType,
    UserName,
    SyncStatus,
    IsLightingConsigment,
    IsXinpin,
    FoodParame,
    Features,
    BuyAreaType,
    GlobalStockType,
    GlobalStockCountry,
    SubStockType,
    ItemSize,
    ItemWeight,
    SellPromise,
    CustomDesignFlag,
    WirelessDesc,
    Barcode,
    SkuBarcode,
    NewPrepay,
    Subtitle,
    CpvMemo,
    InputCustomCpv,
    Qualification,
    AddQualification,
    O2oBindService,
    Count
};

namespace Taobao5Layout {

inline constexpr int kFieldCount = static_cast<int>(Taobao5Field::Count);

// Line 1 of every file of this layout.
QString versionLine();
QString fieldName(Taobao5Field field);
// Line 3; on a PC with another locale it arrives garbled, so nothing reads it back.
QString caption(Taobao5Field field);
// Text values are written in double quotes, numbers bare.
bool isText(Taobao5Field field);
std::optional<Taobao5Field> fieldByName(QStringView name);

// A name of a header line as written: spaces and one pair of enclosing quotes removed.
QStringView headerName(QStringView raw);

// Lines 1 to 3 joined by LF, each ending in LF.
QString headerText();

// Line 1 exactly (a trailing CR, TABs or spaces allowed: editors leave them).
bool isVersionLine(QStringView line);
// Line 2: TAB-separated names among which the item's title and price are named.
bool isFieldNameLine(QStringView line);

} // namespace Taobao5Layout
