#pragma once

#include <QString>

class QTime;
struct FetchReport;

// The lines of a run's log, the same in the window's log panel and in the command line's --log
// file: the time, what kind of line, then what happened, always on one line.
//     16:05:26 页面 成功 0.12秒 http://item.taobao.com/item.htm?id=1001
//     16:05:27 图片 HTTP 404 0.01秒 http://img01.taobaocdn.com/1001.jpg
//     16:05:27 状态 已采集商品1个，正在采集第1页内容......
namespace RunLog {

enum class Kind { Page, Picture, Status, Message, Summary };

QString line(const QTime& at, Kind kind, const QString& text);
QString fetchLine(const QTime& at, const FetchReport& report);
// How a run that was started ended: item rows in the file and items not collected.
QString summaryText(int items, int droppedItems);

} // namespace RunLog
