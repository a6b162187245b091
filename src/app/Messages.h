#pragma once

#include <QString>

// The fixed texts of the shell's message boxes.
namespace Messages {

inline const QString kAddressEmpty = QStringLiteral("店铺地址不能为空");
inline const QString kPaiPaiAddressWrong = QStringLiteral("拍拍店铺地址不对");
inline const QString kEbayAddressWrong = QStringLiteral("易趣店铺地址不对");
inline const QString kTaobaoAddressWrong = QStringLiteral("淘宝店铺地址不对");

inline const QString kUsageNotice = QStringLiteral(
    "此软件为方便淘宝、拍拍、易趣三栖卖家开店或店铺整体迁移而设计的辅助工具，不得用于非法用途！"
    "否则出现一切后果自付！您是否愿意遵守此条约？");
inline const QString kBreakPointFileMissing =
    QStringLiteral("有未完成的采集断点，但是找不到相应CSV文件，无法继续采集。");
inline const QString kResumeOffer = QStringLiteral("有未完成的采集断点，是否需要装载断点以便继续采集？");
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
inline const QString kItemDropped = QStringLiteral("宝贝页面无法读取（过大、超时或出错），已跳过：");

} // namespace Messages
