#pragma once

#include "app/AppPaths.h"
#include "app/CollectContext.h"
#include "app/RunState.h"
#include "app/SettingsStore.h"
#include "formats/RowWriter.h"
#include "web/PageFetcher.h"

class StopSignal;
class WindowInterface;

// Owns the run state and the services of one program folder, and hands crawlers their context.
// The window, the command line and the tests each create one around their WindowInterface.
class ExtractionSession {
public:
    // stop: the run's thread-safe stop request, when a thread other than the crawl's may ask.
    ExtractionSession(WindowInterface& window, const QString& programDir, StopSignal* stop = nullptr);

    RunState& state() { return m_state; }
    WindowInterface& window() { return m_window; }
    SettingsStore& settings() { return m_settings; }
    PageFetcher& fetcher() { return m_fetcher; }
    RowWriter& writer() { return m_writer; }
    const AppPaths& paths() const { return m_paths; }
    CollectContext& context() { return m_context; }

private:
    WindowInterface& m_window;
    AppPaths m_paths;
    RunState m_state;
    SettingsStore m_settings;
    PageFetcher m_fetcher;
    RowWriter m_writer;
    CollectContext m_context;
};
