#include "formats/FormatConverter.h"

#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "formats/CsvReader.h"
#include "formats/GbkFileWriter.h"
#include "web/TextFileIo.h"

#include <QFileInfo>
#include <QList>
#include <QVarLengthArray>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

const QString kTaobaoFirstCaption = QStringLiteral("宝贝名称");

QString completionMessage(int count, const QString& outputPath) {
    return QStringLiteral("转换") + QString::number(count) + QStringLiteral("个宝贝完成，生成文件为：") +
           outputPath;
}

// The system's reason (permission, full disk) follows the path.
FormatConverter::Result failedToWrite(FormatConverter::Result result, const GbkFileWriter& output) {
    result.outcome = FormatConverter::Outcome::WriteFailed;
    result.message = QStringLiteral("无法写入文件：") + result.outputPath;
    if (!output.errorString().isEmpty())
        result.message += u'（' + output.errorString() + u'）';
    return result;
}

// The outcome once the rows are written: completed, or the file could not be written.
FormatConverter::Result finish(GbkFileWriter& output, FormatConverter::Result result) {
    if (!output.commit())
        return failedToWrite(result, output);
    result.outcome = FormatConverter::Outcome::Completed;
    result.message = completionMessage(result.convertedCount, result.outputPath);
    return result;
}

// Two spellings of one file (relative parts, links, hard links) are the same file.
bool isSameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (!first.exists() || !second.exists())
        return false;
    if (first.canonicalFilePath() == second.canonicalFilePath())
        return true;
#ifdef Q_OS_UNIX
    struct stat s1 {};
    struct stat s2 {};
    if (::stat(QFile::encodeName(a).constData(), &s1) == 0 &&
        ::stat(QFile::encodeName(b).constData(), &s2) == 0)
        return s1.st_dev == s2.st_dev && s1.st_ino == s2.st_ino;
#endif
    return false;
}

const AssistantLayout& layoutOf(int format) {
    switch (format) {
    case FormatConverter::Taobao:
        return AssistantFormat::taobaoConverter();
    case FormatConverter::PaiPai:
        return AssistantFormat::paipaiConverter();
    default:
        return AssistantFormat::ebayConverter();
    }
}

} // namespace

QString FormatConverter::folderOf(const QString& path) {
    const qsizetype slash = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString FormatConverter::outputPathFor(const QString& savePath, int target) {
    if (target == Taobao && savePath.endsWith(QStringLiteral(".csv")))
        return savePath.chopped(4) + QStringLiteral(".txt");
    return savePath;
}

QString FormatConverter::validate(const Request& request) {
    const QString& source = request.sourcePath;
    if (source.isEmpty())
        return QStringLiteral("请输入要转换的文件路径");
    const QString folder = folderOf(source);
    if (folder.isEmpty())
        return QStringLiteral("请输入文件路径");
    const QString fileName = source.mid(folder.size());
    if (!QFileInfo(folder + fileName).isFile())
        return QStringLiteral("请输入正确的文件路径（该路径指定文件不存在）") + folder + fileName;
    const QString extension = fileName.right(4).toLower();
    const bool extensionOk = extension == QStringLiteral(".csv") ||
                             (request.source == Taobao && extension == QStringLiteral(".txt"));
    if (!extensionOk)
        return QStringLiteral("请输入正确的CSV文件路径（该文件不是CSV文件）");
    if (request.savePath.isEmpty())
        return QStringLiteral("没有保存路径");
    if (isSameFile(source, outputPathFor(request.savePath, request.target)))
        return QStringLiteral("保存路径不能与源文件相同");
    return {};
}

FormatConverter::Result FormatConverter::run(const Request& request) const {
    Result result;
    const QString refusal = validate(request);
    if (!refusal.isEmpty()) {
        result.outcome = Outcome::Refused;
        result.message = refusal;
        return result;
    }
    const bool known = request.source >= Taobao && request.source <= Ebay && request.target >= Taobao &&
                       request.target <= Ebay;
    if (!known || request.source == request.target)
        return result;
    const QString outputPath = outputPathFor(request.savePath, request.target);
    if (request.source == Taobao)
        return convertTaobaoSource(request, outputPath);
    return convertRecordSource(request, outputPath);
}

QDateTime FormatConverter::now() const {
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

FormatConverter::Result FormatConverter::convertTaobaoSource(const Request& request,
                                                             const QString& outputPath) const {
    Result result;
    result.outputPath = outputPath;

    // Unreadable text converts nothing; the output is still created below.
    QString text;
    if (!ReadFile(request.sourcePath, QStringLiteral("unicode"), &text).ok())
        text.clear();

    const AssistantLayout& layout = layoutOf(request.target);
    GbkFileWriter output(outputPath);
    if (!output.open())
        return failedToWrite(result, output);
    if (request.target == Ebay)
        output.write(layout.headerLine());

    QVarLengthArray<QStringView, 40> fields;
    const QStringView all(text);
    qsizetype lineStart = 0;
    for (qsizetype lineNumber = 0; lineStart < all.size(); ++lineNumber) {
        qsizetype lineEnd = all.indexOf(u'\n', lineStart);
        if (lineEnd < 0)
            lineEnd = all.size();
        QStringView line = all.sliced(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;
        // The CR of a CR LF would otherwise end up in the last field a short line has.
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (!line.contains(u'\t'))
            continue;

        fields.clear();
        qsizetype fieldStart = 0;
        for (;;) {
            const qsizetype tab = line.indexOf(u'\t', fieldStart);
            if (tab < 0) {
                fields.append(line.sliced(fieldStart));
                break;
            }
            fields.append(line.sliced(fieldStart, tab - fieldStart));
            fieldStart = tab + 1;
        }

        if (lineNumber == 0) {
            if (fields.front() != kTaobaoFirstCaption) {
                output.commit();
                result.outcome = Outcome::Refused;
                result.message =
                    QStringLiteral("不是标准淘宝CSV文件，不能转换！") + fields.front().toString();
                return result;
            }
            if (request.target == PaiPai)
                output.write(layout.headerLine());
            continue;
        }

        const ConversionMapping::Fields view(fields.constData(), static_cast<std::size_t>(fields.size()));
        output.writeRow(layout, request.target == PaiPai ? ConversionMapping::taobaoToPaiPai(view)
                                                         : ConversionMapping::taobaoToEbay(view, now()));
        ++result.convertedCount;
    }

    return finish(output, result);
}

FormatConverter::Result FormatConverter::convertRecordSource(const Request& request,
                                                             const QString& outputPath) const {
    Result result;
    result.outputPath = outputPath;

    const AssistantLayout& layout = layoutOf(request.target);
    GbkFileWriter output(outputPath);
    if (!output.open())
        return failedToWrite(result, output);
    output.write(layout.headerLine());

    // A source that cannot be opened leaves the header alone in the output and reports 0.
    CsvReader reader;
    if (reader.open(request.sourcePath)) {
        QStringList record;
        QList<QStringView> fields;
        while (reader.readRecord(&record)) {
            if (m_pump)
                m_pump();
            fields.clear();
            for (const QString& value : std::as_const(record))
                fields.append(value);
            const ConversionMapping::Fields view(fields.constData(), static_cast<std::size_t>(fields.size()));
            QStringList values;
            switch (request.target) {
            case Taobao:
                values = request.source == PaiPai ? ConversionMapping::paipaiToTaobao(view)
                                                  : ConversionMapping::ebayToTaobao(view);
                break;
            case PaiPai:
                values = ConversionMapping::ebayToPaiPai(view);
                break;
            default:
                values = ConversionMapping::paipaiToEbay(view, now());
                break;
            }
            output.writeRow(layout, values);
            ++result.convertedCount;
        }
    }

    return finish(output, result);
}
