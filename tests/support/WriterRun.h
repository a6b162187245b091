#pragma once

#include "base/Marketplace.h"
#include "formats/OutputJournal.h"
#include "formats/RowWriter.h"
#include "run/AppPaths.h"
#include "run/JournalRecovery.h"
#include "run/SettingsStore.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// One run of the row writer in a folder (a fresh one unless given), on the shop "PaiPai_shop".
// Destroying the writer unflushed stands for the program dying.
struct WriterRun {
    QTemporaryDir ownFolder;
    AppPaths paths;
    std::unique_ptr<RowWriter> writer;

    explicit WriterRun(FileFormat format, Platform platform = Platform::PaiPai,
                       const QString& folder = QString())
        : paths(folder.isEmpty() ? ownFolder.path() : folder), writer(std::make_unique<RowWriter>()) {
        writer->setTarget(
            {format, platform, paths.outputFile(QStringLiteral("PaiPai_shop"), QStringLiteral(".csv"))});
    }
    // Later rows in this format.
    void switchFormat(FileFormat format) {
        RowWriter::Target target = writer->target();
        target.format = format;
        writer->setTarget(target);
    }
    void die() { writer.reset(); }
    QString output() const { return paths.outputFile(QStringLiteral("PaiPai_shop"), QStringLiteral(".csv")); }
    QString journal() const { return OutputJournal::pathFor(output()); }
    QStringList files() const { return QDir(paths.programDir()).entryList(QDir::Files | QDir::Hidden); }
    int recover(QString* message = nullptr) const {
        SettingsStore settings(paths.settingsFile());
        return recoverJournals(paths, settings, message);
    }
};
