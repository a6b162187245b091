#pragma once

#include "base/Marketplace.h"
#include "crawl/ShopWalk.h"
#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"
#include "support/TestSession.h"

#include "support/FakeWindow.h"

#include <QStringList>
#include <QTemporaryDir>

// Helpers of the crawler and item parser tests.

// The first cell (the title) of every grid row.
inline QStringList rowTitles(const FakeWindow& window) {
    QStringList titles;
    for (const FakeWindow::Row& row : window.rows)
        titles.append(row.cells.value(0));
    return titles;
}

// One crawl in a fresh program folder (or the one given), with the pause shortened; the walk's end
// is counted and writes the rows so far to the output file, as the collect command does.
struct ShopRun {
    FakeWindow window;
    QTemporaryDir dir;
    TestSession session;
    int stops = 0;
    WalkEnd end;

    explicit ShopRun(const QString& shopUrl = QString(), const QString& outputBaseName = QString(),
                     const QString& programDir = QString())
        : session(window, programDir.isEmpty() ? dir.path() : programDir) {
        session.state().setSetup({shopUrl, outputBaseName});
        session.state().setRunning(true);
        session.context().setPauseScale(0.001);
        aimWriter();
    }

    // Rows go to the output file in the window's format, as the collect command sets them up;
    // again after a test changes the window's choice.
    void aimWriter() {
        session.writer().setTarget({window.format, window.platform,
                                    session.paths().outputFile(session.state().setup().outputBaseName,
                                                               RunSetup::outputExtension())});
    }

    // Runs the walk with the run's parts, then ends the run: the rows written, the walk's last
    // status shown.
    WalkEnd walk(ShopWalk shopWalk, int pauseMs) {
        end = shopWalk(session.context().walkInput(pauseMs));
        stop();
        if (!end.lastStatus.isEmpty())
            session.context().setStatusText(end.lastStatus);
        return end;
    }

    void stop() {
        ++stops;
        session.state().setRunning(false);
        if (session.writer().hasPendingOutput())
            session.writer().flush();
    }
    QString breakPoint(const QString& key) {
        return session.settings().readValue(SettingsKeys::kSection, key);
    }
    // The row writer's file: the one aimWriter chose, or the one a collect command chose since.
    QString outputFile() { return session.writer().target().outputPath; }
};
