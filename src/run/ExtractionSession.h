#pragma once

#include "base/StopSignal.h"
#include "formats/RowWriter.h"
#include "run/AppPaths.h"
#include "run/MessageCountingWindow.h"
#include "run/RunState.h"
#include "run/SettingsStore.h"
#include "run/ShopWalkHost.h"
#include "run/WrittenItemSet.h"
#include "web/PageFetcher.h"

#include <memory>

class WindowInterface;

// Owns the run state and the services of one program folder, and hands crawlers their context.
// The window, the command line and the tests each create one around their WindowInterface.
class ExtractionSession {
public:
    // stop: the run's thread-safe stop request, when another owns it; none: the session keeps
    // its own. settings: the folder's store when another owns it; none: the session keeps its own.
    ExtractionSession(WindowInterface& window, const QString& programDir, StopSignal* stop = nullptr,
                      SettingsStore* settings = nullptr);

    RunState& state() { return m_state; }
    WindowInterface& window() { return m_window; }
    // Messages shown through this session so far.
    int messagesShown() const { return m_window.messagesShown(); }
    // The items the current run's output file holds; the collect command aims it at the file.
    WrittenItemSet& writtenItems() { return m_writtenItems; }
    SettingsStore& settings() { return *m_settings; }
    PageFetcher& fetcher() { return m_fetcher; }
    RowWriter& writer() { return m_writer; }
    const AppPaths& paths() const { return m_paths; }
    ShopWalkHost& context() { return m_context; }
    // The run's stop request: the walk learns of a stop only here.
    StopSignal& stopSignal() { return *m_stop; }

private:
    MessageCountingWindow m_window;
    AppPaths m_paths;
    RunState m_state;
    StopSignal m_ownStop;
    StopSignal* m_stop;
    std::unique_ptr<SettingsStore> m_ownSettings;
    SettingsStore* m_settings;
    PageFetcher m_fetcher;
    RowWriter m_writer;
    WrittenItemSet m_writtenItems;
    ShopWalkHost m_context;
};
