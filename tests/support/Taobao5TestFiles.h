#pragma once

#include "formats/Taobao5Layout.h"
#include "formats/Taobao5Reader.h"
#include "support/FormatTestFiles.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

#include <optional>

// Current-layout Taobao Assistant files as the assistant and sellers' editors leave them, built
// by hand (not with the program's writer) so the reader's tests do not lean on the writer.

// The 63 field names of 2016, in their order.
inline QStringList taobao5Names() {
    QStringList names;
    for (int i = 0; i < Taobao5Layout::kFieldCount; ++i)
        names.append(Taobao5Layout::fieldName(static_cast<Taobao5Field>(i)));
    return names;
}

// A row for the given names, with the values named in `values` and the rest as the assistant
// leaves them (quoted empty texts, bare zeros).
inline QStringList rowFor(const QStringList& names, const QMap<Taobao5Field, QString>& values) {
    QStringList row;
    for (const QString& name : names) {
        const std::optional<Taobao5Field> field = Taobao5Layout::fieldByName(name);
        if (field && values.contains(*field))
            row.append(values.value(*field));
        else
            row.append(field && !Taobao5Layout::isText(*field) ? QStringLiteral("0")
                                                               : QStringLiteral("\"\""));
    }
    return row;
}

// A file's text: "version 1.00", the names, a caption line, then the rows as they stand (already
// quoted where the case wants quotes). Rows are joined by lineEnd; the file ends with one.
inline QString taobao5Text(const QStringList& names, const QList<QStringList>& rows,
                           const QString& lineEnd = QStringLiteral("\n"),
                           const QString& captionLine = QStringLiteral("宝贝名称\t宝贝类目")) {
    QString text =
        QStringLiteral("version 1.00") + lineEnd + names.join(u'\t') + lineEnd + captionLine + lineEnd;
    for (const QStringList& row : rows)
        text += row.join(u'\t') + lineEnd;
    return text;
}

enum class FileEncoding { Utf16LEMark, Utf16BEMark, Utf8Mark, Utf8, Gbk };
Q_DECLARE_METATYPE(FileEncoding)

inline QByteArray encodeAs(FileEncoding encoding, const QString& text) {
    switch (encoding) {
    case FileEncoding::Utf16LEMark:
        return utf16WithMark(text);
    case FileEncoding::Utf16BEMark:
        return QByteArray("\xFE\xFF") + QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(text));
    case FileEncoding::Utf8Mark:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case FileEncoding::Utf8:
        return text.toUtf8();
    case FileEncoding::Gbk:
        break;
    }
    return gbk(text);
}

inline const QList<std::pair<const char*, FileEncoding>>& allFileEncodings() {
    static const QList<std::pair<const char*, FileEncoding>> encodings{
        {"UTF-16LE mark", FileEncoding::Utf16LEMark},
        {"UTF-16BE mark", FileEncoding::Utf16BEMark},
        {"UTF-8 mark", FileEncoding::Utf8Mark},
        {"UTF-8", FileEncoding::Utf8},
        {"GBK", FileEncoding::Gbk}};
    return encodings;
}

// A value as the assistant writes text: in quotes, inner quotes doubled.
inline QString csvQuoted(QString text) {
    return u'"' + text.replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

// Every item of a current-layout file as the reader gives it; none when it is not one.
inline QList<Taobao5Record> readTaobao5Items(const QString& path) {
    QList<Taobao5Record> items;
    Taobao5Reader reader;
    if (!reader.open(path))
        return items;
    Taobao5Record item;
    while (reader.readRecord(&item))
        items.append(item);
    return items;
}
