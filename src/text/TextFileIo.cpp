#include "text/TextFileIo.h"

#include "base/System.h"
#include "base/TextDecoder.h"
#include "text/GbkText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>
#include <QtEndian>

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

// The file's UTF-16LE code units copied straight into the text: a leading mark is dropped, a
// later one is text and survives a rewrite, and a dangling odd byte is kept as one replacement
// character rather than silently dropped.
Status readUtf16Le(QFile& file, QString* text) {
    QByteArray start(kUtf16LeMark.size(), Qt::Uninitialized);
    qint64 got = file.peek(start.data(), start.size());
    if (got == kUtf16LeMark.size() && start == kUtf16LeMark)
        file.skip(kUtf16LeMark.size());
    if (file.isSequential()) {
        const QByteArray bytes = file.readAll();
        *text = QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2);
        got = bytes.size();
    } else {
        const qint64 expected = file.size() - file.pos();
        text->resize(qsizetype((expected + 1) / 2));
        got = file.read(reinterpret_cast<char*>(text->data()), expected);
        if (got < 0)
            got = 0;
        text->truncate(qsizetype(got / 2));
    }
    if (file.error() != QFileDevice::NoError)
        return readFailure(file.fileName(), file.errorString());
    qFromLittleEndian<char16_t>(text->constData(), text->size(), text->data());
    if (got % 2 != 0)
        text->append(QChar::ReplacementCharacter);
    return Status::success();
}

QByteArray encode(const QString& text, const QString& charSet) {
    if (!isUnicode(charSet))
        return encodeGbk(text);
    return kUtf16LeMark + encodeUtf16Le(text);
}

// A UTF-16 file that already starts with its mark and holds whole code units reads back and
// writes out unchanged, so copying its bytes and adding the new units gives the same bytes as
// rewriting it whole, without passing the old content through memory as text.
bool hasWholeUtf16Text(const QString& path) {
    QFile file(path);
    if (file.size() < kUtf16LeMark.size() || file.size() % 2 != 0)
        return false;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.read(kUtf16LeMark.size()) == kUtf16LeMark;
}

// The content goes to a temporary file beside path that replaces the old file only once
// complete, so a failure or a kill at any moment leaves the old file as it was. writeContent
// fills the temporary file and returns the failure, if any.
template <typename WriteContent> Status saveThroughTemporary(const QString& path, WriteContent writeContent) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return writeFailure(path, file.errorString());
    if (const Status written = writeContent(file); !written) {
        file.cancelWriting();
        return written;
    }
    if (!System::commitDurably(file))
        return writeFailure(path, file.errorString());
    return Status::success();
}

Status writeBytes(QSaveFile& file, const QString& path, const QByteArray& bytes) {
    QString reason;
    return writeWhole(file, bytes, &reason) ? Status::success() : writeFailure(path, reason);
}

// The old bytes copied as they are, then the new ones.
Status copyAndAppend(const QString& path, const QByteArray& tail) {
    QFile source(path);
    if (!source.open(QIODevice::ReadOnly))
        return readFailure(path, source.errorString());
    return saveThroughTemporary(path, [&](QSaveFile& file) {
        constexpr qint64 kChunkBytes = 1024 * 1024;
        while (!source.atEnd()) {
            const QByteArray chunk = source.read(kChunkBytes);
            if (source.error() != QFileDevice::NoError)
                return readFailure(path, source.errorString());
            if (const Status written = writeBytes(file, path, chunk); !written)
                return written;
        }
        // Windows replaces no file that is still open for reading.
        source.close();
        return writeBytes(file, path, tail);
    });
}

} // namespace

Status appendToTextFile(const QString& FileUrl, const QString& Str, const QString& CharSet) {
    if (!isRegularFileOrNewName(FileUrl))
        return writeFailure(FileUrl, kNotRegularFileReason);
    const bool exists = QFileInfo::exists(FileUrl);
    if (exists && isUnicode(CharSet) && hasWholeUtf16Text(FileUrl)) {
        if (Str.isEmpty())
            return Status::success();
        return copyAndAppend(FileUrl, encodeUtf16Le(Str));
    }
    QString text;
    if (exists) {
        const Status status = readTextFile(FileUrl, CharSet, &text);
        if (!status)
            return status;
    }
    text.append(Str);
    return replaceFileContent(FileUrl, encode(text, CharSet));
}

Status writeTextFile(const QString& path, const QString& text, const QString& charSet) {
    return replaceFileContent(path, encode(text, charSet));
}

Status readTextFile(const QString& FileName, const QString& CharSet, QString* text) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return readFailure(FileName, file.errorString());
    if (isUnicode(CharSet))
        return readUtf16Le(file, text);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return readFailure(FileName, file.errorString());
    *text = decodeGbk(bytes);
    return Status::success();
}

bool isRegularFileOrNewName(const QString& path) {
    // QFileInfo follows links, so a link to a device is refused like the device itself.
    const QFileInfo target(path);
    return !target.exists() || target.isFile();
}

Status replaceFileContent(const QString& path, const QByteArray& bytes) {
    if (!isRegularFileOrNewName(path))
        return writeFailure(path, kNotRegularFileReason);
    return saveThroughTemporary(path, [&](QSaveFile& file) { return writeBytes(file, path, bytes); });
}

QByteArray encodeGbk(const QString& text) {
    QByteArray bytes;
    appendGbk(&bytes, text);
    return bytes;
}

QString decodeGbk(const QByteArray& bytes) {
    TextDecoder decoder = TextDecoder::gbk();
    QString text = decoder.decode(bytes);
    return text + decoder.finish();
}
