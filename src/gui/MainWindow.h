#pragma once

#include "formats/FormatConverter.h"
#include "gui/RememberedChoices.h"
#include "run/AppPaths.h"
#include "run/CollectCommand.h"
#include "run/RunEngine.h"
#include "run/RunProgress.h"
#include "run/SettingsStore.h"
#include "run/StartupSequence.h"
#include "run/WindowInterface.h"

#include <QWidget>

class QButtonGroup;
class QGroupBox;
class QLabel;
class ElidedLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class ConversionPanel;
class LogPanel;
class ItemGridView;
class ItemTableModel;
struct RunOutcome;

// Form1: the program's only window. Start-up runs here, on the window's own session; every
// extraction runs on the engine's worker thread and reaches the window only through queued
// signals, so the window stays live (and its message boxes never pause a run).
class MainWindow : public QWidget, public WindowInterface {
    Q_OBJECT

public:
    explicit MainWindow(const QString& programDir,
                        CollectCommand::Crawlers crawlers = CollectCommand::Crawlers::standard(),
                        QWidget* parent = nullptr);
    // The engine's options but its settings store: the window's is the folder's one.
    explicit MainWindow(RunEngineOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Notice, run-state defaults, recovery and the resume offer, before the window is shown.
    // False when the notice was refused: the program ends without showing the window.
    bool runStartup();

    // The program folder's settings, shared with the engine's runs.
    SettingsStore& settings() { return m_settings; }
    const AppPaths& paths() const { return m_paths; }
    RunEngine& engine() { return m_engine; }
    // The breakpoint start-up loaded for the next run; empty once that run has taken it.
    const ResumePoint& loadedResumePoint() const { return m_startup.resumePoint(); }
    ItemTableModel* itemModel() const { return m_model; }
    ItemGridView* grid() const { return m_grid; }
    LogPanel* logPanel() const { return m_logPanel; }

    // Puts the (hidden) window where it was when last closed, else in the middle of the screen,
    // so that the start-up boxes appear over it. Once; later calls do nothing.
    void placeAtSavedPlacement();
    // Places the window as above, then shows it, maximised when it was.
    void showAtSavedPlacement();
    // The size the window opens at the first time: the grid's main columns without scrolling,
    // within the screen.
    QSize defaultSize() const;

    // The file a run or a conversion wrote last; 打开文件 and 打开输出文件夹 are offered for it.
    QString writtenFile() const { return m_writtenFile; }
    void offerWrittenFile(const QString& path);
    // Open the file, or the folder it is in (the program folder before anything was written).
    // When nothing can open it, the path goes to the clipboard and the status line says so;
    // false then.
    bool openWrittenFile();
    bool openOutputFolder();

    static int twipsToPixels(int twips, int dpi);

    // WindowInterface
    Platform selectedPlatform() const override;
    FileFormat selectedFormat() const override;
    void selectPlatform(Platform platform) override;
    void selectFormat(FileFormat format) override;
    QString addressText() const override;
    void setAddressText(const QString& text) override;
    void setRunning(bool running) override;
    void setStatusText(const QString& text) override;
    void clearGrid() override;
    int gridRowCount() const override;
    void addGridRow(const QString& key, const QStringList& cells) override;
    void showMessage(const QString& text) override;
    bool askYesNo(const QString& text) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildUi();
    void onRunFinished(const RunOutcome& outcome);
    void showProgress(const RunProgress& progress);
    // A conversion's progress takes the run's place while no extraction runs.
    void showConversionProgress(int converted);
    void onConversionFinished(const FormatConverter::Result& result);
    void collect();
    void rememberChoices();
    void applyRememberedChoices();
    void showConversionReport(const QString& message, const QString& writtenFile);
    // The log only: the status line keeps what the conversion as a whole says.
    void showConversionWarning(const QString& line);
    // Opens path with the desktop; when nothing takes it, copies it and says so with
    // noProgramText. False then.
    bool openOrCopy(const QString& path, const QString& noProgramText);

    AppPaths m_paths;
    SettingsStore m_settings;
    // What start-up loaded (the breakpoint the next run continues); runs keep their own state.
    RunEngine m_engine;
    StartupSequence m_startup;

    QGroupBox* m_settingsFrame = nullptr;
    QButtonGroup* m_platformGroup = nullptr;
    QButtonGroup* m_formatGroup = nullptr;
    QLineEdit* m_address = nullptr;
    QLabel* m_autoSaveLabel = nullptr;
    QPushButton* m_goButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    ItemGridView* m_grid = nullptr;
    ItemTableModel* m_model = nullptr;
    ElidedLabel* m_statusText = nullptr;
    QPushButton* m_openFileButton = nullptr;
    QPushButton* m_openFolderButton = nullptr;
    QString m_writtenFile;
    // The last message box of the run under way: a run refused before it started ends with it.
    QString m_runMessage;
    // The choices of the run under way, remembered once it has started.
    RememberedChoices m_runChoices;
    bool m_placed = false;
    QLabel* m_progressText = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_timeLeft = nullptr;
    RunProgress m_progress;
    LogPanel* m_logPanel = nullptr;
    int m_expandedLogHeight = 0;
    ConversionPanel* m_conversionPanel = nullptr;
    bool m_busyCursor = false;
    bool m_closeAfterRun = false;        // the user closed the window during a run and chose to stop it
    bool m_closeAfterConversion = false; // the user closed the window during a conversion
};
