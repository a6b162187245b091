#pragma once

#include "base/StopSignal.h"
#include "formats/RowWriter.h"
#include "run/AppPaths.h"
#include "run/CollectCommand.h"
#include "run/MessageCountingWindow.h"
#include "run/RunState.h"
#include "run/SettingsStore.h"
#include "run/ShopWalkHost.h"
#include "run/StartupSequence.h"
#include "run/WrittenItemSet.h"
#include "web/PageFetcher.h"

// The services of one program folder as the engine's worker keeps them, for the tests that drive a
// collect command (services()) or a walk's host (context()) themselves. The host here works on a
// run state of the test's own, which the test sets up as the collect command would.
class TestSession {
public:
    TestSession(WindowInterface& window, const QString& programDir)
        : m_window(window), m_paths(programDir), m_settings(m_paths.settingsFile()), m_fetcher({}, &m_stop),
          m_context(m_state.setup(), m_state.counters(), m_window, m_settings, m_fetcher, m_writer, m_paths,
                    m_stop) {}

    // What a collect command of this folder works with.
    CollectCommand::Services services() {
        return {m_window, m_paths, m_settings, m_fetcher, m_writer, m_stop};
    }
    StartupSequence startup() { return StartupSequence(m_window, m_paths, m_settings); }

    RunState& state() { return m_state; }
    WrittenItemSet& writtenItems() { return m_writtenItems; }
    SettingsStore& settings() { return m_settings; }
    PageFetcher& fetcher() { return m_fetcher; }
    RowWriter& writer() { return m_writer; }
    const AppPaths& paths() const { return m_paths; }
    ShopWalkHost& context() { return m_context; }
    StopSignal& stopSignal() { return m_stop; }

private:
    MessageCountingWindow m_window;
    AppPaths m_paths;
    RunState m_state;
    StopSignal m_stop;
    SettingsStore m_settings;
    PageFetcher m_fetcher;
    RowWriter m_writer;
    WrittenItemSet m_writtenItems;
    ShopWalkHost m_context;
};
