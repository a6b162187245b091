#pragma once

#include "base/MarketplaceCodes.h"
#include "formats/CsvReader.h"
#include "support/TestPaths.h"
#include "text/TextFileIo.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// Shared by the tests of the assistant files: what a file holds, the GBK and UTF-16 forms a test
// expects (made with Qt's own converters rather than the program's), and a row writer's run.

inline QByteArray readBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

// Source files of one test object, numbered in a folder that lives as long as the object.
class NumberedTestFiles {
public:
    QString write(const QByteArray& bytes) {
        const QString path = m_dir.filePath(QStringLiteral("f%1.csv").arg(++m_count));
        writeBytes(path, bytes);
        return path;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    int m_count = 0;
};

// A folder of its own for every case of a test object.
class CaseFolders {
public:
    QString fresh() {
        const QString folder = m_dir.filePath(QStringLiteral("run%1").arg(++m_runs));
        QDir().mkpath(folder);
        return folder;
    }

private:
    QTemporaryDir m_dir;
    int m_runs = 0;
};

// Copies a file of the converter's fixtures to path and returns path.
inline QString copyConvertFixture(const QString& name, const QString& path) {
    if (!QFile::copy(fixturePath(QStringLiteral("convert/") + name), path))
        qFatal("cannot copy %s", qPrintable(name));
    return path;
}

// A comma-separated file as the converter's CSV reader reads it back: the column names, then every
// record; nothing at all when it cannot be opened.
inline QList<QStringList> readCsvFile(const QString& path) {
    CsvReader reader;
    QList<QStringList> records;
    if (!reader.open(path))
        return records;
    records.append(reader.columnNames());
    QStringList record;
    while (reader.readRecord(&record))
        records.append(record);
    return records;
}

inline QByteArray gbk(const QString& text) {
    return encodeGbk(text);
}

inline QString fromGbk(const QByteArray& bytes) {
    return decodeGbk(bytes);
}

// A "unicode" file: the mark FF FE, then UTF-16LE.
inline QByteArray utf16WithMark(const QString& text) {
    return QByteArray("\xFF\xFE") + QByteArray(QStringEncoder(QStringConverter::Utf16LE).encode(text));
}

// The 31 column names of a Taobao Assistant file, without a line end.
inline QString taobaoHeaderNames(const QString& postageCaption = QStringLiteral("邮费模版ID")) {
    return QStringLiteral("宝贝名称\t宝贝类目\t店铺类目\t新旧程度\t省\t城市\t出售方式\t宝贝价格\t加价幅度\t"
                          "宝贝数量\t有效期\t运费承担\t平邮\tEMS\t快递\t付款方式\t支付宝\t发票\t保修\t"
                          "自动重发\t放入仓库\t橱窗推荐\t发布时间\t心情故事\t宝贝描述\t宝贝图片\t宝贝属性\t"
                          "团购价\t最小团购件数\t") +
           postageCaption + QStringLiteral("\t会员打折");
}
