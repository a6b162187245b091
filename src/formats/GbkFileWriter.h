#pragma once

#include <QSaveFile>
#include <QString>

// Writes converter output as GBK text. Lines are gathered and encoded in large blocks; the file
// at the path is replaced only when commit() succeeds, so a failed write leaves the old file.
class GbkFileWriter {
public:
    explicit GbkFileWriter(const QString& path);
    GbkFileWriter(const GbkFileWriter&) = delete;
    GbkFileWriter& operator=(const GbkFileWriter&) = delete;

    bool open();
    void write(const QString& text);
    // Writes what is pending and puts the file in place; false when any write failed.
    bool commit();

private:
    void flushPending();

    QSaveFile m_file;
    QString m_pending;
    bool m_failed = false;
};
