#include "gui/ConversionPanel.h"

#include "formats/FormatConverter.h"
#include "gui/ControlArrays.h"
#include "gui/MessageBox.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const QString kStartFilter = QStringLiteral("批量导出的文件(*.csv;*.txt)|*.csv;*.txt|");
const QString kTaobaoSourceFilter = QStringLiteral("批量导出或导入后转换的文件(*.csv;*.txt)|*.csv;*.txt|");
const QString kOtherSourceFilter = QStringLiteral("批量导出的文件(*.csv)|*.csv|");

const QStringList kFormatCaptions{QStringLiteral("淘宝"), QStringLiteral("拍拍"), QStringLiteral("易趣")};

} // namespace

ConversionPanel::ConversionPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("淘宝助手、拍拍助手、易趣助手导出文件相互转换"), parent) {
    setObjectName(QStringLiteral("Frame2"));

    auto* paths = new QGridLayout;
    paths->addWidget(MakeLabel(QStringLiteral("lb_path"), QStringLiteral("文件路径："), this), 0, 0);
    m_sourcePath = new QLineEdit(this);
    m_sourcePath->setObjectName(QStringLiteral("txt_path"));
    paths->addWidget(m_sourcePath, 0, 1);
    m_selectSource = new QPushButton(QStringLiteral("选择"), this);
    m_selectSource->setObjectName(QStringLiteral("cmd_select"));
    paths->addWidget(m_selectSource, 0, 2);
    paths->addWidget(MakeLabel(QStringLiteral("Label5"), QStringLiteral("保存路径："), this), 1, 0);
    m_savePath = new QLineEdit(this);
    m_savePath->setObjectName(QStringLiteral("txt_path_save"));
    paths->addWidget(m_savePath, 1, 1);
    m_selectSave = new QPushButton(QStringLiteral("选择"), this);
    m_selectSave->setObjectName(QStringLiteral("cmd_select_save"));
    paths->addWidget(m_selectSave, 1, 2);

    auto* formats = new QFrame(this);
    formats->setObjectName(QStringLiteral("Frame3"));
    auto* formatRows = new QHBoxLayout(formats);
    formatRows->setContentsMargins(0, 0, 0, 0);
    formatRows->addWidget(MakeLabel(QStringLiteral("Label3"), QStringLiteral("打开"), formats));
    auto* sourceRow = new QHBoxLayout;
    m_sourceGroup = MakeOptionArray(QStringLiteral("Option3"), kFormatCaptions, formats, sourceRow);
    formatRows->addLayout(sourceRow);
    formatRows->addSpacing(12);
    formatRows->addWidget(MakeLabel(QStringLiteral("Label4"), QStringLiteral("转换"), formats));
    auto* targetRow = new QHBoxLayout;
    m_targetGroup = MakeOptionArray(QStringLiteral("Option4"), kFormatCaptions, formats, targetRow);
    formatRows->addLayout(targetRow);
    formatRows->addStretch();
    m_convert = new QPushButton(QStringLiteral("转换"), formats);
    m_convert->setObjectName(QStringLiteral("cmd_conv"));
    formatRows->addWidget(m_convert);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(paths);
    layout->addWidget(formats);

    m_sourceGroup->button(FormatConverter::Taobao)->setChecked(true);
    m_targetGroup->button(FormatConverter::PaiPai)->setChecked(true);
    m_targetGroup->button(FormatConverter::Taobao)->setEnabled(false);
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
}

QString ConversionPanel::saveSuffix(int target) {
    switch (target) {
    case FormatConverter::Taobao:
        return QStringLiteral("_Taobao.csv");
    case FormatConverter::PaiPai:
        return QStringLiteral("_PaiPai.csv");
    case FormatConverter::Ebay:
        return QStringLiteral("_eBay.csv");
    default:
        return {};
    }
}

void ConversionPanel::onSourceChosen(int index) {
    if (index < 0 || index > 2)
        return;
    for (int target = 0; target < 3; ++target)
        m_targetGroup->button(target)->setEnabled(target != index);
    const int target = index == FormatConverter::Taobao ? FormatConverter::PaiPai : FormatConverter::Taobao;
    m_targetGroup->button(target)->setChecked(true);
    m_dialog.setFilter(index == FormatConverter::Taobao ? kTaobaoSourceFilter : kOtherSourceFilter);
}

void ConversionPanel::onTargetChosen(int index) {
    const QString chosen = m_dialog.fileName();
    if (chosen.size() > 4)
        m_savePath->setText(chosen.chopped(4) + saveSuffix(index));
}

void ConversionPanel::onSelectSource() {
    m_dialog.setFileName(m_sourcePath->text());
    m_dialog.showOpen(window());
    const QString chosen = m_dialog.fileName();
    m_sourcePath->setText(chosen);
    if (chosen.size() >= 4)
        m_savePath->setText(chosen.chopped(4) + saveSuffix(m_targetGroup->checkedId()));
}

void ConversionPanel::onSelectSave() {
    m_dialog.setFileName(m_savePath->text());
    m_dialog.showSave(window());
    m_savePath->setText(m_dialog.fileName());
}

void ConversionPanel::onConvert() {
    FormatConverter::Request request;
    request.sourcePath = m_sourcePath->text();
    request.savePath = m_savePath->text();
    request.source = m_sourceGroup->checkedId();
    request.target = m_targetGroup->checkedId();

    FormatConverter converter;
    converter.setEventPump([] { QCoreApplication::processEvents(); });
    // Events run during the conversion; a second click must not start another one on the same files.
    m_convert->setEnabled(false);
    const FormatConverter::Result result = converter.run(request);
    m_convert->setEnabled(true);
    if (result.outcome != FormatConverter::Outcome::NothingToDo)
        MessageBox::information(window(), result.message);
}
