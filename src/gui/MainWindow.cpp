#include "gui/MainWindow.h"

#include "base/MarketplaceCodes.h"
#include "base/ProgramIdentity.h"
#include "formats/ItemRecord.h"
#include "formats/OutputFormats.h"
#include "gui/CellText.h"
#include "gui/ConversionPanel.h"
#include "gui/ElidedLabel.h"
#include "gui/ItemGridView.h"
#include "gui/ItemTableModel.h"
#include "gui/LogPanel.h"
#include "gui/MessageBox.h"
#include "gui/NamedControls.h"
#include "gui/RememberedChoices.h"
#include "gui/WindowPlacement.h"
#include "run/Messages.h"
#include "run/ProgressText.h"
#include "run/RunLog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
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
#include <QStyle>
#include <QTime>
#include <QUrl>
#include <QVBoxLayout>

namespace {

// The most of the screen the window takes when it opens, in percent.
constexpr int kOpeningScreenShare = 90;
// Room left beside a window as wide as the screen allows, for its frame.
constexpr int kScreenEdge = 16;

const QString kNoFileManager = QStringLiteral("没有可用的文件管理器，文件夹路径已复制到剪贴板：");
const QString kNoFileProgram = QStringLiteral("没有可打开此文件的程序，文件路径已复制到剪贴板：");

// The run's boxes by what they tell: a refused address or a breakpoint that cannot be used asks
// the seller to act (a warning), a recovery is news, anything else is a failure.
MessageBox::Kind messageKind(const QString& text) {
    static const QStringList warnings{Messages::kAddressEmpty,
                                      Messages::kPaiPaiAddressWrong,
                                      Messages::kEbayAddressWrong,
                                      Messages::kTaobaoAddressWrong,
                                      Messages::kTaobaoAddressChosenWrongly,
                                      Messages::kPaiPaiAddressChosenWrongly,
                                      Messages::kEbayAddressChosenWrongly,
                                      Messages::kBreakPointFileMissing,
                                      Messages::kResumeAddressLost,
                                      Messages::kBreakPointFormatUnreadable,
                                      Messages::kLoginRequired};
    if (text.startsWith(QStringLiteral("已恢复")))
        return MessageBox::Kind::Information;
    if (warnings.contains(text) || text.startsWith(QStringLiteral("文件")))
        return MessageBox::Kind::Warning;
    return MessageBox::Kind::Error;
}

} // namespace

namespace {

RunEngineOptions withSettings(RunEngineOptions options, SettingsStore* settings) {
    options.settings = settings;
    return options;
}

} // namespace

MainWindow::MainWindow(const QString& programDir, CollectCommand::Crawlers crawlers, QWidget* parent)
    : MainWindow(RunEngineOptions{programDir, std::move(crawlers), nullptr, std::nullopt, {}}, parent) {}

MainWindow::MainWindow(RunEngineOptions options, QWidget* parent)
    : QWidget(parent), m_paths(options.programDir), m_settings(m_paths.settingsFile()),
      m_engine(withSettings(std::move(options), &m_settings)), m_startup(*this, m_paths, m_settings) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(ProgramIdentity::kWindowCaption);
    buildUi();
    resize(defaultSize());
    applyRememberedChoices();
    setStatusText(QStringLiteral("程序文件夹：") + QDir::toNativeSeparators(m_paths.programDir()));
}

QSize MainWindow::defaultSize() const {
    // The grid's main columns side by side, the grid's room for a dozen rows and the log's for a
    // few lines; the user may change both. Within the screen, leaving room to grow.
    const QRect available = screen()->availableGeometry();
    const QMargins margins = layout()->contentsMargins();
    // The columns are measured by their captions here; items widen some (a category number, a
    // price), by a fifth at most.
    const int gridWidth = m_grid->mainColumnsWidth() * 6 / 5 + 2 * m_grid->frameWidth() +
                          m_grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);
    const int width = qMin(gridWidth + margins.left() + margins.right(), available.width() - kScreenEdge);
    const int height = qMin(sizeHint().height(), available.height() * kOpeningScreenShare / 100);
    return QSize(width, height).expandedTo(minimumSizeHint());
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
    m_platformGroup = makeOptionGroup(
        QStringLiteral("Option1"), {QStringLiteral("拍拍"), QStringLiteral("易趣"), QStringLiteral("淘宝")},
        m_settingsFrame, platformRow);
    platformRow->addSpacing(style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing) * 2);
    settings->addLayout(platformRow, 0, 1);

    // The address beside the platform: one row less, and more of the window's height for the grid.
    settings->addWidget(makeLabel(QStringLiteral("lb_set_dz"), QStringLiteral("店铺地址:"), m_settingsFrame),
                        0, 2);
    m_address = new QLineEdit(m_settingsFrame);
    m_address->setObjectName(QStringLiteral("txt_set_dz"));
    settings->addWidget(m_address, 0, 3);

    // Every run saves each item as it comes and records where it got to, so there is no
    // automatic-save box to untick: nothing a seller would want could be switched off by it.
    auto* formatRow = new QHBoxLayout;
    m_autoSaveLabel = makeLabel(QStringLiteral("lb_autosave"), QStringLiteral("输入到"), m_settingsFrame);
    formatRow->addWidget(m_autoSaveLabel);
    auto* formatFrame = new QFrame(m_settingsFrame);
    formatFrame->setObjectName(QStringLiteral("Frame4"));
    formatFrame->setFrameShape(QFrame::StyledPanel);
    auto* formatLayout = new QHBoxLayout(formatFrame);
    QStringList formatCaptions;
    for (FileFormat format : OutputFormats::all())
        formatCaptions.append(OutputFormats::describe(format).caption);
    m_formatGroup = makeOptionGroup(QStringLiteral("Option5"), formatCaptions, formatFrame, formatLayout);
    formatRow->addWidget(formatFrame);
    formatRow->addStretch();

    // cmd_go and Cmd_stop share one cell; exactly one of them is visible.
    auto* buttonCell = new QGridLayout;
    m_goButton = new QPushButton(QStringLiteral("提取商品信息"), m_settingsFrame);
    m_goButton->setObjectName(QStringLiteral("cmd_go"));
    m_goButton->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    m_stopButton = new QPushButton(QStringLiteral("停止提取"), m_settingsFrame);
    m_stopButton->setObjectName(QStringLiteral("Cmd_stop"));
    m_stopButton->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_stopButton->setCursor(Qt::ArrowCursor);
    buttonCell->addWidget(m_goButton, 0, 0);
    buttonCell->addWidget(m_stopButton, 0, 0);
    m_stopButton->hide();
    formatRow->addLayout(buttonCell);
    settings->addLayout(formatRow, 1, 0, 1, 4);
    settings->setColumnStretch(3, 1);
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
    // Nothing to show before the first run: an empty bar would look like a broken box.
    m_progressBar->hide();

    m_logPanel = new LogPanel(gridAndLog);
    m_logPanel->setFolder(m_paths.programDir());
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
    // Cut with "…" at the window's width; the whole text is its tooltip.
    m_statusText = new ElidedLabel(this);
    m_statusText->setObjectName(QStringLiteral("lb_stat_txt"));
    statusRow->addWidget(m_statusText, 1);
    m_openFileButton = new QPushButton(QStringLiteral("打开文件"), this);
    m_openFileButton->setObjectName(QStringLiteral("cmd_open_file"));
    m_openFileButton->setIcon(style()->standardIcon(QStyle::SP_FileIcon));
    m_openFileButton->hide();
    statusRow->addWidget(m_openFileButton);
    m_openFolderButton = new QPushButton(QStringLiteral("打开输出文件夹"), this);
    m_openFolderButton->setObjectName(QStringLiteral("cmd_open_folder"));
    m_openFolderButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    m_openFolderButton->hide();
    statusRow->addWidget(m_openFolderButton);
    root->addLayout(statusRow);

    m_conversionPanel = new ConversionPanel(this);
    m_conversionPanel->setFolder(m_paths.programDir());
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
    connect(m_openFileButton, &QPushButton::clicked, this, &MainWindow::openWrittenFile);
    connect(m_openFolderButton, &QPushButton::clicked, this, &MainWindow::openOutputFolder);
    connect(m_grid, &ItemGridView::pageAddressCopied, this, [this](const QString& address) {
        setStatusText(QStringLiteral("没有可用的浏览器，宝贝地址已复制到剪贴板：") + address);
    });
    connect(m_conversionPanel, &ConversionPanel::reported, this, &MainWindow::showConversionReport);
    connect(m_conversionPanel, &ConversionPanel::warned, this, &MainWindow::showConversionWarning);
    ConversionJob& conversion = m_conversionPanel->job();
    connect(&conversion, &ConversionJob::started, this, [this] { showConversionProgress(0); });
    connect(&conversion, &ConversionJob::progressed, this, &MainWindow::showConversionProgress);
    connect(&conversion, &ConversionJob::finished, this, &MainWindow::onConversionFinished);
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
    setWindowTitle(ProgramIdentity::kWindowCaption + QStringLiteral(" - %1%").arg(progress.percent()));
}

void MainWindow::showConversionProgress(int converted) {
    if (!m_engine.isIdle())
        return;
    m_progressText->setText(QStringLiteral("已转换 %1 个宝贝").arg(converted));
    m_timeLeft->clear();
    m_progressBar->setTextVisible(false);
    m_progressBar->setRange(0, 0);
    m_progressBar->show();
}

void MainWindow::onConversionFinished(const FormatConverter::Result& result) {
    if (m_closeAfterConversion) {
        m_closeAfterConversion = false;
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    if (!m_engine.isIdle())
        return;
    // The bar says whether the conversion went through; the count stays beside it.
    m_progressBar->setRange(0, 1);
    m_progressBar->setValue(result.outcome == FormatConverter::Outcome::Completed ? 1 : 0);
}

void MainWindow::onRunFinished(const RunOutcome& outcome) {
    if (m_closeAfterRun) {
        m_closeAfterRun = false;
        // Once the engine counts as idle again, which it does after this signal.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
    setRunning(false);
    setWindowTitle(ProgramIdentity::kWindowCaption);
    m_timeLeft->clear();
    // The bar keeps where the run got to; a total never read leaves it full.
    if (!m_progress.totalKnown()) {
        m_progressBar->setRange(0, 1);
        m_progressBar->setValue(outcome.summary.started ? 1 : 0);
    }
    // A run that started is what the seller will want again; a refused address writes nothing.
    if (outcome.summary.started)
        m_runChoices.write(m_settings);
    if (!outcome.summary.started) {
        // A refused address: the old run's ending would be taken for this one's.
        m_progressText->clear();
        m_progressBar->hide();
        setStatusText(m_runMessage);
        return;
    }
    // The run's own ending (complete, stopped, or why it failed); rows still buffered after a
    // failed write are not in the file.
    const QString fileName = QFileInfo(outcome.outputFile).fileName();
    const QString count = QString::number(outcome.rows);
    QString status;
    // The run's ending names the items it dropped or wrote without a picture address; the
    // window's own endings add them.
    if (outcome.summary.outputPending)
        status = QStringLiteral("采集结束，共%1个宝贝，未能写入%2").arg(count, fileName);
    else if (!outcome.summary.endingText.isEmpty())
        status = outcome.summary.endingText;
    else
        status = QStringLiteral("采集结束，共%1个宝贝，已保存到%2").arg(count, fileName);
    if (outcome.summary.outputPending || outcome.summary.endingText.isEmpty()) {
        if (outcome.droppedItems > 0)
            status += Messages::itemsNotCollected(outcome.droppedItems);
        if (outcome.summary.counts.withoutPictureAddress > 0)
            status += Messages::itemsWithoutPictureAddress(outcome.summary.counts.withoutPictureAddress);
    }
    setStatusText(status);
    if (QFileInfo(outcome.outputFile).isFile())
        offerWrittenFile(outcome.outputFile);
    else
        m_openFolderButton->show();
}

void MainWindow::showConversionReport(const QString& message, const QString& writtenFile) {
    // The converter's messages name the file they wrote.
    setStatusText(message);
    m_logPanel->appendLine(RunLog::line(QTime::currentTime(), RunLog::Kind::Message, message));
    if (!writtenFile.isEmpty())
        offerWrittenFile(writtenFile);
}

void MainWindow::showConversionWarning(const QString& line) {
    m_logPanel->appendLine(RunLog::line(QTime::currentTime(), RunLog::Kind::Message, line));
}

void MainWindow::offerWrittenFile(const QString& path) {
    m_writtenFile = path;
    m_openFileButton->show();
    m_openFolderButton->show();
}

bool MainWindow::openOrCopy(const QString& path, const QString& noProgramText) {
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        return true;
    const QString shown = QDir::toNativeSeparators(path);
    QGuiApplication::clipboard()->setText(shown);
    setStatusText(noProgramText + shown);
    return false;
}

bool MainWindow::openWrittenFile() {
    if (m_writtenFile.isEmpty())
        return false;
    return openOrCopy(m_writtenFile, kNoFileProgram);
}

bool MainWindow::openOutputFolder() {
    const QString folder =
        m_writtenFile.isEmpty() ? m_paths.programDir() : QFileInfo(m_writtenFile).absolutePath();
    return openOrCopy(folder, kNoFileManager);
}

void MainWindow::placeAtSavedPlacement() {
    if (m_placed)
        return;
    m_placed = true;
    if (WindowPlacement::restore(*this, m_settings))
        return;
    const QRect available = screen()->availableGeometry();
    move(available.center() - QPoint(width() / 2, height() / 2));
    WindowPlacement::clampToScreen(*this);
}

void MainWindow::showAtSavedPlacement() {
    placeAtSavedPlacement();
    show();
}

void MainWindow::applyRememberedChoices() {
    const RememberedChoices choices = RememberedChoices::read(m_settings);
    if (choices.platform)
        selectPlatform(*choices.platform);
    if (choices.format)
        selectFormat(*choices.format);
    if (!choices.address.isEmpty())
        setAddressText(choices.address);
}

void MainWindow::rememberChoices() {
    RememberedChoices choices;
    choices.platform = selectedPlatform();
    choices.format = selectedFormat();
    choices.address = addressText();
    choices.write(m_settings);
}

void MainWindow::collect() {
    if (!m_engine.isIdle())
        return;
    RunRequest request;
    request.platform = selectedPlatform();
    request.format = selectedFormat();
    request.address = addressText();
    // A breakpoint loaded at start-up goes with the next run, once.
    const ResumePoint resume = m_startup.takeResumePoint();
    request.resumeShopUrl = resume.shopUrl;
    request.resumeItemNumber = resume.itemNumber;
    m_runChoices = {request.platform, request.format, request.address};
    m_runMessage.clear();
    setStatusText(QString());
    setRunning(true);
    m_logPanel->clear();
    m_progressBar->setTextVisible(false);
    m_progressBar->show();
    showProgress({});
    m_engine.start(request);
}

bool MainWindow::runStartup() {
    // The boxes below appear over the window, where it is about to open.
    placeAtSavedPlacement();
    // Accepted once; a changed notice is asked again.
    SettingsStore& settings = m_settings;
    if (!RememberedChoices::noticeAccepted(settings, Messages::kUsageNotice)) {
        if (!m_startup.acceptUsageNotice())
            return false;
        RememberedChoices::recordNoticeAccepted(settings, Messages::kUsageNotice);
    }
    m_startup.recoverInterruptedOutput();
    m_startup.offerResume();
    return true;
}

// The groups are exclusive and start with a button checked, so one always is.
Platform MainWindow::selectedPlatform() const {
    return MarketplaceCodes::platformFromIndex(m_platformGroup->checkedId()).value_or(Platform::Taobao);
}

FileFormat MainWindow::selectedFormat() const {
    return OutputFormats::fromOutputIndex(m_formatGroup->checkedId()).value_or(FileFormat::EbayAssistant);
}

void MainWindow::selectPlatform(Platform platform) {
    if (QAbstractButton* button = m_platformGroup->button(MarketplaceCodes::platformIndex(platform)))
        button->setChecked(true);
}

void MainWindow::selectFormat(FileFormat format) {
    if (QAbstractButton* button = m_formatGroup->button(OutputFormats::describe(format).outputIndex))
        button->setChecked(true);
}

QString MainWindow::addressText() const {
    return m_address->text();
}

void MainWindow::setAddressText(const QString& text) {
    m_address->setText(text);
}

void MainWindow::setRunning(bool running) {
    if (running) {
        m_openFileButton->hide();
        m_openFolderButton->hide();
    }
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
    const QString shown = readableStatusText(text);
    m_statusText->setText(shown);
    m_statusText->setToolTip(shown);
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
    m_runMessage = text;
    MessageBox::show(messageKind(text), this, text);
}

bool MainWindow::askYesNo(const QString& text) {
    return MessageBox::question(this, text);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A conversion cut short leaves its save path as it was: nothing to ask.
    if (!m_conversionPanel->job().isIdle()) {
        event->ignore();
        m_closeAfterConversion = true;
        m_conversionPanel->job().requestStop();
        return;
    }
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
    if (isVisible()) {
        WindowPlacement::save(*this, m_settings);
        rememberChoices();
    }
    event->accept();
}
