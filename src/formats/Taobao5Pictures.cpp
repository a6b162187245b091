#include "formats/Taobao5Pictures.h"

#include "formats/Taobao5Mapping.h"
#include "text/PictureFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace Taobao5Pictures {

QString storeFile(const QString& picturePath, const QString& outputPath, QStringList* created,
                  QString* problem) {
    if (picturePath.isEmpty())
        return {};
    const PictureFileRead picture = readPictureFile(picturePath, kPictureFileLimit);
    QString name;
    if (picture.problem.isEmpty())
        name = storeBytes(picture.bytes, outputPath, created);
    if (problem)
        *problem = !picture.problem.isEmpty() ? picture.problem
                   : name.isEmpty()           ? QStringLiteral("无法写入图片文件夹")
                                              : QString();
    return name;
}

QString storeBytes(const QByteArray& bytes, const QString& outputPath, QStringList* created) {
    if (bytes.isEmpty())
        return {};
    const QString name =
        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
    const QString folder = Taobao5Mapping::pictureFolder(outputPath);
    const bool folderExisted = QFileInfo(folder).isDir();
    if (!QDir().mkpath(folder))
        return {};
    if (created && !folderExisted)
        created->append(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".tbi"));
    if (QFileInfo(path).size() == bytes.size())
        return name;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return {};
    if (created)
        created->append(path);
    return name;
}

void attach(Taobao5Record* item, const QString& name) {
    if (name.isEmpty()) {
        (*item)[Taobao5Field::Picture].clear();
        (*item)[Taobao5Field::PictureStatus].clear();
        return;
    }
    (*item)[Taobao5Field::Picture] = name + QStringLiteral(":1:0:|;");
    (*item)[Taobao5Field::PictureStatus] = QStringLiteral("2;");
}

} // namespace Taobao5Pictures
