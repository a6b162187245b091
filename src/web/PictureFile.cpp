#include "web/PictureFile.h"

#include "web/TextFileIo.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

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
    const auto fail = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return false;
    };
#ifdef Q_OS_UNIX
    // Non-blocking, so that a FIFO nobody writes to is refused rather than waited on.
    const int fd = ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return fail(QStringLiteral("无法读取"));
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return fail(kNotRegularFileReason);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(QStringLiteral("无法读取"));
    }
    return true;
#else
    if (!QFileInfo(file.fileName()).isFile())
        return fail(kNotRegularFileReason);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("无法读取"));
    return true;
#endif
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
