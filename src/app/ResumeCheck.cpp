#include "app/ResumeCheck.h"

#include "formats/FormatConverter.h"
#include "formats/OutputBatch.h"

#include <QFileInfo>

namespace ResumeCheck {

Verdict judge(WrittenItemSet::Condition condition, int keys, int rows) {
    switch (condition) {
    case WrittenItemSet::Condition::Missing:
        // Nothing written yet: nothing to write twice.
        return rows == 0 ? Verdict::Trusted : Verdict::ListMissing;
    case WrittenItemSet::Condition::Damaged:
        return Verdict::ListDamaged;
    case WrittenItemSet::Condition::Checked:
    case WrittenItemSet::Condition::Unchecked:
        break;
    }
    return keys == rows ? Verdict::Trusted : Verdict::CountsDiffer;
}

std::optional<int> countItemRows(const QString& outputPath, FileFormat format) {
    const QFileInfo file(outputPath);
    if (!file.exists() || (file.isFile() && file.size() == 0))
        return 0;
    if (!startsAsOwnOutput(outputPath, format))
        return std::nullopt;
    int rows = 0;
    QString fault;
    if (!FormatConverter::readRows(
            outputPath, format, nullptr, [&rows](const ConversionMapping::SourceRow&) { ++rows; }, &fault) ||
        !fault.isEmpty())
        return std::nullopt;
    return rows;
}

Verdict check(WrittenItemSet& items, const QString& outputPath, FileFormat format) {
    if (!items.load())
        return Verdict::ListDamaged;
    const std::optional<int> rows = countItemRows(outputPath, format);
    if (!rows)
        return Verdict::Trusted;
    return judge(items.condition(), items.size(), *rows);
}

} // namespace ResumeCheck
