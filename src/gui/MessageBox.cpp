#include "gui/MessageBox.h"

#include "base/ProgramIdentity.h"

#include <QList>
#include <QMessageBox>
#include <QPushButton>

namespace {
QList<MessageBox::Answer> g_queuedAnswers;
QStringList g_recordedTexts;
QList<MessageBox::Kind> g_recordedKinds;
bool g_unattended = false;

bool takeQueued(MessageBox::Kind kind, const QString& text, MessageBox::Answer* answer) {
    if (g_queuedAnswers.isEmpty()) {
        if (!g_unattended)
            return false;
        *answer = MessageBox::No;
    } else {
        *answer = g_queuedAnswers.takeFirst();
    }
    g_recordedTexts.append(text);
    g_recordedKinds.append(kind);
    return true;
}

QMessageBox::Icon iconOf(MessageBox::Kind kind) {
    switch (kind) {
    case MessageBox::Kind::Information:
        return QMessageBox::Information;
    case MessageBox::Kind::Warning:
        return QMessageBox::Warning;
    case MessageBox::Kind::Error:
        return QMessageBox::Critical;
    case MessageBox::Kind::Question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

void MessageBox::show(Kind kind, QWidget* parent, const QString& text) {
    Answer queued;
    if (takeQueued(kind, text, &queued))
        return;
    QMessageBox box(iconOf(kind), ProgramIdentity::kApplicationTitle, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

void MessageBox::information(QWidget* parent, const QString& text) {
    show(Kind::Information, parent, text);
}

void MessageBox::warning(QWidget* parent, const QString& text) {
    show(Kind::Warning, parent, text);
}

void MessageBox::error(QWidget* parent, const QString& text) {
    show(Kind::Error, parent, text);
}

bool MessageBox::question(QWidget* parent, const QString& text) {
    Answer queued;
    if (takeQueued(Kind::Question, text, &queued))
        return queued == Yes;
    QMessageBox box(QMessageBox::Question, ProgramIdentity::kApplicationTitle, text,
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

QList<MessageBox::Kind> MessageBox::takeRecordedKinds() {
    QList<Kind> kinds = g_recordedKinds;
    g_recordedKinds.clear();
    return kinds;
}

void MessageBox::setUnattended(bool unattended) {
    g_unattended = unattended;
}
