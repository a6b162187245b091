#include "formats/Taobao5Output.h"

#include "formats/Taobao5Layout.h"
#include "formats/Taobao5Mapping.h"
#include "formats/Taobao5Pictures.h"
#include "formats/Taobao5Writer.h"
#include "text/EntityDecoder.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>

namespace Taobao5Output {

namespace {

const QByteArray kMark("\xFF\xFE");
const QByteArray kLineFeed("\n\0", 2);

QByteArray utf16(const QString& text) {
    QStringEncoder encoder(QStringConverter::Utf16LE);
    return encoder.encode(text);
}

// A run that died while writing may have left the last row without its line end.
bool endsWithLineFeed(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.size() >= 2 && file.seek(file.size() - 2) &&
           file.read(2) == kLineFeed;
}

bool isMissingOrEmpty(const QString& path) {
    const QFileInfo info(path);
    return !info.exists() || (info.isFile() && info.size() == 0);
}

} // namespace

Taobao5Record itemFor(const ItemRecord& record, const QString& outputPath, TitleEntities title,
                      QStringList* created, QString* pictureProblem) {
    Taobao5Record item = Taobao5Mapping::fromItemRecord(record);
    // A decoded quote is part of the text: the writer quotes it.
    if (title == TitleEntities::Decode)
        item[Taobao5Field::Title] = decodeNamedEntities(item[Taobao5Field::Title]);
    Taobao5Pictures::attach(&item,
                            Taobao5Pictures::storeFile(record.picture, outputPath, created, pictureProblem));
    return item;
}

QString header() {
    return Taobao5Layout::headerText();
}

QString rowFor(const ItemRecord& record, const QString& outputPath) {
    return Taobao5Writer::rowText(itemFor(record, outputPath, TitleEntities::Decode));
}

Status writeBatch(const QString& path, const QString& batch, bool appendToExisting) {
    const QString headerText = header();
    if (!appendToExisting || isMissingOrEmpty(path))
        return replaceFileContent(path,
                                  kMark + utf16(batch.startsWith(headerText) ? batch : headerText + batch));
    if (!Taobao5Writer::canAppendTo(path))
        return Status::failure(notContinuableMessage(path));
    QString rows = batch.startsWith(headerText) ? batch.mid(headerText.size()) : batch;
    if (!endsWithLineFeed(path))
        rows.prepend(u'\n');
    return appendToTextFile(path, rows, QStringLiteral("unicode"));
}

qint64 lengthKeptByBatch(const QString& path, bool appendToExisting) {
    if (!appendToExisting || isMissingOrEmpty(path))
        return 0;
    return QFileInfo(path).size();
}

bool canContinue(const QString& path) {
    return isMissingOrEmpty(path) || Taobao5Writer::canAppendTo(path);
}

QString notContinuableMessage(const QString& path) {
    return QStringLiteral("输出文件不是UTF-16编码的淘宝助理5格式，不能在其后继续写入宝贝：") +
           QDir::toNativeSeparators(path);
}

void removeCreated(const QStringList& created) {
    // Files first, then folders, the innermost last made first.
    for (auto it = created.crbegin(); it != created.crend(); ++it) {
        if (QFileInfo(*it).isDir())
            QDir().rmdir(*it);
        else
            QFile::remove(*it);
    }
}

} // namespace Taobao5Output
