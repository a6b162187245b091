#include "gui/MainWindow.h"

#include "base/PlatformConstants.h"
#include "formats/ItemRecord.h"
#include "gui/ControlArrays.h"
#include "gui/ConversionPanel.h"
#include "gui/ItemTableModel.h"
#include "gui/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int kWindowWidthTwips = 8775;

} // namespace

MainWindow::MainWindow(const QString& programDir, ExtractionController::Crawlers crawlers, QWidget* parent)
    : QWidget(parent), m_session(*this, programDir), m_engine(programDir, std::move(crawlers)),
      m_startup(m_session) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(PlatformConstants::kWindowCaption);
    buildUi();
    fixSize();
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

    settings->addWidget(MakeLabel(QStringLiteral("lb_set_mb"), QStringLiteral("交易平台:"), m_settingsFrame),
                        0, 0);
    auto* platformRow = new QHBoxLayout;
    m_platformGroup = MakeOptionArray(
        QStringLiteral("Option1"), {QStringLiteral("拍拍"), QStringLiteral("易趣"), QStringLiteral("淘宝")},
        m_settingsFrame, platformRow);
    platformRow->addStretch();
    settings->addLayout(platformRow, 0, 1, 1, 2);

    settings->addWidget(MakeLabel(QStringLiteral("lb_set_dz"), QStringLiteral("店铺地址:"), m_settingsFrame),
                        1, 0);
    m_address = new QLineEdit(m_settingsFrame);
    m_address->setObjectName(QStringLiteral("txt_set_dz"));
    settings->addWidget(m_address, 1, 1, 1, 2);

    m_autoSave = new QCheckBox(QStringLiteral("自动保存（支持断点续采）"), m_settingsFrame);
    m_autoSave->setObjectName(QStringLiteral("chk_autosave"));
    settings->addWidget(m_autoSave, 2, 0, 1, 3);

    auto* formatRow = new QHBoxLayout;
    m_autoSaveLabel = MakeLabel(QStringLiteral("lb_autosave"), QStringLiteral("输入到"), m_settingsFrame);
    formatRow->addWidget(m_autoSaveLabel);
    auto* formatFrame = new QFrame(m_settingsFrame);
    formatFrame->setObjectName(QStringLiteral("Frame4"));
    formatFrame->setFrameShape(QFrame::StyledPanel);
    auto* formatLayout = new QHBoxLayout(formatFrame);
    formatLayout->setContentsMargins(6, 2, 6, 2);
    m_formatGroup =
        MakeOptionArray(QStringLiteral("Option5"),
                        {QStringLiteral("淘宝助理"), QStringLiteral("易趣助理"), QStringLiteral("拍拍助理")},
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

    m_model = new ItemTableModel(this);
    m_grid = new QTreeView(this);
    m_grid->setObjectName(QStringLiteral("ListView1"));
    m_grid->setModel(m_model);
    m_grid->setRootIsDecorated(false);
    m_grid->setUniformRowHeights(true);
    m_grid->setAlternatingRowColors(true);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->header()->setStretchLastSection(false);
    const int dpi = logicalDpiX();
    for (int column = 0; column < ItemRecord::kFieldCount; ++column)
        m_grid->setColumnWidth(column, twipsToPixels(ItemTableModel::columnWidthTwips(column), dpi));
    m_grid->setMinimumHeight(twipsToPixels(2400, logicalDpiY()));
    root->addWidget(m_grid, 1);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(MakeLabel(QStringLiteral("lb_stat"), QStringLiteral("状态显示："), this));
    m_statusText = MakeLabel(QStringLiteral("lb_stat_txt"), QString(), this);
    m_statusText->setMinimumWidth(1);
    statusRow->addWidget(m_statusText, 1);
    root->addLayout(statusRow);

    m_conversionPanel = new ConversionPanel(this);
    root->addWidget(m_conversionPanel);

    m_platformGroup->button(PlatformConstants::PaiPai)->setChecked(true);
    m_formatGroup->button(PlatformConstants::TaobaoAssistant)->setChecked(true);
    m_autoSave->setChecked(true);

    connect(m_goButton, &QPushButton::clicked, this, &MainWindow::collect);
    connect(m_stopButton, &QPushButton::clicked, this, [this] { m_engine.requestStop(); });
    connect(m_autoSave, &QCheckBox::toggled, this, &MainWindow::onAutoSaveToggled);

    connect(&m_engine, &RunEngine::runningChanged, this, &MainWindow::setRunning);
    connect(&m_engine, &RunEngine::statusChanged, this, &MainWindow::setStatusText);
    connect(&m_engine, &RunEngine::gridCleared, this, &MainWindow::clearGrid);
    connect(&m_engine, &RunEngine::rowAdded, this, &MainWindow::addGridRow);
    connect(&m_engine, &RunEngine::messageRaised, this, &MainWindow::showMessage);
    connect(&m_engine, &RunEngine::finished, this, [this] { setRunning(false); });
}

void MainWindow::collect() {
    if (!m_engine.isIdle())
        return;
    RunRequest request;
    request.platformIndex = selectedPlatform();
    request.formatIndex = selectedFormat();
    request.address = addressText();
    // A breakpoint loaded at start-up goes with the next run, once.
    RunState& state = m_session.state();
    request.resumeShopUrl = state.resumeShopUrl;
    request.resumeItemNumber = state.resumeItemNumber;
    state.resumeShopUrl.clear();
    setRunning(true);
    m_engine.start(request);
}

void MainWindow::fixSize() {
    layout()->activate();
    const int width = twipsToPixels(kWindowWidthTwips, logicalDpiX());
    int height = layout()->hasHeightForWidth() ? layout()->totalHeightForWidth(width) : sizeHint().height();
    height = qMax(height, minimumSizeHint().height());
    m_fixedSize = QSize(width, height);
    setFixedSize(m_fixedSize);
}

bool MainWindow::runStartup() {
    if (!m_startup.acceptUsageNotice())
        return false;
    m_startup.applyRunStateDefaults();
    m_startup.recoverInterruptedOutput();
    m_startup.offerResume();
    return true;
}

void MainWindow::onAutoSaveToggled(bool checked) {
    m_autoSaveLabel->setEnabled(checked);
    for (QAbstractButton* button : m_formatGroup->buttons())
        button->setEnabled(checked);
}

int MainWindow::selectedPlatform() const {
    return m_platformGroup->checkedId();
}

int MainWindow::selectedFormat() const {
    return m_formatGroup->checkedId();
}

void MainWindow::selectPlatform(int index) {
    if (QAbstractButton* button = m_platformGroup->button(index))
        button->setChecked(true);
}

void MainWindow::selectFormat(int index) {
    if (QAbstractButton* button = m_formatGroup->button(index))
        button->setChecked(true);
}

QString MainWindow::addressText() const {
    return m_address->text();
}

void MainWindow::setAddressText(const QString& text) {
    m_address->setText(text);
}

void MainWindow::setRunning(bool running) {
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
    // A run's output is written by its stop; closing first would leave it unwritten.
    if (!m_engine.isIdle())
        event->ignore();
    else
        event->accept();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!m_fixedSize.isEmpty() && event->size() != m_fixedSize && !isMinimized())
        resize(m_fixedSize);
}
