// An assistant export of any bytes: every record is read without a crash, none is held beyond the
// record bound, and every record read comes back unchanged when a comma layout writes it and the
// reader reads it again. The same bytes as an older Taobao file: every line is read within the
// bound, and the fields of each line come back unchanged when the TAB layout writes them, with
// each kind of line end, and the line reader reads them again.
#include "FuzzSupport.h"

#include "formats/AssistantFormat.h"
#include "formats/CsvReader.h"
#include "formats/TaobaoLineReader.h"

#include <QStringEncoder>

#include <cstdlib>

namespace {

// A comma layout of text columns, as many as the record has.
AssistantLayout textLayout(qsizetype columns) {
    AssistantLayout layout;
    layout.separator = QChar(u',');
    layout.lineEnd = QStringLiteral("\r\n");
    for (qsizetype i = 0; i < columns; ++i)
        layout.columns.append({QStringLiteral("c%1").arg(i), ColumnSource::Mapped, QString(), -1, true});
    return layout;
}

void checkRoundTrip(const QStringList& fields) {
    // A lone surrogate has no UTF-8 form to write.
    for (const QString& field : fields) {
        if (!field.isValidUtf16())
            return;
    }
    const AssistantLayout layout = textLayout(fields.size());
    QString text = layout.headerLine();
    layout.appendPlainRow(&text, fields);
    QByteArray bytes("\xEF\xBB\xBF");
    bytes += QStringEncoder(QStringConverter::Utf8).encode(text);
    const QString path = FuzzSupport::asFile(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                             size_t(bytes.size()), QStringLiteral("written"));
    CsvReader reader;
    QStringList back;
    if (!reader.open(path) || !reader.readRecord(&back) || back != fields)
        std::abort();
}

// A TAB layout whose columns are written as they stand.
AssistantLayout tabLayout(qsizetype columns, const QString& lineEnd) {
    AssistantLayout layout;
    layout.separator = QChar(u'\t');
    layout.lineEnd = lineEnd;
    for (qsizetype i = 0; i < columns; ++i)
        layout.columns.append({QStringLiteral("c%1").arg(i), ColumnSource::Mapped, QString(), -1, false});
    return layout;
}

void checkLinesRoundTrip(const QList<QStringList>& rows) {
    QString text;
    qsizetype kind = 0;
    for (const QStringList& fields : rows) {
        static const QString ends[] = {QStringLiteral("\r\n"), QStringLiteral("\r"), QStringLiteral("\n")};
        tabLayout(fields.size(), ends[kind++ % 3]).appendPlainRow(&text, fields);
    }
    QByteArray bytes("\xFF\xFE");
    bytes += QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const QString path = FuzzSupport::asFile(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                             size_t(bytes.size()), QStringLiteral("lines"));
    TaobaoLineReader reader;
    if (!reader.open(path))
        std::abort();
    QStringView line;
    for (const QStringList& fields : rows) {
        if (!reader.readLine(&line, QuotedRecordReader::kRecordLimit) ||
            line.toString().split(u'\t') != fields)
            std::abort();
    }
    if (reader.readLine(&line, QuotedRecordReader::kRecordLimit))
        std::abort();
}

void checkTaobaoLines(const QString& path) {
    TaobaoLineReader reader;
    if (!reader.open(path))
        return;
    QList<QStringList> rows;
    QStringView line;
    while (reader.readLine(&line, QuotedRecordReader::kRecordLimit)) {
        if (line.size() > QuotedRecordReader::kRecordLimit || line.contains(u'\r') || line.contains(u'\n'))
            std::abort();
        // The TABs the line-end search found are the line's own.
        qsizetype tab = -1;
        for (qsizetype found : reader.tabs()) {
            tab = line.indexOf(u'\t', tab + 1);
            if (found != tab)
                std::abort();
        }
        if (line.indexOf(u'\t', tab + 1) >= 0)
            std::abort();
        // The reader gives lines as it found them; an empty one writes no field to read back.
        if (rows.size() < 4 && !line.isEmpty())
            rows.append(line.toString().split(u'\t'));
    }
    if (reader.tooLong() && reader.lineNumber() < 1)
        std::abort();
    checkLinesRoundTrip(rows);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzSupport::asFile(data, size);
    checkTaobaoLines(path);
    CsvReader reader;
    if (!reader.open(path))
        return 0;
    QStringList fields;
    int checked = 0;
    while (reader.readRecord(&fields)) {
        qsizetype held = 0;
        for (const QString& field : fields)
            held += field.size();
        if (held > QuotedRecordReader::kRecordLimit)
            std::abort();
        // A few records per input keep each run short.
        if (checked++ < 4)
            checkRoundTrip(fields);
    }
    return 0;
}
