#pragma once

#include <QSaveFile>
#include <QString>
#include <QStringList>
#include <QStringView>

struct AssistantLayout;

// Writes converter output as GBK text. Lines are gathered and encoded in large blocks; the file
// at the path is replaced only when commit() succeeds, so a failed write leaves the old file.
class GbkFileWriter {
public:
    explicit GbkFileWriter(const QString& path);
    GbkFileWriter(const GbkFileWriter&) = delete;
    GbkFileWriter& operator=(const GbkFileWriter&) = delete;

    bool open();
    void write(QStringView text);
    // One row of the layout, as AssistantLayout::appendRow writes it.
    void writeRow(const AssistantLayout& layout, const QStringList& values);
    // Writes what is pending and puts the file in place; false when any write failed.
    bool commit();

private:
    void flushPending();

    QSaveFile m_file;
    QString m_pending;
    bool m_failed = false;
};
