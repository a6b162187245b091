#pragma once

#include "run/RunState.h"

#include <QString>

#include <optional>
#include <utility>

class AppPaths;
class SettingsStore;
class WindowInterface;

// What happens between the program's start and the idle window: the usage notice, the recovery of
// journalled rows, and the offer to continue an unfinished extraction, whose breakpoint it keeps
// for the next run. The window and the command line run the same steps through their
// WindowInterface.
class StartupSequence {
public:
    enum class ResumeResult {
        NoBreakPoint,     // nothing unfinished recorded
        FileMissing,      // recorded, but its output file is gone (message shown)
        Declined,         // the user said No; the settings file is left for the next start
        AddressMissing,   // accepted, but the recorded address is empty (message shown)
        Loaded,           // address, platform and format restored; cmd_go continues it
        FormatUnreadable, // the recorded output format is not one we know (message shown)
        FreshRun,         // the item number was unreadable, or the list of the items the file
                          // holds could not be trusted, and the user chose to start the shop
                          // again: address, platform and format restored, nothing to continue
    };

    // What start-up needs of a program folder, without a run's services.
    StartupSequence(WindowInterface& window, const AppPaths& paths, SettingsStore& settings);

    // Yes/No notice; false means the program ends.
    bool acceptUsageNotice();
    // Runs before the resume offer: writes out the rows a run that died had journalled, so that
    // the offer and the next run see the output file and breakpoint that run had reached.
    void recoverInterruptedOutput();
    // The offer at start-up: asks before loading.
    ResumeResult offerResume();
    // The command line's --resume: loads as the offer's Yes would, without asking.
    ResumeResult loadBreakPoint();

    // BreakPointNum as a count of items, or nothing when it cannot be one.
    static std::optional<int> readItemNumber(const QString& text);

    // The breakpoint the offer (or --resume) loaded; empty when none, or once taken.
    const ResumePoint& resumePoint() const { return m_resume; }
    // Hands the loaded breakpoint to one run: the runs after it start afresh.
    ResumePoint takeResumePoint() { return std::exchange(m_resume, {}); }

private:
    struct Recorded;
    ResumeResult checkBreakPoint();
    ResumeResult offer(bool ask);
    ResumeResult load(const Recorded& recorded, bool continueIt);

    WindowInterface& m_window;
    ResumePoint m_resume;
    const AppPaths& m_paths;
    SettingsStore& m_settings;
};
