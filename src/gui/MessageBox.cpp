#include "gui/MessageBox.h"

#include "base/PlatformConstants.h"

#include <QList>
#include <QMessageBox>
#include <QPushButton>

namespace {
QList<MessageBox::Answer> g_queuedAnswers;
QStringList g_recordedTexts;
bool g_unattended = false;

bool takeQueued(const QString& text, MessageBox::Answer* answer) {
    if (g_queuedAnswers.isEmpty()) {
        if (!g_unattended)
            return false;
        *answer = MessageBox::No;
        g_recordedTexts.append(text);
        return true;
    }
    *answer = g_queuedAnswers.takeFirst();
    g_recordedTexts.append(text);
    return true;
}
} // namespace

void MessageBox::information(QWidget* parent, const QString& text) {
    Answer queued;
    if (takeQueued(text, &queued))
        return;
    QMessageBox box(QMessageBox::Information, PlatformConstants::kApplicationTitle, text, QMessageBox::Ok,
                    parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

bool MessageBox::question(QWidget* parent, const QString& text) {
    Answer queued;
    if (takeQueued(text, &queued))
        return queued == Yes;
    QMessageBox box(QMessageBox::Question, PlatformConstants::kApplicationTitle, text,
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否"));
    return box.exec() == QMessageBox::Yes;
}

void MessageBox::setNextAnswer(Answer answer) {
    g_queuedAnswers.append(answer);
}

QStringList MessageBox::takeRecordedTexts() {
    QStringList texts = g_recordedTexts;
    g_recordedTexts.clear();
    return texts;
}

void MessageBox::setUnattended(bool unattended) {
    g_unattended = unattended;
}
