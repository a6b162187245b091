#include "gui/LogPanel.h"

#include "gui/CellText.h"
#include "gui/MessageBox.h"

#include <QDir>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// Lines the panel shows without scrolling when the window opens.
constexpr int kVisibleLines = 4;

// Asks for a few lines' height; the splitter it sits in gives it more when the user drags.
class LogText : public QPlainTextEdit {
public:
    using QPlainTextEdit::QPlainTextEdit;
    QSize sizeHint() const override {
        return {QPlainTextEdit::sizeHint().width(),
                fontMetrics().lineSpacing() * kVisibleLines + 2 * frameWidth() + 8};
    }
};

} // namespace

LogPanel::LogPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("logPanel"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* titleRow = new QHBoxLayout;
    m_toggle = new QToolButton(this);
    m_toggle->setObjectName(QStringLiteral("logToggle"));
    m_toggle->setText(QStringLiteral("运行日志"));
    m_toggle->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    m_toggle->setAutoRaise(true);
    m_toggle->setCheckable(true);
    m_toggle->setChecked(true);
    titleRow->addWidget(m_toggle);
    titleRow->addStretch();
    m_save = new QPushButton(QStringLiteral("保存日志"), this);
    m_save->setObjectName(QStringLiteral("cmd_save_log"));
    m_save->setIcon(style()->standardIcon(QStyle::SP_DialogSaveButton));
    titleRow->addWidget(m_save);
    layout->addLayout(titleRow);

    m_text = new LogText(this);
    m_text->setObjectName(QStringLiteral("txt_log"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_text, 1);

    m_dialog.setFilter(QStringLiteral("文本文件(*.txt)|*.txt|"));
    connect(m_toggle, &QToolButton::toggled, this, [this](bool expanded) { setCollapsed(!expanded); });
    connect(m_save, &QPushButton::clicked, this, &LogPanel::onSave);
    setCollapsed(false);
}

void LogPanel::appendLine(const QString& line) {
    m_text->appendPlainText(readableStatusText(line));
}

void LogPanel::clear() {
    m_text->clear();
}

QStringList LogPanel::lines() const {
    const QString text = m_text->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

bool LogPanel::isCollapsed() const {
    return m_text->isHidden();
}

void LogPanel::setCollapsed(bool collapsed) {
    const bool changed = collapsed != isCollapsed();
    m_toggle->setChecked(!collapsed);
    m_toggle->setArrowType(collapsed ? Qt::RightArrow : Qt::DownArrow);
    m_text->setVisible(!collapsed);
    // Folded, it keeps only its title row, and the grid above takes the room.
    setMaximumHeight(collapsed ? sizeHint().height() : QWIDGETSIZE_MAX);
    if (changed)
        emit collapsedChanged(collapsed);
}

bool LogPanel::saveTo(const QString& path) const {
    QString text = m_text->toPlainText();
    if (!text.isEmpty())
        text += u'\n';
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = text.toUtf8();
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

void LogPanel::onSave() {
    if (m_dialog.fileName().isEmpty() && !m_folder.isEmpty())
        m_dialog.setFileName(QDir(m_folder).filePath(QStringLiteral("采集日志.txt")));
    if (!m_dialog.showSave(window()))
        return;
    const QString path = m_dialog.fileName();
    if (!saveTo(path)) {
        MessageBox::error(window(), QStringLiteral("日志保存失败：") + QDir::toNativeSeparators(path));
        return;
    }
    emit saved(path);
}
