#pragma once

#include "run/RunProgress.h"

#include <QString>

// The words of a run's progress, the same in the window and on the command line.
namespace ProgressText {

// "已采集 N / 共 M 个宝贝", or "已采集 N 个宝贝" while the total is not known.
QString count(const RunProgress& progress);
// "剩余约1分05秒"; "正在估算剩余时间" while it cannot be told; empty while the total is unknown.
QString timeLeft(const RunProgress& progress);
// The terminal's one line: count, a bar of barWidth cells and the percentage once the total is
// known, the time left, then the status text; cut to fit columns terminal cells.
QString terminalLine(const RunProgress& progress, const QString& status, int columns, int barWidth = 20);
// The line a run leaves behind: count, bar and percentage, without the time left or a status.
QString terminalEndLine(const RunProgress& progress, int columns, int barWidth = 20);
// The cells a text takes on a terminal: wide (East Asian) characters take two.
int terminalWidth(const QString& text);

} // namespace ProgressText
