#include "app/ExtractionSession.h"

#include "app/WindowInterface.h"

ExtractionSession::ExtractionSession(WindowInterface& window, const QString& programDir, StopSignal* stop)
    : m_window(window), m_paths(programDir), m_settings(m_paths.settingsFile()),
      m_fetcher([&window] { window.processEvents(); }, stop),
      m_context(m_state, m_window, m_settings, m_fetcher, m_writer, m_paths) {
    m_context.stopSignal = stop;
}
