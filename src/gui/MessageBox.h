#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

// Every message box of the program goes through here: title "Kestrune", Chinese buttons, the
// icon of its kind, centred on the window. Tests queue answers in advance so no modal box ever
// blocks them.
class MessageBox {
public:
    enum Answer { Ok, Yes, No };
    enum class Kind { Information, Warning, Error, Question };

    // OK-only boxes.
    static void information(QWidget* parent, const QString& text);
    static void warning(QWidget* parent, const QString& text);
    static void error(QWidget* parent, const QString& text);
    static void show(Kind kind, QWidget* parent, const QString& text);
    // Yes/No box; true for Yes.
    static bool question(QWidget* parent, const QString& text);

    // Tests: the next box returns this answer without showing; texts of such boxes are recorded.
    static void setNextAnswer(Answer answer);
    static QStringList takeRecordedTexts();
    // The kinds of the boxes recorded, in the same order (taken separately from the texts).
    static QList<Kind> takeRecordedKinds();
    // Tests: with no answer queued, boxes are recorded instead of shown (OK, or No to a question),
    // so a box nobody expected cannot block a test.
    static void setUnattended(bool unattended);
};
