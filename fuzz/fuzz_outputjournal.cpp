// A journal of any bytes, as a dead run or a damaged disk may leave it: read, then recovered into
// an output file that already holds an earlier batch.
#include "FuzzSupport.h"

#include "app/AppPaths.h"
#include "app/JournalRecovery.h"
#include "app/SettingsStore.h"
#include "formats/OutputJournal.h"

#include <QDir>

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
    return 0;
}
