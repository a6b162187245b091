#pragma once

#include <QString>

class AppPaths;
class SettingsStore;

// Writes out every journal a dead run left in the program folder, as its stop command would
// have, then deletes it; raises BreakPointNum to the highest recovered item number when the
// breakpoint belongs to that output file and is lower. Rows the journal lost (damaged lines, or
// keys the written-item list holds for rows the journal no longer has) leave the list, and the
// breakpoint of that file goes back to the shop's first item, so the resume fetches them again.
// Returns the number of items recovered; message receives the lines to show the user (empty when
// nothing happened). A journal that cannot be written out is kept for the next start.
int recoverJournals(const AppPaths& paths, SettingsStore& settings, QString* message);
