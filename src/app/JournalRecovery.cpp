#include "app/JournalRecovery.h"

#include "app/AppPaths.h"
#include "app/SettingsKeys.h"
#include "app/SettingsStore.h"
#include "app/WrittenItemSet.h"
#include "base/KillPoint.h"
#include "formats/OutputBatch.h"
#include "formats/OutputJournal.h"

#include <QDir>
#include <QFile>

#include <algorithm>

int recoverJournals(const AppPaths& paths, SettingsStore& settings, QString* message) {
    int recovered = 0;
    bool failed = false;
    const QDir folder(paths.programDir());
    const QStringList journals = folder.entryList({u'.' + QStringLiteral("*") + OutputJournal::fileSuffix()},
                                                  QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& journalName : journals) {
        const QString journalPath = folder.filePath(journalName);
        const QString outputName =
            journalName.mid(1, journalName.size() - 1 - OutputJournal::fileSuffix().size());
        const OutputJournal::Contents contents = OutputJournal::read(journalPath);
        if (contents.rows > 0) {
            const QString outputPath = paths.inProgramDir(outputName);
            // What an earlier write of this batch (before a kill) left in the output goes first.
            Status written = contents.keptOutputLength >= 0
                                 ? cutOutputBack(outputPath, contents.keptOutputLength)
                                 : Status::success();
            if (written)
                written =
                    writeOutputBatch(outputPath, contents.format, contents.batch, contents.appendToExisting);
            // The resumed run must know these items are in the file, or it writes them again
            // when a later list names them. A damaged list stays as it is: the resume check
            // refuses it rather than trust the keys added here alone.
            if (written && !contents.itemKeys.isEmpty()) {
                WrittenItemSet items(WrittenItemSet::pathFor(outputPath));
                written = items.load();
                if (written && items.condition() != WrittenItemSet::Condition::Damaged) {
                    for (const QString& key : contents.itemKeys)
                        items.add(key);
                    written = items.commit();
                }
            }
            if (!written) {
                failed = true;
                continue;
            }
            KillPoint::reached(KillPoint::kRecoveryWritten);
            recovered += contents.rows;
            const QString breakPointFile =
                settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointFileName);
            const int breakPointNum =
                settings.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum).trimmed().toInt();
            if ((breakPointFile.isEmpty() || breakPointFile == outputName) &&
                contents.highestItem > breakPointNum)
                settings.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointNum,
                                    QString::number(contents.highestItem));
        }
        OutputJournal::removeDurably(journalPath);
    }
    if (message) {
        QStringList lines;
        if (recovered > 0)
            lines.append(QStringLiteral("已恢复上次意外中断时未保存的%1个宝贝").arg(recovered));
        if (failed)
            lines.append(QStringLiteral("上次意外中断时未保存的宝贝未能写入文件，下次启动时将再次尝试"));
        *message = lines.join(u'\n');
    }
    return recovered;
}
