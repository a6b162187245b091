#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box of the program goes through here: title "Kestrune", Chinese buttons. Tests
// queue answers in advance so no modal box ever blocks them.
class MessageBox {
public:
    enum Answer { Ok, Yes, No };

    // OK-only box.
    static void information(QWidget* parent, const QString& text);
    // Yes/No box; true for Yes.
    static bool question(QWidget* parent, const QString& text);

    // Tests: the next box returns this answer without showing; texts of such boxes are recorded.
    static void setNextAnswer(Answer answer);
    static QStringList takeRecordedTexts();
    // Tests: with no answer queued, boxes are recorded instead of shown (OK, or No to a question),
    // so a box nobody expected cannot block a test.
    static void setUnattended(bool unattended);
};
