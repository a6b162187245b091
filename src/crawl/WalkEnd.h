#pragma once

#include <QString>

// How a shop walk ended, as it hands it back to the run. The walk only reads and hands on; the run
// writes the rows, moves the breakpoint and shows the ending.
struct WalkEnd {
    enum class Kind {
        Complete, // every list of the shop was read to its end
        Stopped,  // a stop came
        Failed,   // the walk could not go on: reason says why
    };

    Kind kind = Kind::Complete;
    // Failed: what the walk could not get past (a page that did not come, or what it told the user).
    QString reason;
    int stated = 0;  // items the shop states it holds
    int reached = 0; // list cells reached, those passed over included
    // Shown once the rows are written: the walk's last status line (its completion), if any.
    QString lastStatus;

    bool listsRead() const { return kind == Kind::Complete; }
};
