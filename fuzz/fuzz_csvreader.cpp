// An assistant export of any bytes: every record is read without a crash, none is held beyond the
// record bound, and every record read comes back unchanged when a comma layout writes it and the
// reader reads it again.
#include "FuzzSupport.h"

#include "formats/AssistantFormat.h"
#include "formats/CsvReader.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString path = FuzzSupport::asFile(data, size);
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
