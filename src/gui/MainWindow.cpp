#include "gui/MainWindow.h"

#include "app/Messages.h"
#include "app/ProgressText.h"
#include "base/MarketplaceCodes.h"
#include "base/PlatformConstants.h"
#include "formats/ItemRecord.h"
#include "gui/ControlArrays.h"
#include "gui/ConversionPanel.h"
#include "gui/ItemGridView.h"
#include "gui/ItemTableModel.h"
#include "gui/LogPanel.h"
#include "gui/MessageBox.h"
#include "gui/WindowPlacement.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSplitter>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kWindowWidthTwips = 8775;
// The most of the screen's height the window takes when it opens, in percent.
constexpr int kOpeningScreenShare = 90;

} // namespace

MainWindow::MainWindow(const QString& programDir, ExtractionController::Crawlers crawlers, QWidget* parent)
    : QWidget(parent), m_session(*this, programDir), m_engine(programDir, std::move(crawlers)),
      m_startup(m_session) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(PlatformConstants::kWindowCaption);
    buildUi();
    // The width the window always had, and the grid's room for a dozen rows and the log's for a
    // few lines; the user may change both. On a small screen it opens within the screen, leaving
    // room to grow.
    const int screenHeight = screen()->availableGeometry().height() * kOpeningScreenShare / 100;
    resize(qMax(twipsToPixels(kWindowWidthTwips, logicalDpiX()), minimumSizeHint().width()),
           qMax(qMin(sizeHint().height(), screenHeight), minimumSizeHint().height()));
    setStatusText(QStringLiteral("程序文件夹：") + QDir::toNativeSeparators(m_session.paths().programDir()));
}

MainWindow::~MainWindow() {
    if (m_busyCursor)
        unsetCursor();
}

int MainWindow::twipsToPixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

void MainWindow::buildUi() {
    auto* root = new QVBoxLayout(this);

    m_settingsFrame = new QGroupBox(QStringLiteral("迁移设置选项"), this);
    m_settingsFrame->setObjectName(QStringLiteral("Fm2"));
    auto* settings = new QGridLayout(m_settingsFrame);

    settings->addWidget(makeLabel(QStringLiteral("lb_set_mb"), QStringLiteral("交易平台:"), m_settingsFrame),
                        0, 0);
    auto* platformRow = new QHBoxLayout;
    m_platformGroup = makeOptionArray(
        QStringLiteral("Option1"), {QStringLiteral("拍拍"), QStringLiteral("易趣"), QStringLiteral("淘宝")},
        m_settingsFrame, platformRow);
    platformRow->addStretch();
    settings->addLayout(platformRow, 0, 1, 1, 2);

    settings->addWidget(makeLabel(QStringLiteral("lb_set_dz"), QStringLiteral("店铺地址:"), m_settingsFrame),
                        1, 0);
    m_address = new QLineEdit(m_settingsFrame);
    m_address->setObjectName(QStringLiteral("txt_set_dz"));
    settings->addWidget(m_address, 1, 1, 1, 2);

    // Every run saves each item as it comes and records where it got to, so there is no
    // automatic-save box to untick: nothing a seller would want could be switched off by it.
    auto* formatRow = new QHBoxLayout;
    m_autoSaveLabel = makeLabel(QStringLiteral("lb_autosave"), QStringLiteral("输入到"), m_settingsFrame);
    formatRow->addWidget(m_autoSaveLabel);
    auto* formatFrame = new QFrame(m_settingsFrame);
    formatFrame->setObjectName(QStringLiteral("Frame4"));
    formatFrame->setFrameShape(QFrame::StyledPanel);
    auto* formatLayout = new QHBoxLayout(formatFrame);
    formatLayout->setContentsMargins(6, 2, 6, 2);
    m_formatGroup = makeOptionArray(QStringLiteral("Option5"),
                                    {QStringLiteral("淘宝助理"), QStringLiteral("易趣助理"),
                                     QStringLiteral("拍拍助理"), QStringLiteral("淘宝助理5")},
                                    formatFrame, formatLayout);
    formatRow->addWidget(formatFrame);
    formatRow->addStretch();

    // cmd_go and Cmd_stop share one cell; exactly one of them is visible.
    auto* buttonCell = new QGridLayout;
    m_goButton = new QPushButton(QStringLiteral("提取商品信息"), m_settingsFrame);
    m_goButton->setObjectName(QStringLiteral("cmd_go"));
    m_stopButton = new QPushButton(QStringLiteral("停止提取"), m_settingsFrame);
    m_stopButton->setObjectName(QStringLiteral("Cmd_stop"));
    m_stopButton->setCursor(Qt::ArrowCursor);
    buttonCell->addWidget(m_goButton, 0, 0);
    buttonCell->addWidget(m_stopButton, 0, 0);
    m_stopButton->hide();
    formatRow->addLayout(buttonCell);
    settings->addLayout(formatRow, 3, 0, 1, 3);
    settings->setColumnStretch(2, 1);
    root->addWidget(m_settingsFrame);

    // The grid with the progress under it, and the log below: the grid takes the room the window
    // gains; the log gets more when its border is dragged.
    auto* gridAndLog = new QSplitter(Qt::Vertical, this);
    gridAndLog->setObjectName(QStringLiteral("gridAndLog"));
    gridAndLog->setChildrenCollapsible(false);
    auto* gridArea = new QWidget(gridAndLog);
    auto* gridLayout = new QVBoxLayout(gridArea);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    m_model = new ItemTableModel(this);
    m_grid = new ItemGridView(m_model, gridArea);
    m_grid->setMinimumHeight(twipsToPixels(2400, logicalDpiY()));
    gridLayout->addWidget(m_grid, 1);

    auto* progressRow = new QHBoxLayout;
    m_progressText = makeLabel(QStringLiteral("lb_progress"), QString(), gridArea);
    progressRow->addWidget(m_progressText);
    m_progressBar = new QProgressBar(gridArea);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, 1);
    m_progressBar->setValue(0);
    m_progressBar->setTextVisible(false);
    progressRow->addWidget(m_progressBar, 1);
    m_timeLeft = makeLabel(QStringLiteral("lb_time_left"), QString(), gridArea);
    progressRow->addWidget(m_timeLeft);
    gridLayout->addLayout(progressRow);

    m_logPanel = new LogPanel(gridAndLog);
    m_logPanel->setFolder(m_session.paths().programDir());
    gridAndLog->setStretchFactor(0, 1);
    gridAndLog->setStretchFactor(1, 0);
    // The splitter keeps a child's height when its content changes: folding the log hands its
    // room to the grid, unfolding takes back the height it had.
    connect(m_logPanel, &LogPanel::collapsedChanged, gridAndLog, [this, gridAndLog](bool collapsed) {
        const QList<int> sizes = gridAndLog->sizes();
        const int both = sizes.value(0) + sizes.value(1);
        if (collapsed)
            m_expandedLogHeight = sizes.value(1);
        const int logHeight = collapsed ? m_logPanel->maximumHeight() : m_expandedLogHeight;
        gridAndLog->setSizes({both - logHeight, logHeight});
    });
    root->addWidget(gridAndLog, 1);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(makeLabel(QStringLiteral("lb_stat"), QStringLiteral("状态显示："), this));
    m_statusText = makeLabel(QStringLiteral("lb_stat_txt"), QString(), this);
    m_statusText->setMinimumWidth(1);
    statusRow->addWidget(m_statusText, 1);
    m_openFolderButton = new QPushButton(QStringLiteral("打开输出文件夹"), this);
    m_openFolderButton->setObjectName(QStringLiteral("cmd_open_folder"));
    m_openFolderButton->hide();
    statusRow->addWidget(m_openFolderButton);
    root->addLayout(statusRow);

    m_conversionPanel = new ConversionPanel(this);
    root->addWidget(m_conversionPanel);

    selectPlatform(Platform::PaiPai);
    selectFormat(FileFormat::TaobaoAssistant);

    connect(m_goButton, &QPushButton::clicked, this, &MainWindow::collect);
    connect(m_stopButton, &QPushButton::clicked, this, [this] { m_engine.requestStop(); });
    // Enter in the address field starts the extraction, as the button would.
    connect(m_address, &QLineEdit::returnPressed, this, &MainWindow::collect);

    connect(&m_engine, &RunEngine::runningChanged, this, &MainWindow::setRunning);
    connect(&m_engine, &RunEngine::statusChanged, this, &MainWindow::setStatusText);
    connect(&m_engine, &RunEngine::gridCleared, this, &MainWindow::clearGrid);
    connect(&m_engine, &RunEngine::rowAdded, this, &MainWindow::addGridRow);
    connect(&m_engine, &RunEngine::messageRaised, this, &MainWindow::showMessage);
    connect(&m_engine, &RunEngine::finished, this, &MainWindow::onRunFinished);
    connect(&m_engine, &RunEngine::progressChanged, this, &MainWindow::showProgress);
    connect(&m_engine, &RunEngine::logged, m_logPanel, &LogPanel::appendLine);
    connect(m_logPanel, &LogPanel::saved, this, [this](const QString& path) {
        setStatusText(QStringLiteral("日志已保存到") + QDir::toNativeSeparators(path));
    });
    connect(m_openFolderButton, &QPushButton::clicked, this, &MainWindow::openOutputFolder);
    connect(m_grid, &ItemGridView::pageAddressCopied, this, [this](const QString& address) {
        setStatusText(QStringLiteral("没有可用的浏览器，宝贝地址已复制到剪贴板：") + address);
    });
}

void MainWindow::showProgress(const RunProgress& progress) {
    m_progress = progress;
    m_progressText->setText(ProgressText::count(progress));
    m_timeLeft->setText(ProgressText::timeLeft(progress));
    if (!progress.totalKnown()) {
        // Busy until the walk has read the shop's total.
        m_progressBar->setRange(0, 0);
        return;
    }
    m_progressBar->setRange(0, qMax(progress.total, progress.done));
    m_progressBar->setValue(progress.done);
    m_progressBar->setTextVisible(true);
    setWindowTitle(PlatformConstants::kWindowCaption + QStringLiteral(" - %1%").arg(progress.percent()));
}

void MainWindow::onRunFinished(const RunOutcome& outcome) {
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        // Once the engine counts as idle again, which it does after this signal.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    setRunning(false);
    setWindowTitle(PlatformConstants::kWindowCaption);
    m_timeLeft->clear();
    // The bar keeps where the run got to; a total never read leaves it full.
    if (!m_progress.totalKnown()) {
        m_progressBar->setRange(0, 1);
        m_progressBar->setValue(outcome.summary.started ? 1 : 0);
    }
    if (!outcome.summary.started) {
        m_progressText->clear();
        return;
    }
    // The run's own ending (complete, stopped, or why it failed); rows still buffered after a
    // failed write are not in the file.
    const QString fileName = QFileInfo(outcome.outputFile).fileName();
    const QString count = QString::number(outcome.rows);
    QString status;
    // The run's ending names the items it dropped; the window's own endings add them.
    if (outcome.summary.outputPending)
        status = QStringLiteral("采集结束，共%1个宝贝，未能写入%2").arg(count, fileName);
    else if (!outcome.summary.endingText.isEmpty())
        status = outcome.summary.endingText;
    else
        status = QStringLiteral("采集结束，共%1个宝贝，已保存到%2").arg(count, fileName);
    if (outcome.droppedItems > 0 && (outcome.summary.outputPending || outcome.summary.endingText.isEmpty()))
        status += Messages::itemsNotCollected(outcome.droppedItems);
    setStatusText(status);
    m_statusText->setToolTip(QDir::toNativeSeparators(outcome.outputFile));
    m_openFolderButton->show();
}

bool MainWindow::openOutputFolder() {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(m_session.paths().programDir()));
}

void MainWindow::showAtSavedPlacement() {
    const std::optional<WindowPlacement> placement = WindowPlacement::read(m_session.settings());
    if (placement)
        placement->applyTo(*this);
    if (placement && placement->maximized)
        showMaximized();
    else
        show();
}

void MainWindow::collect() {
    if (!m_engine.isIdle())
        return;
    RunRequest request;
    request.platform = selectedPlatform();
    request.format = selectedFormat();
    request.address = addressText();
    // A breakpoint loaded at start-up goes with the next run, once.
    RunState& state = m_session.state();
    request.resumeShopUrl = state.resume.shopUrl;
    request.resumeItemNumber = state.resume.itemNumber;
    state.resume.shopUrl.clear();
    setRunning(true);
    m_logPanel->clear();
    m_progressBar->setTextVisible(false);
    showProgress({});
    m_engine.start(request);
}

bool MainWindow::runStartup() {
    if (!m_startup.acceptUsageNotice())
        return false;
    m_startup.applyRunStateDefaults();
    m_startup.recoverInterruptedOutput();
    m_startup.offerResume();
    return true;
}

// The groups are exclusive and start with a button checked, so one always is.
Platform MainWindow::selectedPlatform() const {
    return MarketplaceCodes::platformFromIndex(m_platformGroup->checkedId()).value_or(Platform::Taobao);
}

FileFormat MainWindow::selectedFormat() const {
    return MarketplaceCodes::outputFormatFromIndex(m_formatGroup->checkedId())
        .value_or(FileFormat::EbayAssistant);
}

void MainWindow::selectPlatform(Platform platform) {
    if (QAbstractButton* button = m_platformGroup->button(MarketplaceCodes::platformIndex(platform)))
        button->setChecked(true);
}

void MainWindow::selectFormat(FileFormat format) {
    if (QAbstractButton* button = m_formatGroup->button(MarketplaceCodes::outputFormatIndex(format)))
        button->setChecked(true);
}

QString MainWindow::addressText() const {
    return m_address->text();
}

void MainWindow::setAddressText(const QString& text) {
    m_address->setText(text);
}

void MainWindow::setRunning(bool running) {
    if (running)
        m_openFolderButton->hide();
    m_address->setEnabled(!running);
    for (QAbstractButton* button : m_platformGroup->buttons())
        button->setEnabled(!running);
    m_goButton->setVisible(!running);
    m_stopButton->setVisible(running);
    if (running && !m_busyCursor)
        setCursor(Qt::WaitCursor);
    else if (!running && m_busyCursor)
        unsetCursor();
    m_busyCursor = running;
}

void MainWindow::setStatusText(const QString& text) {
    m_statusText->setText(text);
}

void MainWindow::clearGrid() {
    m_model->clear();
}

int MainWindow::gridRowCount() const {
    return m_model->rowCount();
}

void MainWindow::addGridRow(const QString& key, const QStringList& cells) {
    m_model->addRow(key, cells);
}

void MainWindow::showMessage(const QString& text) {
    MessageBox::information(this, text);
}

bool MainWindow::askYesNo(const QString& text) {
    return MessageBox::question(this, text);
}

void MainWindow::processEvents() {
    // The window's own session never crawls; its event loop runs by itself.
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A run's output is written by its stop: the window closes once the stopped run has ended.
    if (!m_engine.isIdle()) {
        event->ignore();
        if (!m_closeAfterRun && askYesNo(Messages::kStopAndClose)) {
            m_closeAfterRun = true;
            m_engine.requestStop();
        }
        return;
    }
    // Only a window the user has seen has a placement worth keeping.
    if (isVisible())
        WindowPlacement::of(*this).write(m_session.settings());
    event->accept();
}
