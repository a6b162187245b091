#include "run/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#ifndef KESTRUNE_INSTALL_PREFIX
#define KESTRUNE_INSTALL_PREFIX ""
#endif

namespace ProgramFolder {

namespace {

// What `cmake --install` puts beside the executable's bin folder, under any prefix.
const QString kDesktopEntry = QStringLiteral("../share/applications/kestrune.desktop");

// Tried rather than read from the permissions: Windows reports a folder such as Program Files as
// writable to a program that then cannot create a file in it.
bool canCreateFileIn(const QString& folder) {
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".kestrune-write-test-XXXXXX")));
    return probe.open();
}

// QFileInfo, not QDir: QDir takes a path from the root of a drive (\data) as absolute as it is,
// so a message would name no drive.
QString cleaned(const QString& folder) {
    return QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
}

} // namespace

bool isInside(const QString& folder, const QString& prefix) {
    if (folder.isEmpty() || prefix.isEmpty())
        return false;
    const QString inner = cleaned(folder);
    const QString outer = cleaned(prefix);
    if (outer == u"/")
        return false;
    return inner == outer || inner.startsWith(outer + u'/');
}

Choice choose(const Facts& facts) {
    if (!facts.dataDir.isEmpty())
        return {cleaned(facts.dataDir), Source::DataDir};
    const bool installed = facts.installedLayout || isInside(facts.executableDir, facts.installPrefix);
    if (facts.executableDirWritable && !installed)
        return {cleaned(facts.executableDir), Source::OwnFolder};
    // Without a user data folder (no home), the executable's folder is all there is.
    if (facts.userDataDir.isEmpty())
        return {cleaned(facts.executableDir), Source::OwnFolder};
    return {cleaned(facts.userDataDir), Source::UserDataFolder};
}

Facts facts(const QString& dataDir) {
    Facts result;
    result.dataDir = dataDir;
    result.executableDir = QCoreApplication::applicationDirPath();
    result.executableDirWritable = canCreateFileIn(result.executableDir);
    result.installPrefix = QStringLiteral(KESTRUNE_INSTALL_PREFIX);
    result.installedLayout = QFileInfo(result.executableDir).fileName() == u"bin" &&
                             QFileInfo::exists(QDir(result.executableDir).filePath(kDesktopEntry));
    result.userDataDir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    return result;
}

} // namespace ProgramFolder
