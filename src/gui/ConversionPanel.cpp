#include "gui/ConversionPanel.h"

#include "formats/FormatConverter.h"
#include "formats/OutputFormats.h"
#include "formats/SourceFormatDetector.h"
#include "gui/MessageBox.h"
#include "gui/NamedControls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

const QString kStartFilter = QStringLiteral("批量导出的文件(*.csv;*.txt)|*.csv;*.txt|");
const QString kTaobaoSourceFilter = QStringLiteral("批量导出或导入后转换的文件(*.csv;*.txt)|*.csv;*.txt|");
const QString kOtherSourceFilter = QStringLiteral("批量导出的文件(*.csv)|*.csv|");

// By converter index (the option buttons' ids); the store files, last, are targets only.
QStringList captions(bool storeFiles) {
    QStringList captions;
    for (int index = 0; const std::optional<FileFormat> format = OutputFormats::fromConverterIndex(index);
         ++index) {
        const OutputFormats::Description& description = OutputFormats::describe(*format);
        if (storeFiles || !description.storeFile)
            captions.append(description.shortCaption);
    }
    return captions;
}

int indexOf(FileFormat format) {
    return OutputFormats::describe(format).converterIndex;
}

bool isTaobao(FileFormat format) {
    return format == FileFormat::TaobaoAssistant || format == FileFormat::TaobaoAssistant5;
}

bool isStore(std::optional<FileFormat> format) {
    return format && OutputFormats::describe(*format).storeFile;
}

} // namespace

ConversionPanel::ConversionPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("淘宝助手、拍拍助手、易趣助手导出文件相互转换"), parent) {
    setObjectName(QStringLiteral("Frame2"));

    auto* paths = new QGridLayout;
    paths->addWidget(makeLabel(QStringLiteral("lb_path"), QStringLiteral("文件路径："), this), 0, 0);
    m_sourcePath = new QLineEdit(this);
    m_sourcePath->setObjectName(QStringLiteral("txt_path"));
    paths->addWidget(m_sourcePath, 0, 1);
    m_selectSource = new QPushButton(QStringLiteral("选择"), this);
    m_selectSource->setObjectName(QStringLiteral("cmd_select"));
    m_selectSource->setIcon(style()->standardIcon(QStyle::SP_DialogOpenButton));
    paths->addWidget(m_selectSource, 0, 2);
    paths->addWidget(makeLabel(QStringLiteral("Label5"), QStringLiteral("保存路径："), this), 1, 0);
    m_savePath = new QLineEdit(this);
    m_savePath->setObjectName(QStringLiteral("txt_path_save"));
    paths->addWidget(m_savePath, 1, 1);
    m_selectSave = new QPushButton(QStringLiteral("选择"), this);
    m_selectSave->setObjectName(QStringLiteral("cmd_select_save"));
    m_selectSave->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    paths->addWidget(m_selectSave, 1, 2);

    auto* formats = new QFrame(this);
    formats->setObjectName(QStringLiteral("Frame3"));
    auto* formatRows = new QHBoxLayout(formats);
    formatRows->setContentsMargins(0, 0, 0, 0);
    formatRows->addWidget(makeLabel(QStringLiteral("Label3"), QStringLiteral("打开"), formats));
    auto* sourceRow = new QHBoxLayout;
    m_sourceGroup = makeOptionGroup(QStringLiteral("Option3"), captions(false), formats, sourceRow);
    formatRows->addLayout(sourceRow);
    formatRows->addSpacing(12);
    formatRows->addWidget(makeLabel(QStringLiteral("Label4"), QStringLiteral("转换"), formats));
    auto* targetRow = new QHBoxLayout;
    m_targetGroup = makeOptionGroup(QStringLiteral("Option4"), captions(true), formats, targetRow);
    formatRows->addLayout(targetRow);
    formatRows->addStretch();
    m_convert = new QPushButton(QStringLiteral("转换"), formats);
    m_convert->setObjectName(QStringLiteral("cmd_conv"));
    m_convert->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    m_stop = new QPushButton(QStringLiteral("停止转换"), formats);
    m_stop->setObjectName(QStringLiteral("cmd_conv_stop"));
    m_stop->setIcon(style()->standardIcon(QStyle::SP_MediaStop));
    m_stop->hide();
    auto* convertCell = new QGridLayout;
    convertCell->setContentsMargins(0, 0, 0, 0);
    convertCell->addWidget(m_convert, 0, 0);
    convertCell->addWidget(m_stop, 0, 0);
    formatRows->addLayout(convertCell);

    // The row of formats has no room for the store targets: they stand beside the paths, above
    // the address the store finds pictures known only as files at (this address + the file's name).
    auto* storeTargets = new QHBoxLayout;
    for (const FileFormat store : {FileFormat::Shopify, FileFormat::WooCommerce}) {
        QAbstractButton* choice = m_targetGroup->button(indexOf(store));
        targetRow->removeWidget(choice);
        choice->setParent(this);
        storeTargets->addWidget(choice);
    }
    paths->addLayout(storeTargets, 0, 3);
    m_imageBaseUrl = new QLineEdit(this);
    m_imageBaseUrl->setObjectName(QStringLiteral("txt_image_base"));
    m_imageBaseUrl->setPlaceholderText(QStringLiteral("图片网址"));
    m_imageBaseUrl->setEnabled(false);
    paths->addWidget(m_imageBaseUrl, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(paths);
    layout->addWidget(formats);

    m_sourceGroup->button(indexOf(FileFormat::TaobaoAssistant))->setChecked(true);
    m_targetGroup->button(indexOf(FileFormat::PaiPaiAssistant))->setChecked(true);
    m_targetGroup->button(indexOf(FileFormat::TaobaoAssistant))->setEnabled(false);
    m_dialog.setFilter(kStartFilter);

    // Connected after the initial selection, which is not a choice of the user.
    // Toggled rather than clicked: a target selected by the source handler runs its handler too.
    connect(m_sourceGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onSourceChosen(id);
    });
    connect(m_targetGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            onTargetChosen(id);
    });
    connect(m_selectSource, &QPushButton::clicked, this, &ConversionPanel::onSelectSource);
    connect(m_selectSave, &QPushButton::clicked, this, &ConversionPanel::onSelectSave);
    connect(m_convert, &QPushButton::clicked, this, &ConversionPanel::onConvert);
    connect(m_stop, &QPushButton::clicked, this, &ConversionPanel::onStop);
    // What does not come through whole (damaged text, pictures not saved, what a store file
    // cannot carry) reaches the log as it is found.
    connect(&m_job, &ConversionJob::lineLogged, this, &ConversionPanel::warned);
    connect(&m_job, &ConversionJob::finished, this, &ConversionPanel::onConversionFinished);
}

void ConversionPanel::setFolder(const QString& folder) {
    m_dialog.setFolder(folder);
}

QString ConversionPanel::saveSuffix(FileFormat target) {
    switch (target) {
    case FileFormat::TaobaoAssistant:
        return QStringLiteral("_Taobao.csv");
    case FileFormat::PaiPaiAssistant:
        return QStringLiteral("_PaiPai.csv");
    case FileFormat::EbayAssistant:
        return QStringLiteral("_eBay.csv");
    case FileFormat::TaobaoAssistant5:
        return QStringLiteral("_Taobao5.csv");
    case FileFormat::Shopify:
        return QStringLiteral("_Shopify.csv");
    case FileFormat::WooCommerce:
        return QStringLiteral("_WooCommerce.csv");
    }
    return {};
}

void ConversionPanel::onSourceChosen(int index) {
    const std::optional<FileFormat> source = OutputFormats::fromConverterIndex(index);
    if (!source)
        return;
    for (QAbstractButton* target : m_targetGroup->buttons())
        target->setEnabled(m_targetGroup->id(target) != index);
    const FileFormat target = isTaobao(*source) ? FileFormat::PaiPaiAssistant : FileFormat::TaobaoAssistant;
    m_targetGroup->button(indexOf(target))->setChecked(true);
    m_dialog.setFilter(isTaobao(*source) ? kTaobaoSourceFilter : kOtherSourceFilter);
}

void ConversionPanel::onTargetChosen(int index) {
    const QString chosen = m_dialog.fileName();
    const std::optional<FileFormat> target = OutputFormats::fromConverterIndex(index);
    m_imageBaseUrl->setEnabled(isStore(target));
    if (chosen.size() > 4 && target)
        m_savePath->setText(chosen.chopped(4) + saveSuffix(*target));
}

void ConversionPanel::onSelectSource() {
    m_dialog.setFileName(m_sourcePath->text());
    m_dialog.showOpen(window());
    const QString chosen = m_dialog.fileName();
    m_sourcePath->setText(chosen);
    // The file says what it is; its source button is selected as a click would.
    if (const std::optional<FileFormat> detected = SourceFormatDetector::detect(chosen).file)
        m_sourceGroup->button(indexOf(*detected))->setChecked(true);
    if (chosen.size() >= 4) {
        const std::optional<FileFormat> target =
            OutputFormats::fromConverterIndex(m_targetGroup->checkedId());
        m_savePath->setText(chosen.chopped(4) + (target ? saveSuffix(*target) : QString()));
    }
}

void ConversionPanel::onSelectSave() {
    const QString before = m_savePath->text();
    m_dialog.setFileName(before);
    m_dialog.showSave(window());
    m_savePath->setText(m_dialog.fileName());
    if (m_dialog.fileName() != before)
        m_confirmedSavePath = m_dialog.fileName();
}

void ConversionPanel::onConvert() {
    if (!m_job.isIdle())
        return;
    const std::optional<FileFormat> source = OutputFormats::fromConverterIndex(m_sourceGroup->checkedId());
    const std::optional<FileFormat> target = OutputFormats::fromConverterIndex(m_targetGroup->checkedId());
    if (!source || !target)
        return;
    FormatConverter::Request request;
    request.sourcePath = m_sourcePath->text();
    request.savePath = m_savePath->text();
    request.source = source;
    request.target = *target;

    if (!request.sourcePath.isEmpty() && !QFileInfo::exists(request.sourcePath)) {
        const QString missing = QStringLiteral("文件不存在：") + QDir::toNativeSeparators(request.sourcePath);
        emit reported(missing, QString());
        MessageBox::warning(window(), missing);
        return;
    }
    const QString refusal = FormatConverter::validate(request);
    if (!refusal.isEmpty()) {
        emit reported(refusal, QString());
        MessageBox::warning(window(), refusal);
        return;
    }
    // A path typed by hand was never confirmed by the save dialog.
    const QString outputPath = FormatConverter::outputPathFor(request.savePath, request.target);
    if (QFileInfo::exists(outputPath) && outputPath != m_confirmedSavePath &&
        !MessageBox::question(window(), QStringLiteral("文件已存在：") +
                                            QDir::toNativeSeparators(outputPath) +
                                            QStringLiteral("，是否替换？")))
        return;

    setConverting(true);
    m_job.start({request, m_imageBaseUrl->text().trimmed()});
}

void ConversionPanel::onStop() {
    m_job.requestStop();
}

void ConversionPanel::setConverting(bool converting) {
    // A second click must not start another conversion on the same files.
    m_convert->setVisible(!converting);
    m_stop->setVisible(converting);
}

void ConversionPanel::onConversionFinished(const FormatConverter::Result& result) {
    setConverting(false);
    // The status line and the log say it too, and the window offers the file it wrote. What did
    // not come through whole (pictures not saved, what a store file could not carry) reached the
    // log before the ending.
    switch (result.outcome) {
    case FormatConverter::Outcome::Completed:
        emit reported(result.message, result.outputPath);
        MessageBox::information(window(), result.message);
        break;
    case FormatConverter::Outcome::Refused:
        emit reported(result.message, QString());
        MessageBox::warning(window(), result.message);
        break;
    case FormatConverter::Outcome::WriteFailed:
        emit reported(result.message, QString());
        MessageBox::error(window(), result.message);
        break;
    case FormatConverter::Outcome::Stopped:
        // Asked for: no box.
        emit reported(result.message, QString());
        break;
    case FormatConverter::Outcome::NothingToDo:
        break;
    }
}
