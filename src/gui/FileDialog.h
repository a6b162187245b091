#pragma once

#include <QList>
#include <QString>

class QWidget;

// The panel's common file dialog (cd1): a file name kept between uses, a filter in the
// "description|patterns|" form, and modal open and save dialogs. Cancelling keeps the file name.
// Tests queue the answers of the next dialogs in advance so no dialog ever shows.
class FileDialog {
public:
    enum class Mode { Open, Save };

    struct Shown {
        Mode mode;
        QString fileName; // the name the dialog started with
        QString filter;
        QString startsIn; // the file or folder the dialog opened at
    };

    QString fileName() const { return m_fileName; }
    void setFileName(const QString& name) { m_fileName = name; }
    QString filter() const { return m_filter; }
    void setFilter(const QString& filter) { m_filter = filter; }
    // Where the dialog opens while the file name is empty.
    void setFolder(const QString& folder) { m_folder = folder; }

    // True when a file was chosen (it is then fileName()), false when the dialog was cancelled.
    bool showOpen(QWidget* parent);
    bool showSave(QWidget* parent);

    // Tests: the next dialog returns this name (or is cancelled) without showing.
    static void setNextFileName(const QString& name);
    static void setNextCancel();
    static QList<Shown> takeShownDialogs();

    // "a(*.csv;*.txt)|*.csv;*.txt|" as Qt's name filters: "a (*.csv *.txt)".
    static QString toQtFilter(const QString& filter);

private:
    bool show(Mode mode, QWidget* parent);

    QString m_fileName;
    QString m_filter;
    QString m_folder;
};
