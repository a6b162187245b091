#pragma once

#include "crawl/ItemTally.h"
#include "formats/StoreFormat.h"

#include <QString>

// The fixed texts of the shell's message boxes.
namespace Messages {

inline const QString kAddressEmpty = QStringLiteral("店铺地址不能为空");
inline const QString kPaiPaiAddressWrong = QStringLiteral("拍拍店铺地址不对");
inline const QString kEbayAddressWrong = QStringLiteral("易趣店铺地址不对");
inline const QString kTaobaoAddressWrong = QStringLiteral("淘宝店铺地址不对");

// An address of another platform than the one chosen.
inline const QString kTaobaoAddressChosenWrongly = QStringLiteral("这是淘宝店铺地址，请选择淘宝");
inline const QString kPaiPaiAddressChosenWrongly = QStringLiteral("这是拍拍店铺地址，请选择拍拍");
inline const QString kEbayAddressChosenWrongly = QStringLiteral("这是易趣店铺地址，请选择易趣");

inline const QString kUsageNotice = QStringLiteral(
    "此软件为方便淘宝、拍拍、易趣三栖卖家开店或店铺整体迁移而设计的辅助工具，不得用于非法用途！"
    "否则出现一切后果自付！您是否愿意遵守此条约？");
inline const QString kBreakPointFileMissing =
    QStringLiteral("有未完成的采集断点，但是找不到相应CSV文件，无法继续采集。");
// The offer naming what it resumes, and the status line once it is loaded.
inline QString resumeOffer(const QString& address, int itemsReached) {
    return QStringLiteral("有未完成的采集断点（") + address + QStringLiteral("，已采集") +
           QString::number(itemsReached) + QStringLiteral("个宝贝），是否需要装载断点以便继续采集？");
}
// Closing the window while a run is under way.
inline const QString kStopAndClose = QStringLiteral("正在采集，是否停止并退出？");
inline const QString kResumeLoaded = QStringLiteral("已装载采集断点，请按提取商品信息继续采集");
inline const QString kResumeAddressLost = QStringLiteral("需要采集的店铺地址丢失，无法完成采集。");

// Our own: a crawl that failed unexpectedly, and an output file that could not be written.
inline const QString kCrawlFailed =
    QStringLiteral("采集过程中发生意外错误，采集已停止，已采集的商品已写入输出文件。");
inline const QString kCrawlFailedNotSaved = QStringLiteral(
    "采集过程中发生意外错误，采集已停止。输出文件写入失败，已采集的商品仍保留，下次停止时将再次写入。");
inline const QString kFlushFailed =
    QStringLiteral("输出文件写入失败，已采集的商品仍保留，下次停止时将再次写入。请检查程序文件夹是否可写。");

inline const QString kJournalFailed =
    QStringLiteral("恢复记录写入失败（%1），采集已停止，已采集的商品已保留。请检查程序文件夹是否可写。");
// Recovery found rows of the journal it could not read back: they are fetched again on resume.
inline QString journalDamaged(int items) {
    return QStringLiteral("恢复记录已损坏：%1个宝贝未能恢复，请重新采集此店铺").arg(items);
}
// A dropped item's log line: why, then its address.
inline QString itemDropped(DropReason reason) {
    QString why;
    switch (reason) {
    case DropReason::PageUnreadable:
        why = QStringLiteral("页面无法读取");
        break;
    case DropReason::TooLarge:
        why = QStringLiteral("页面过大");
        break;
    case DropReason::TimedOut:
        why = QStringLiteral("读取超时");
        break;
    case DropReason::NoTitle:
        why = QStringLiteral("页面没有宝贝标题");
        break;
    case DropReason::OtherPage:
        why = QStringLiteral("不是宝贝页面");
        break;
    }
    return QStringLiteral("宝贝未能采集（") + why + QStringLiteral("），已跳过：");
}
// Added to a run's ending when items were dropped.
inline QString itemsNotCollected(int items) {
    return QStringLiteral("；") + QString::number(items) + QStringLiteral("个宝贝未能采集（见日志）");
}

// An item written to a store file without a picture address: its address follows.
inline const QString kItemWithoutPictureAddress = QStringLiteral("宝贝没有图片网址：");
// Added to a run's ending when items went to a store file without a picture address.
inline QString itemsWithoutPictureAddress(int items) {
    return QStringLiteral("；") + StoreFormat::missingPicturesNote(items);
}

// How a run ended.
inline QString runStopped(int items) {
    return QStringLiteral("已停止：已采集") + QString::number(items) + QStringLiteral("个宝贝");
}
inline QString runComplete(int items, const QString& outputPath) {
    return QStringLiteral("全部采集完成：共") + QString::number(items) + QStringLiteral("个宝贝，文件：") +
           outputPath;
}

// Added to a run's ending when some of its pictures could not be saved.
inline QString picturesNotSaved(int count) {
    return QStringLiteral("；%1张图片未能保存").arg(count);
}

// Why a run could not go on, in words a seller understands.
inline const QString kShopNotFound = QStringLiteral("店铺不存在或已关闭：");
inline const QString kLoginRequired = QStringLiteral("网站要求登录或验证，采集已暂停");
inline const QString kUnknownLayout = QStringLiteral("无法识别此店铺的页面格式，无法采集：");
inline QString networkFailed(const QString& address, const QString& reason) {
    return QStringLiteral("网络或代理连接失败（") + reason + QStringLiteral("）：") + address;
}
inline const QString kAnotherInstance = QStringLiteral("另一个Kestrune正在使用此文件夹：");

// A breakpoint that cannot be trusted is not resumed.
inline const QString kBreakPointFormatUnreadable =
    QStringLiteral("采集断点记录的输出格式无法识别，无法继续采集。请重新采集此店铺。");
inline QString breakPointNumberUnreadable(const QString& fileName) {
    return QStringLiteral(
               "采集断点记录的已采集数量无法识别，无法继续采集。是否重新采集此店铺？重新采集将替换文件") +
           fileName + QStringLiteral("。");
}
// The list of the items the file holds is missing, damaged or names another number of items than
// the file holds rows: a resume could write items twice or lose them.
inline QString writtenItemsUntrusted(const QString& fileName) {
    return QStringLiteral("采集断点的已采集宝贝记录缺失、损坏或与文件") + fileName +
           QStringLiteral("不符，无法继续采集。");
}
inline QString writtenItemsUntrustedStartAgain(const QString& fileName) {
    return writtenItemsUntrusted(fileName) + QStringLiteral("是否重新采集此店铺？重新采集将替换文件") +
           fileName + QStringLiteral("。");
}
inline QString writtenItemsUntrustedRefused(const QString& fileName) {
    return writtenItemsUntrusted(fileName) + QStringLiteral("请重新采集此店铺。");
}
inline QString outputOfAnotherFormat(const QString& fileName, const QString& assistant) {
    return QStringLiteral("文件") + fileName + QStringLiteral("不是") + assistant +
           QStringLiteral("格式，无法在其后继续采集。");
}

} // namespace Messages
