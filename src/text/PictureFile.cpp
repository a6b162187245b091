#include "text/PictureFile.h"

#include "base/System.h"
#include "text/TextFileIo.h"

#include <QFile>
#include <QFileInfo>

bool startsAsPicture(const QByteArray& head) {
    if (head.startsWith("\xFF\xD8\xFF") || head.startsWith("\x89PNG\r\n\x1A\n") ||
        head.startsWith("GIF87a") || head.startsWith("GIF89a"))
        return true;
    // BMP: "BM", then the file size and two reserved zero words.
    if (head.size() >= 14 && head.startsWith("BM") && head.mid(6, 4) == QByteArray(4, '\0'))
        return true;
    return head.size() >= 12 && head.startsWith("RIFF") && head.mid(8, 4) == "WEBP";
}

bool openRegularFile(QFile& file, QString* problem) {
    QString why;
    if (System::openRegularFile(file, false, &why))
        return true;
    if (problem)
        *problem = why == QLatin1String(System::kNotRegularFile) ? kNotRegularFileReason
                                                                 : QStringLiteral("无法读取");
    return false;
}

PictureFileRead readPictureFile(const QString& path, qint64 sizeLimit) {
    PictureFileRead read;
    QFile file(path);
    if (!openRegularFile(file, &read.problem))
        return read;
    if (file.size() > sizeLimit) {
        read.problem = QStringLiteral("图片文件过大（超过%1MB）").arg(sizeLimit / (1024 * 1024));
        return read;
    }
    if (!startsAsPicture(file.peek(16))) {
        read.problem = QStringLiteral("不是图片");
        return read;
    }
    // A file that grew since its size was read is still read no further than the limit.
    QByteArray bytes = file.read(sizeLimit + 1);
    if (file.error() != QFileDevice::NoError || bytes.size() > sizeLimit) {
        read.problem = bytes.size() > sizeLimit
                           ? QStringLiteral("图片文件过大（超过%1MB）").arg(sizeLimit / (1024 * 1024))
                           : QStringLiteral("无法读取");
        return read;
    }
    read.bytes = std::move(bytes);
    return read;
}
