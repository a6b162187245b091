#pragma once

#include "gui/FileDialog.h"

#include <QStringList>
#include <QWidget>

class QPlainTextEdit;
class QPushButton;
class QToolButton;

// The run's log below the grid: a line for each page and picture fetched with its result, each
// status and each message, with the time. It folds away to its title row; "保存日志" writes it
// to a UTF-8 text file chosen in the file dialog.
class LogPanel : public QWidget {
    Q_OBJECT

public:
    explicit LogPanel(QWidget* parent = nullptr);

    void appendLine(const QString& line);
    void clear();
    QStringList lines() const;

    bool isCollapsed() const;
    void setCollapsed(bool collapsed);

    // The folder the save dialog opens in.
    void setFolder(const QString& folder) { m_folder = folder; }
    // Every line, each ended by a line break, as UTF-8; false when the file could not be written.
    bool saveTo(const QString& path) const;

    FileDialog& fileDialog() { return m_dialog; }

signals:
    void saved(const QString& path);
    void collapsedChanged(bool collapsed);

public slots:
    void onSave(); // cmd_save_log

private:
    QToolButton* m_toggle = nullptr;
    QPushButton* m_save = nullptr;
    QPlainTextEdit* m_text = nullptr;
    FileDialog m_dialog;
    QString m_folder;
};
