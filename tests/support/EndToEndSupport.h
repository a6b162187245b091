#pragma once

#include "support/TestPaths.h"
#include "support/WebTestSupport.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>
#include <QTemporaryDir>

// Helpers of the tests that run the real program against the fixture web and compare its output
// files with the expected ones.

// The output file of a shop: base + ".csv" in the platform's own format, else with the format's
// suffix ("Taobao_1_PaiPai.csv"). Platform and format are the command line's words.
inline QString outputName(const QString& base, const QString& platform, const QString& format) {
    static const QStringList words{QStringLiteral("taobao"),  QStringLiteral("paipai"),
                                   QStringLiteral("ebay"),    QStringLiteral("taobao5"),
                                   QStringLiteral("shopify"), QStringLiteral("woocommerce")};
    static const QStringList suffixes{QStringLiteral("_Taobao"),  QStringLiteral("_PaiPai"),
                                      QStringLiteral("_eBay"),    QStringLiteral("_Taobao5"),
                                      QStringLiteral("_Shopify"), QStringLiteral("_WooCommerce")};
    const QString suffix = platform == format ? QString() : suffixes.value(words.indexOf(format));
    return base + suffix + QStringLiteral(".csv");
}

// The store product files: UTF-8 without a byte-order mark.
inline bool isStoreFormat(const QString& format) {
    return format == QLatin1String("shopify") || format == QLatin1String("woocommerce");
}

// The Taobao Assistant files (both layouts) are UTF-16 (the byte order mark kept as a character, so
// that the round trip is exact); the PaiPai and eBay Assistant files are in the ANSI code page.
inline bool isUnicodeFormat(const QString& format) {
    return format == QLatin1String("taobao") || format == QLatin1String("taobao5");
}

inline QString decodeOutput(const QByteArray& bytes, const QString& format) {
    if (isStoreFormat(format))
        return QString::fromUtf8(bytes);
    if (isUnicodeFormat(format)) {
        QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::ConvertInitialBom);
        return decoder(bytes);
    }
    return decodeGbk(bytes);
}

inline QByteArray encodeOutput(const QString& text, const QString& format) {
    if (isStoreFormat(format))
        return text.toUtf8();
    if (isUnicodeFormat(format)) {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return encoder(text);
    }
    return encodeGbk(text);
}

// The eBay Assistant rows carry the time they were written: the product number (column 8) and the
// four date-time columns 15 to 18. Each is checked for its shape before it is masked; the ones of
// the wrong shape are added to malformed.
inline QString maskClock(const QString& text, QStringList* malformed) {
    static const QRegularExpression productNumber(QStringLiteral("^\\d{14}00000000$"));
    static const QRegularExpression dateTime(
        QStringLiteral("^\\d{4}\\D\\d{1,2}\\D\\d{1,2} \\d{1,2}:\\d{2}:\\d{2}$"));
    QStringList lines = text.split(QStringLiteral("\r\n"));
    for (int i = 1; i < lines.size(); ++i) {
        QStringList fields = lines[i].split(u',');
        if (fields.size() != 88)
            continue;
        if (!productNumber.match(fields[7]).hasMatch())
            malformed->append(fields[7]);
        for (int column : {15, 16, 17, 18})
            if (!dateTime.match(fields[column - 1]).hasMatch())
                malformed->append(fields[column - 1]);
        for (int column : {8, 15, 16, 17, 18})
            fields[column - 1] = QStringLiteral("@CLOCK@");
        lines[i] = fields.join(u',');
    }
    return lines.join(QStringLiteral("\r\n"));
}

// Empty when actual is the expected file byte for byte; otherwise names the first line that
// differs and leaves what came out in the temporary folder for a look.
inline QString byteDifference(const QByteArray& actual, const QString& expectedPath) {
    const QByteArray expected = fileBytes(expectedPath);
    if (actual == expected)
        return {};
    const QList<QByteArray> actualLines = actual.split('\n');
    const QList<QByteArray> expectedLines = expected.split('\n');
    qsizetype line = 0;
    while (line < actualLines.size() && line < expectedLines.size() &&
           actualLines[line] == expectedLines[line])
        ++line;
    const QString dump = QDir::temp().filePath(QFileInfo(expectedPath).fileName());
    putFileBytes(dump, actual);
    return QStringLiteral("%1 differs from line %2 on (actual in %3)")
        .arg(expectedPath)
        .arg(line + 1)
        .arg(dump);
}

// One `kestrune extract` in a program folder of its own, reaching the fixture web as its proxy.
struct ExtractRun {
    QTemporaryDir dir;
    QProcess process;

    void start(const QStringList& options, const QString& shop = QString()) {
        QStringList arguments = QStringList{QStringLiteral("extract")} + options;
        arguments << QStringLiteral("--agree") << QStringLiteral("--data-dir") << dir.path();
        if (!shop.isEmpty())
            arguments << shop;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(kestruneBinary(), arguments);
    }
    // The exit code; -1 for a crash or a run of more than two minutes.
    int finish() {
        if (!process.waitForFinished(120000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QString file(const QString& name) const { return QDir(dir.path()).filePath(name); }
    // The data folder in text replaced by "@DATA_DIR@", and the paths under it spelled the Linux
    // way, as the expected files spell them.
    QString withDataDirMasked(QString text) const {
        text.replace(QDir::toNativeSeparators(dir.path()), QStringLiteral("@DATA_DIR@"));
        static const QRegularExpression underData(QStringLiteral("@DATA_DIR@[^\t\"\r\n]*"));
        for (qsizetype at = 0;;) {
            const QRegularExpressionMatch path = underData.match(text, at);
            if (!path.hasMatch())
                break;
            text.replace(path.capturedStart(), path.capturedLength(),
                         QDir::fromNativeSeparators(path.captured()));
            at = path.capturedEnd();
        }
        return text;
    }
    // Empty when the output file, with the data folder replaced by "@DATA_DIR@" and the eBay
    // Assistant format's clock masked, is the expected file byte for byte; otherwise what differs.
    QString differenceFromExpected(const QString& name, const QString& format,
                                   const QString& expectedPath) const {
        QString text = withDataDirMasked(decodeOutput(fileBytes(file(name)), format));
        QStringList malformedClock;
        if (format == QLatin1String("ebay"))
            text = maskClock(text, &malformedClock);
        if (!malformedClock.isEmpty())
            return QStringLiteral("clock fields of the wrong shape: ") + malformedClock.join(u' ');
        return byteDifference(encodeOutput(text, format), expectedPath);
    }
};
