#include "gui/FileDialog.h"

#include <QFileDialog>
#include <QStringList>

#include <optional>

namespace {

// An empty optional is a queued cancel.
QList<std::optional<QString>> g_queuedAnswers;
QList<FileDialog::Shown> g_shown;

} // namespace

bool FileDialog::showOpen(QWidget* parent) {
    return show(Mode::Open, parent);
}

bool FileDialog::showSave(QWidget* parent) {
    return show(Mode::Save, parent);
}

bool FileDialog::show(Mode mode, QWidget* parent) {
    const QString startsIn = m_fileName.isEmpty() ? m_folder : m_fileName;
    if (!g_queuedAnswers.isEmpty()) {
        g_shown.append({mode, m_fileName, m_filter, startsIn});
        const std::optional<QString> answer = g_queuedAnswers.takeFirst();
        if (answer)
            m_fileName = *answer;
        return answer.has_value();
    }
    const QString qtFilter = toQtFilter(m_filter);
    const QString chosen = mode == Mode::Open
                               ? QFileDialog::getOpenFileName(parent, QString(), startsIn, qtFilter)
                               : QFileDialog::getSaveFileName(parent, QString(), startsIn, qtFilter);
    if (!chosen.isEmpty())
        m_fileName = chosen;
    return !chosen.isEmpty();
}

void FileDialog::setNextFileName(const QString& name) {
    g_queuedAnswers.append(name);
}

void FileDialog::setNextCancel() {
    g_queuedAnswers.append(std::nullopt);
}

QList<FileDialog::Shown> FileDialog::takeShownDialogs() {
    QList<Shown> shown = g_shown;
    g_shown.clear();
    return shown;
}

QString FileDialog::toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts.at(i);
        // The description repeats its patterns in parentheses; Qt reads the patterns from there.
        const qsizetype open = description.lastIndexOf(u'(');
        if (open > 0 && description.endsWith(u')'))
            description.truncate(open);
        QString patterns = parts.at(i + 1);
        patterns.replace(u';', u' ');
        filters.append(description.trimmed() + QStringLiteral(" (") + patterns + u')');
    }
    return filters.join(QStringLiteral(";;"));
}
