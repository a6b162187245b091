#pragma once

#include <QByteArray>
#include <QString>

class QFile;

// Whether bytes start as a picture of a kind the assistants take: JPEG, PNG, GIF, BMP or WebP.
// An error page served in a picture's place starts otherwise.
bool startsAsPicture(const QByteArray& head);

// Opens path for reading only when it is a regular file (through links): a FIFO, device or folder
// is refused without waiting for a writer. problem (when given) says why in the seller's words.
bool openRegularFile(QFile& file, QString* problem = nullptr);

// A picture file a source names, read whole: a regular file of at most sizeLimit bytes that starts
// as a picture. Empty, with why, otherwise.
struct PictureFileRead {
    QByteArray bytes;
    QString problem;
};
PictureFileRead readPictureFile(const QString& path, qint64 sizeLimit);
