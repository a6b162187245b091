#include "web/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cerrno>

namespace {

const QByteArray kUtf16LeMark("\xFF\xFE", 2);

bool isUnicode(const QString& charSet) {
    return charSet.compare(QStringLiteral("unicode"), Qt::CaseInsensitive) == 0;
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

Status writeFailure(const QString& path, const QString& reason) {
    return Status::failure(QStringLiteral("无法写入文件：%1（%2）").arg(shown(path), reason));
}

Status readFailure(const QString& path, const QString& reason) {
    return Status::failure(QStringLiteral("无法读取文件：%1（%2）").arg(shown(path), reason));
}

// QFile reports a short write (full disk, size limit) without an error text; the system's own
// reason is kept from errno right after the write.
bool writeWhole(QFileDevice& file, const QByteArray& bytes, QString* reason) {
    errno = 0;
    const bool written = file.write(bytes) == bytes.size() && file.flush();
    if (!written) {
        const int error = errno;
        *reason = error != 0 ? qt_error_string(error) : file.errorString();
    }
    return written;
}

QByteArray encodeUtf16Le(const QString& text) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return encoder.encode(text);
}

QString decodeUtf16Le(QByteArrayView bytes) {
    // The caller has taken off the file's mark; a second one is text and must survive a rewrite.
    QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    // A dangling odd byte is kept as one replacement character rather than silently dropped.
    if (bytes.size() % 2 != 0)
        text.append(QChar::ReplacementCharacter);
    return text;
}

Status readAll(const QString& path, QByteArray* bytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return readFailure(path, file.errorString());
    *bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return readFailure(path, file.errorString());
    return Status::success();
}

QString decode(const QByteArray& bytes, const QString& charSet) {
    if (!isUnicode(charSet))
        return DecodeGbk(bytes);
    QByteArrayView view(bytes);
    if (view.startsWith(kUtf16LeMark))
        view = view.sliced(kUtf16LeMark.size());
    return decodeUtf16Le(view);
}

QByteArray encode(const QString& text, const QString& charSet) {
    if (!isUnicode(charSet))
        return EncodeGbk(text);
    return kUtf16LeMark + encodeUtf16Le(text);
}

// A UTF-16 file that already starts with its mark and holds whole code units reads back and
// writes out unchanged, so adding the new units at its end gives the same bytes as rewriting it
// whole, without passing the old content through memory.
bool canAppendInPlace(const QString& path) {
    QFile file(path);
    if (file.size() < kUtf16LeMark.size() || file.size() % 2 != 0)
        return false;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(kUtf16LeMark.size()) == kUtf16LeMark;
}

Status appendInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return writeFailure(path, file.errorString());
    const qint64 oldSize = file.size();
    QString reason;
    if (writeWhole(file, bytes, &reason)) {
        file.close();
        if (file.error() == QFileDevice::NoError)
            return Status::success();
        reason = file.errorString();
    }
    // Whatever part of the new text reached the disk is cut off again: the file ends as it was.
    file.close();
    QFile::resize(path, oldSize);
    return writeFailure(path, reason);
}

} // namespace

Status AppendToTextFile(const QString& FileUrl, const QString& Str, const QString& CharSet) {
    const bool exists = QFileInfo(FileUrl).isFile();
    if (exists && isUnicode(CharSet) && canAppendInPlace(FileUrl)) {
        if (Str.isEmpty())
            return Status::success();
        return appendInPlace(FileUrl, encodeUtf16Le(Str));
    }
    QString text;
    if (exists) {
        const Status status = ReadFile(FileUrl, CharSet, &text);
        if (!status)
            return status;
    }
    text.append(Str);
    return ReplaceFileContent(FileUrl, encode(text, CharSet));
}

Status ReadFile(const QString& FileName, const QString& CharSet, QString* text) {
    QByteArray bytes;
    const Status status = readAll(FileName, &bytes);
    if (!status)
        return status;
    *text = decode(bytes, CharSet);
    return Status::success();
}

Status ReplaceFileContent(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailure(path, file.errorString());
    QString reason;
    if (!writeWhole(file, bytes, &reason)) {
        file.cancelWriting();
        return writeFailure(path, reason);
    }
    if (!file.commit())
        return writeFailure(path, file.errorString());
    return Status::success();
}

QByteArray EncodeGbk(const QString& text) {
    QStringEncoder encoder("GBK");
    if (!encoder.isValid()) {
        // Without a GBK converter only ASCII can be written faithfully; the rest is marked lost.
        QByteArray ascii;
        ascii.reserve(text.size());
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            ascii.append(c.unicode() < 0x80 ? char(c.unicode()) : '?');
        }
        return ascii;
    }
    return encoder.encode(text);
}

QString DecodeGbk(const QByteArray& bytes) {
    QStringDecoder decoder("GBK");
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    QString text = decoder.decode(bytes);
    // The converter holds back a lead byte that ends the input; a zero byte pushes it out as a
    // replacement character, and the zero itself is dropped again.
    QString tail = decoder.decode(QByteArrayView("\0", 1));
    tail.chop(1);
    text.append(tail);
    return text;
}
