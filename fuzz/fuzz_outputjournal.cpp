// A journal of any bytes, as a dead run or a damaged disk may leave it: read, then recovered into
// an output file that already holds an earlier batch. Then a journal as the program writes it,
// damaged where the input says: each line is checked on its own, so what is read back is only
// rows that were written, in their order, each with its own key.
#include "FuzzSupport.h"

#include "formats/OutputBatch.h"
#include "formats/OutputJournal.h"
#include "run/AppPaths.h"
#include "run/JournalRecovery.h"
#include "run/SettingsStore.h"

#include <QDir>

#include <cstdlib>

namespace {

void damagedOwnJournal(const uint8_t* data, size_t size) {
    if (size < 2)
        return;
    const QString output = FuzzSupport::scratch().filePath(QStringLiteral("PaiPai_damaged.csv"));
    const QString journalPath = OutputJournal::pathFor(output);
    QFile::remove(journalPath);
    // The rows hold pieces of the input, escapes and all.
    const int rowCount = 1 + data[0] % 6;
    QStringList pieces;
    {
        OutputJournal journal;
        journal.setKeysInFile(data[1] % 3);
        const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
        for (int n = 1; n <= rowCount; ++n) {
            QString piece = (n == 1 ? headerLineOf(FileFormat::PaiPaiAssistant) : QString()) +
                            QString::fromLatin1(input.mid(n * 3, 5).toHex()) + u"\t\\\r\n";
            pieces.append(piece);
            if (!journal.append(output, FileFormat::PaiPaiAssistant, false, n, n == 1, piece,
                                QStringLiteral("k%1").arg(n)))
                return;
        }
    }
    QFile file(journalPath);
    if (!file.open(QIODevice::ReadWrite))
        return;
    QByteArray bytes = file.readAll();
    // Every further pair of input bytes flips one byte of the journal, or cuts it there.
    for (size_t i = 2; i + 1 < size && i < 12 && !bytes.isEmpty(); i += 2) {
        const qsizetype at = data[i] * 7 % bytes.size();
        if (data[i + 1] == 0)
            bytes.truncate(at);
        else
            bytes[at] = char(bytes[at] ^ data[i + 1]);
    }
    file.resize(0);
    file.write(bytes);
    file.close();

    const OutputJournal::Contents contents = OutputJournal::read(journalPath);
    if (contents.rows != contents.itemKeys.size())
        std::abort();
    QString expected;
    int last = 0;
    for (const QString& key : contents.itemKeys) {
        const int n = key.mid(1).toInt();
        if (!key.startsWith(u'k') || n <= last || n > rowCount)
            std::abort();
        expected += pieces.at(n - 1);
        last = n;
    }
    if (contents.rows > 0 && !pieces.at(0).isEmpty() &&
        !expected.startsWith(headerLineOf(FileFormat::PaiPaiAssistant)))
        expected.prepend(headerLineOf(FileFormat::PaiPaiAssistant));
    if (contents.batch != expected || contents.rows + contents.droppedLines < 0)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const OutputJournal::Contents contents = OutputJournal::read(FuzzSupport::asFile(data, size));
    if (!contents.valid && contents.rows != 0)
        std::abort();

    QDir folder(FuzzSupport::scratch().filePath(QStringLiteral("recovery")));
    folder.removeRecursively();
    folder.mkpath(QStringLiteral("."));
    const AppPaths paths(folder.path());
    QFile output(paths.inProgramDir(QStringLiteral("Taobao_1.csv")));
    if (output.open(QIODevice::WriteOnly))
        output.write("a,b\r\n1,2\r\n\r\n");
    output.close();
    FuzzSupport::asFile(data, size, QStringLiteral("recovery/.Taobao_1.csv.journal"));
    SettingsStore settings(paths.settingsFile());
    recoverJournals(paths, settings, nullptr);

    damagedOwnJournal(data, size);
    return 0;
}
