#include "run/JournalRecovery.h"

#include "base/KillPoint.h"
#include "formats/OutputBatch.h"
#include "formats/OutputJournal.h"
#include "run/AppPaths.h"
#include "run/Messages.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "run/WrittenItemSet.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace {

// The recovered rows' keys go into the written-item list, so the resumed run does not write their
// items again when a later list names them. Where the journal says how many keys the list held
// before its batch, every other key the list holds stands for a row that was lost: forgotten, so
// the resumed run fetches its item again. The number of those lost is returned through lost.
Status recordRecoveredKeys(const QString& outputPath, const OutputJournal::Contents& contents, int* lost) {
    WrittenItemSet items(WrittenItemSet::pathFor(outputPath));
    // A damaged list stays as it is: the resume check refuses it rather than trust the keys
    // added here alone.
    if (items.load() && items.condition() == WrittenItemSet::Condition::Damaged)
        return Status::success();
    if (contents.keysInFile >= 0) {
        QStringList forgotten;
        const Status kept = items.keepFirst(contents.keysInFile, contents.itemKeys, &forgotten);
        *lost = static_cast<int>(forgotten.size());
        return kept;
    }
    if (contents.itemKeys.isEmpty())
        return Status::success();
    Status written = items.load();
    for (const QString& key : contents.itemKeys)
        items.add(key);
    if (written)
        written = items.commit();
    return written;
}

} // namespace

int recoverJournals(const AppPaths& paths, SettingsStore& settings, QString* message) {
    int recovered = 0;
    int lost = 0;
    bool failed = false;
    const QDir folder(paths.programDir());
    const QStringList journals = folder.entryList({u'.' + QStringLiteral("*") + OutputJournal::fileSuffix()},
                                                  QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& journalName : journals) {
        const QString journalPath = folder.filePath(journalName);
        const QString outputName =
            journalName.mid(1, journalName.size() - 1 - OutputJournal::fileSuffix().size());
        const QString outputPath = paths.inProgramDir(outputName);
        const OutputJournal::Contents contents = OutputJournal::read(journalPath);
        Status written = Status::success();
        if (contents.rows > 0) {
            // What an earlier write of this batch (before a kill) left in the output goes first.
            if (contents.keptOutputLength >= 0)
                written = cutOutputBack(outputPath, contents.keptOutputLength);
            if (written)
                written =
                    writeOutputBatch(outputPath, contents.format, contents.batch, contents.appendToExisting);
        }
        int keysLost = 0;
        if (written && contents.valid)
            written = recordRecoveredKeys(outputPath, contents, &keysLost);
        if (!written) {
            failed = true;
            continue;
        }
        if (contents.rows > 0)
            KillPoint::reached(KillPoint::kRecoveryWritten);
        recovered += contents.rows;
        // A damaged line names no key; the keys the list held without a row are counted too.
        const int journalLost = std::max(keysLost, contents.damagedLines);
        lost += journalLost;
        const QString breakPointFile =
            settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointFileName);
        const int breakPointNum =
            settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum).trimmed().toInt();
        if (breakPointFile.isEmpty() || breakPointFile == outputName) {
            if (journalLost > 0 && breakPointFile == outputName) {
                // Lost rows may lie anywhere in the batch: the resumed run starts from the shop's
                // first item and passes over those the written-item list names.
                settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPoint, QStringLiteral("1"));
                settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum,
                                    QStringLiteral("0"));
            } else if (contents.highestItem > breakPointNum) {
                settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum,
                                    QString::number(contents.highestItem));
            }
        }
        OutputJournal::removeDurably(journalPath);
    }
    if (message) {
        QStringList lines;
        if (recovered > 0)
            lines.append(QStringLiteral("已恢复上次意外中断时未保存的%1个宝贝").arg(recovered));
        if (lost > 0)
            lines.append(Messages::journalDamaged(lost));
        if (failed)
            lines.append(QStringLiteral("上次意外中断时未保存的宝贝未能写入文件，下次启动时将再次尝试"));
        *message = lines.join(u'\n');
    }
    return recovered;
}
