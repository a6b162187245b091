#pragma once

#include <QString>

// Which folder holds the settings file, the output files and the picture folders. A copy run
// from a folder of its own keeps its files beside the executable; an installed program cannot
// (a system folder is not writable, and one folder would be shared by every user), so it uses
// the user's data folder. --data-dir always wins.
namespace ProgramFolder {

enum class Source { DataDir, OwnFolder, UserDataFolder };

struct Facts {
    QString dataDir;                    // --data-dir, empty when not given
    QString executableDir;              // the executable's folder
    bool executableDirWritable = false; //
    QString installPrefix;              // the prefix the program was built to be installed under
    bool installedLayout = false;       // the executable sits in PREFIX/bin beside its desktop entry
    QString userDataDir;                // QStandardPaths::AppDataLocation
};

struct Choice {
    QString folder;
    Source source = Source::OwnFolder;
};

Choice choose(const Facts& facts);
// The facts of this process.
Facts facts(const QString& dataDir);
// True when folder is prefix or lies inside it (the file system root is no prefix).
bool isInside(const QString& folder, const QString& prefix);

} // namespace ProgramFolder
