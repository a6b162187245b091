#include "run/ExtractionSession.h"

#include "run/WindowInterface.h"

ExtractionSession::ExtractionSession(WindowInterface& window, const QString& programDir, StopSignal* stop,
                                     SettingsStore* settings)
    : m_window(window), m_paths(programDir), m_stop(stop ? stop : &m_ownStop),
      m_ownSettings(settings ? nullptr : std::make_unique<SettingsStore>(m_paths.settingsFile())),
      m_settings(settings ? settings : m_ownSettings.get()), m_fetcher({}, m_stop),
      m_context(m_state, m_window, *m_settings, m_fetcher, m_writer, m_paths, *m_stop) {}
