#include "run/RunLog.h"

#include "web/PageFetcher.h"

#include <QTime>

namespace RunLog {

namespace {

QString kindText(Kind kind) {
    switch (kind) {
    case Kind::Page:
        return QStringLiteral("页面");
    case Kind::Picture:
        return QStringLiteral("图片");
    case Kind::Status:
        return QStringLiteral("状态");
    case Kind::Message:
        return QStringLiteral("消息");
    case Kind::Summary:
        break;
    }
    return QStringLiteral("结束");
}

QString resultText(const FetchReport& report) {
    if (report.ok())
        return QStringLiteral("成功");
    switch (report.failure) {
    case FetchFailure::None:
    case FetchFailure::Network:
        // The client's own wording of a 404 says less than the status does.
        if (report.status > 0)
            return QStringLiteral("HTTP ") + QString::number(report.status);
        return QStringLiteral("出错（") + report.error + QStringLiteral("）");
    case FetchFailure::MalformedAddress:
        return QStringLiteral("地址无效");
    case FetchFailure::Stopped:
        return QStringLiteral("已停止");
    case FetchFailure::TimedOut:
        return QStringLiteral("超时");
    case FetchFailure::TooLarge:
        return QStringLiteral("过大");
    case FetchFailure::RedirectRefused:
        return QStringLiteral("转向其他网站，已拒绝");
    case FetchFailure::TooManyRedirects:
        return QStringLiteral("重定向次数过多");
    case FetchFailure::NotPicture:
        return QStringLiteral("不是图片：") + report.pictureName;
    case FetchFailure::PictureNameRefused:
        return QStringLiteral("图片名不安全，未下载：") + report.pictureName;
    case FetchFailure::PictureNotSaved:
        return QStringLiteral("未能保存：") + report.pictureName;
    }
    return {};
}

} // namespace

QString line(const QTime& at, Kind kind, const QString& text) {
    QString oneLine = text;
    oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    oneLine.replace(u'\n', u' ');
    oneLine.replace(u'\r', u' ');
    return at.toString(QStringLiteral("HH:mm:ss")) + u' ' + kindText(kind) + u' ' + oneLine;
}

QString fetchLine(const QTime& at, const FetchReport& report) {
    QString text = resultText(report);
    // A refused name made no request: it took no time worth telling.
    if (report.failure != FetchFailure::PictureNameRefused)
        text += u' ' + QString::number(report.elapsedMs / 1000.0, 'f', 2) + QStringLiteral("秒");
    return line(at, report.kind == FetchReport::Kind::Page ? Kind::Page : Kind::Picture,
                text + u' ' + report.address);
}

QString summaryText(int items, int droppedItems) {
    QString text = QStringLiteral("共%1个宝贝").arg(items);
    if (droppedItems > 0)
        text += QStringLiteral("，%1个宝贝未能采集").arg(droppedItems);
    return text;
}

} // namespace RunLog
