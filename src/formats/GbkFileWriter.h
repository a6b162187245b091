#pragma once

#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QStringView>

struct AssistantLayout;

// Writes converter output as GBK text. Lines are gathered and encoded in large blocks into a
// temporary file beside the target; the target is replaced only when commit() succeeds, so a
// failed or killed write leaves the old file. A folder where no new file can be made, or a
// target that is not a regular file, makes open() fail before anything is written.
class GbkFileWriter {
public:
    explicit GbkFileWriter(const QString& path);
    GbkFileWriter(const GbkFileWriter&) = delete;
    GbkFileWriter& operator=(const GbkFileWriter&) = delete;

    bool open();
    void write(QStringView text);
    // One row of plain values, as AssistantLayout::appendPlainRow writes it.
    void writeRow(const AssistantLayout& layout, const QStringList& values);
    // Writes what is pending and puts the file in place; false when any write failed.
    bool commit();
    // Drops everything written so far; the target stays as it was.
    void discard();
    // Why open() or commit() failed, in the system's words.
    const QString& errorString() const { return m_error; }

private:
    void flushPending();

    QSaveFile m_file;
    QString m_pending;
    bool m_failed = false;
    QString m_error;
};
