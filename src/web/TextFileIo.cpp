#include "web/TextFileIo.h"

Status AppendToTextFile(const QString&, const QString&, const QString&) {
    return Status::failure(QStringLiteral("not built yet"));
}

Status ReadFile(const QString&, const QString&, QString*) {
    return Status::failure(QStringLiteral("not built yet"));
}

Status ReplaceFileContent(const QString&, const QByteArray&) {
    return Status::failure(QStringLiteral("not built yet"));
}

QByteArray EncodeGbk(const QString&) {
    return {};
}

QString DecodeGbk(const QByteArray&) {
    return {};
}
