// The list of written items beside an output file, of any bytes, and an output file of any bytes:
// the list reads without crashing, a commit always leaves a list that reads whole with what was
// known plus the new key, and a resume is trusted only where the list agrees with the file.
//
// Input: one byte choosing the output's format, two bytes giving the list's length, the list,
// then the output file.
#include "FuzzSupport.h"

#include "run/ResumeCheck.h"
#include "run/WrittenItemSet.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <cstdlib>

namespace {

QSet<QString> asSet(const QStringList& keys) {
    return QSet<QString>(keys.cbegin(), keys.cend());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSupport::application();
    if (size < 3)
        return 0;
    static constexpr FileFormat kFormats[] = {FileFormat::TaobaoAssistant, FileFormat::PaiPaiAssistant,
                                              FileFormat::EbayAssistant, FileFormat::TaobaoAssistant5};
    const FileFormat format = kFormats[data[0] % 4];
    const size_t listSize = std::min<size_t>(size - 3, size_t(data[1]) | (size_t(data[2]) << 8));
    const uint8_t* list = data + 3;
    const QByteArray listBytes(reinterpret_cast<const char*>(list), qsizetype(listSize));

    const WrittenItemSet::Reading reading = WrittenItemSet::read(listBytes);
    for (const QString& key : reading.keys) {
        if (key.isEmpty() || key.contains(u'\n'))
            std::abort();
    }
    if (reading.condition == WrittenItemSet::Condition::Damaged && !reading.keys.isEmpty())
        std::abort();

    const QString output =
        FuzzSupport::asFile(list + listSize, size - 3 - listSize, QStringLiteral("Taobao_1.csv"));
    const QString listPath = WrittenItemSet::pathFor(output);
    FuzzSupport::asFile(list, listSize, QFileInfo(listPath).fileName());

    // Whatever the list held, a resume is trusted only where it agrees with the file.
    WrittenItemSet checked(listPath);
    const ResumeCheck::Verdict verdict = ResumeCheck::check(checked, output, format);
    const std::optional<int> rows = ResumeCheck::countItemRows(output, format);
    if (verdict == ResumeCheck::Verdict::Trusted && rows) {
        const bool agrees =
            checked.condition() == WrittenItemSet::Condition::Missing
                ? *rows == 0
                : checked.condition() != WrittenItemSet::Condition::Damaged && checked.size() == *rows;
        if (!agrees)
            std::abort();
    }

    // A commit after loading leaves a list that reads whole: the keys it knew and the new one.
    WrittenItemSet items(listPath);
    if (!items.load())
        return 0;
    if (items.condition() != reading.condition || items.size() != asSet(reading.keys).size())
        std::abort();
    items.add(QStringLiteral("new\tkey"));
    if (!items.commit())
        return 0;
    QFile file(listPath);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    const WrittenItemSet::Reading after = WrittenItemSet::read(file.readAll());
    QSet<QString> expected = asSet(reading.keys);
    expected.insert(QStringLiteral("new key"));
    if (after.condition != WrittenItemSet::Condition::Checked || after.needsRewrite ||
        asSet(after.keys) != expected)
        std::abort();
    return 0;
}
