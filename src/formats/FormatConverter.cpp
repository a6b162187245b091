#include "formats/FormatConverter.h"

#include "base/StopSignal.h"
#include "base/System.h"
#include "base/Utf16Words.h"
#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "formats/CsvReader.h"
#include "formats/GbkFileWriter.h"
#include "formats/ItemRecord.h"
#include "formats/OutputFormats.h"
#include "formats/QuotedRecordReader.h"
#include "formats/SourceEncoding.h"
#include "formats/SourceFormatDetector.h"
#include "formats/StoreFormat.h"
#include "formats/Taobao5Mapping.h"
#include "formats/Taobao5Output.h"
#include "formats/Taobao5Reader.h"
#include "formats/Taobao5Writer.h"
#include "formats/TaobaoLineReader.h"
#include "text/TextFileIo.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>
#include <QVarLengthArray>

#include <cerrno>
#include <functional>
#include <memory>
#include <optional>

namespace {

using Result = FormatConverter::Result;
using SourceRow = ConversionMapping::SourceRow;
using Outcome = FormatConverter::Outcome;

const QString kTaobaoFirstCaption = QStringLiteral("宝贝名称");
const QString kNotCsv = QStringLiteral("请输入正确的CSV文件路径（该文件不是CSV文件）");

QString completionMessage(int count, const QString& outputPath) {
    return QStringLiteral("转换") + QString::number(count) + QStringLiteral("个宝贝完成，生成文件为：") +
           QDir::toNativeSeparators(outputPath);
}

Result refused(const QString& message) {
    Result result;
    result.outcome = Outcome::Refused;
    result.message = message;
    return result;
}

// One pass over a value for the two characters no output may carry as they are; both are rare.
bool holdsNulOrReplacement(QStringView value) {
    const char16_t* const units = value.utf16();
    const qsizetype size = value.size();
    qsizetype i = 0;
    for (; i + Utf16Words::kBlock <= size; i += Utf16Words::kBlock) {
        if (Utf16Words::equalEither(units + i, u'\0', 0xFFFD) != 0)
            return true;
    }
    for (; i < size; ++i) {
        if (units[i] == u'\0' || units[i] == 0xFFFD)
            return true;
    }
    return false;
}

// Two spellings of one file (relative parts, links, hard links) are the same file.
bool isSameFile(const QString& a, const QString& b) {
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (!first.exists() || !second.exists())
        return false;
    if (first.canonicalFilePath() == second.canonicalFilePath())
        return true;
    return System::isSameFile(a, b);
}

bool isTaobao(FileFormat format) {
    return format == FileFormat::TaobaoAssistant || format == FileFormat::TaobaoAssistant5;
}

bool isStore(FileFormat format) {
    return format == FileFormat::Shopify || format == FileFormat::WooCommerce;
}

// A store's product file. Products are kept until commit(): the WooCommerce header counts the
// attributes of the item that has the most.
class StoreFile {
public:
    StoreFile(const QString& path, FileFormat target, const QString& imageBaseUrl)
        : m_path(path), m_target(target), m_imageBaseUrl(imageBaseUrl), m_file(path) {}

    bool open() {
        if (!isRegularFileOrNewName(m_path)) {
            m_error = kNotRegularFileReason;
            return false;
        }
        if (!m_file.open(QIODevice::WriteOnly)) {
            m_error = m_file.errorString();
            return false;
        }
        return true;
    }

    void write(const SourceRow& row) {
        StoreFormat::Product product = StoreFormat::productFrom(row, m_imageBaseUrl, &m_log);
        if (product.pictures.isEmpty()) {
            ++m_withoutPictures;
            m_log.append(product.title + QStringLiteral("：没有图片网址"));
        }
        m_products.append(std::move(product));
    }

    bool commit() {
        if (m_target == FileFormat::Shopify)
            writeShopify();
        else
            writeWooCommerce();
        if (!m_file.commit()) {
            m_error = m_file.errorString();
            return false;
        }
        return true;
    }

    void discard() {
        m_file.cancelWriting();
        m_file.commit();
    }

    QString errorString() const { return m_error; }
    const QStringList& log() const { return m_log; }
    int withoutPictures() const { return m_withoutPictures; }

private:
    void writeShopify() {
        m_file.write(StoreFormat::csvLine(StoreFormat::shopifyHeader()));
        QSet<QString> handles;
        for (qsizetype i = 0; i < m_products.size(); ++i) {
            const StoreFormat::Product& product = m_products.at(i);
            const QString handle = StoreFormat::handleFor(product, static_cast<int>(i + 1), &handles);
            for (const QStringList& row : StoreFormat::shopifyRows(product, handle, &m_log))
                m_file.write(StoreFormat::csvLine(row));
        }
    }

    void writeWooCommerce() {
        int attributes = 0;
        for (const StoreFormat::Product& product : std::as_const(m_products))
            attributes = qMax(attributes, static_cast<int>(product.optionNames.size()));
        m_file.write(StoreFormat::csvLine(StoreFormat::wooHeader(attributes)));
        QSet<QString> handles;
        QSet<QString> skus;
        for (qsizetype i = 0; i < m_products.size(); ++i) {
            const StoreFormat::Product& product = m_products.at(i);
            const QString handle = StoreFormat::handleFor(product, static_cast<int>(i + 1), &handles);
            // The seller's outer id is the SKU when no other product has it.
            QString sku = product.sku;
            if (sku.isEmpty() || skus.contains(sku) || handles.contains(sku))
                sku = handle;
            skus.insert(sku);
            for (const QStringList& row : StoreFormat::wooRows(product, sku, attributes, &skus))
                m_file.write(StoreFormat::csvLine(row));
        }
    }

    QString m_path;
    FileFormat m_target;
    QString m_imageBaseUrl;
    QSaveFile m_file;
    QList<StoreFormat::Product> m_products;
    QStringList m_log;
    int m_withoutPictures = 0;
    QString m_error;
};

// The target file. Everything goes to a temporary file beside the save path, which is replaced
// only by commit(): a refused, failed or killed conversion leaves it as it was.
class TargetFile {
public:
    TargetFile(const QString& path, FileFormat target, const QString& imageBaseUrl)
        : m_path(path), m_target(target), m_gbk(path), m_taobao5File(path) {
        if (isStore(target))
            m_store = std::make_unique<StoreFile>(path, target, imageBaseUrl);
    }

    bool open() {
        if (m_store)
            return m_store->open();
        if (m_target != FileFormat::TaobaoAssistant5) {
            if (!m_gbk.open())
                return false;
            m_gbk.write(layout().headerLine());
            return true;
        }
        if (!isRegularFileOrNewName(m_path)) {
            m_error = kNotRegularFileReason;
            return false;
        }
        if (!m_taobao5File.open(QIODevice::WriteOnly)) {
            m_error = m_taobao5File.errorString();
            return false;
        }
        m_taobao5 = std::make_unique<Taobao5Writer>(&m_taobao5File);
        m_taobao5->writeHeaderIfNew();
        return true;
    }

    // One source item in the target's layout.
    void write(const ConversionMapping::SourceRow& row, const std::function<QDateTime()>& now) {
        using namespace ConversionMapping;
        // A description still in its source's quotes goes from there to the bytes; the PaiPai
        // layout takes it cleaned, the eBay one plain.
        const auto writeRow = [&](const QStringList& values, GbkFileWriter::SourceValue use) {
            if (!row.descriptionInSource) {
                m_gbk.writeRow(layout(), values);
                return;
            }
            const qsizetype column = layout().columnOf(ItemRecord::indexOf(ItemRecord::Field::Description));
            m_gbk.writeRow(layout(), values, column, row.quotedDescription, use);
        };
        // Only those two take it; the others get the plain row.
        if (row.descriptionInSource && m_target != FileFormat::PaiPaiAssistant &&
            m_target != FileFormat::EbayAssistant) {
            write(row.plain(), now);
            return;
        }
        switch (m_target) {
        case FileFormat::PaiPaiAssistant:
            writeRow(toPaiPai(row), GbkFileWriter::SourceValue::Cleaned);
            return;
        case FileFormat::EbayAssistant:
            writeRow(toEbay(row, now()), GbkFileWriter::SourceValue::Plain);
            return;
        case FileFormat::TaobaoAssistant:
            m_gbk.writeRow(layout(), toTaobao(row));
            return;
        case FileFormat::TaobaoAssistant5:
            writeTaobao5(ItemRecord::fromValues(toTaobao(row)), row.origin);
            return;
        case FileFormat::Shopify:
        case FileFormat::WooCommerce:
            m_store->write(row);
            return;
        }
    }

    bool commit() {
        if (m_store)
            return m_store->commit();
        if (m_target != FileFormat::TaobaoAssistant5) {
            const bool committed = m_gbk.commit();
            m_error = m_gbk.errorString();
            return committed;
        }
        errno = 0;
        if (!m_taobao5->finish()) {
            m_error = errno != 0 ? qt_error_string(errno) : m_taobao5File.errorString();
            discard();
            return false;
        }
        if (!m_taobao5File.commit()) {
            m_error = m_taobao5File.errorString();
            Taobao5Output::removeCreated(m_createdPictures);
            return false;
        }
        return true;
    }

    // Nothing of a file that is not written stays behind, its pictures included.
    void discard() {
        if (m_store) {
            m_store->discard();
            return;
        }
        if (m_target != FileFormat::TaobaoAssistant5) {
            m_gbk.discard();
            return;
        }
        m_taobao5File.cancelWriting();
        m_taobao5File.commit();
        Taobao5Output::removeCreated(m_createdPictures);
    }

    QString errorString() const {
        if (m_store)
            return m_store->errorString();
        return m_target == FileFormat::TaobaoAssistant5 ? m_error : m_gbk.errorString();
    }

private:
    // Today's Taobao layout has none: Taobao5Writer writes it.
    const AssistantLayout& layout() const { return *OutputFormats::describe(m_target).converterLayout; }

    // The item's picture travels as NAME.tbi in the folder named after the output file. Titles
    // of a Taobao source still hold their entities; the other mappings decoded theirs.
    // A picture that cannot be taken leaves the row without one, and the warnings say why.
    void writeTaobao5(const ItemRecord& record, Platform origin) {
        ++m_rows;
        QString problem;
        m_taobao5->writeRecord(Taobao5Output::itemFor(record, m_path,
                                                      origin == Platform::Taobao
                                                          ? Taobao5Output::TitleEntities::Decode
                                                          : Taobao5Output::TitleEntities::Kept,
                                                      &m_createdPictures, &problem));
        if (problem.isEmpty())
            return;
        ++m_picturesNotSaved;
        m_warnings.append(
            QStringLiteral("第%1个宝贝的图片未能保存（%2）：%3").arg(m_rows).arg(problem, record.picture));
        if (m_sink)
            m_sink(m_warnings.constLast());
    }

public:
    void setWarningSink(const std::function<void(const QString&)>& sink) { m_sink = sink; }
    int picturesNotSaved() const { return m_picturesNotSaved; }
    const QStringList& warnings() const { return m_warnings; }
    const StoreFile* store() const { return m_store.get(); }

private:
    QString m_path;
    FileFormat m_target;
    GbkFileWriter m_gbk;
    QSaveFile m_taobao5File;
    std::unique_ptr<Taobao5Writer> m_taobao5;
    QStringList m_createdPictures;
    QString m_error;
    std::unique_ptr<StoreFile> m_store;
    int m_rows = 0;
    int m_picturesNotSaved = 0;
    QStringList m_warnings;
    std::function<void(const QString&)> m_sink;
};

// The system's reason (permission, full disk) follows the path.
Result failedToWrite(Result result, const TargetFile& output) {
    result.outcome = Outcome::WriteFailed;
    result.message = QStringLiteral("无法写入文件：") + QDir::toNativeSeparators(result.outputPath);
    if (!output.errorString().isEmpty())
        result.message += u'（' + output.errorString() + u'）';
    return result;
}

// The outcome once the rows are written: completed, nothing to write, or not written.
Result finish(TargetFile& output, Result result, const std::function<void(const QString&)>& sink) {
    if (result.convertedCount == 0) {
        output.discard();
        return refused(SourceFormatDetector::noItemsMessage());
    }
    if (!output.commit())
        return failedToWrite(result, output);
    result.outcome = Outcome::Completed;
    result.message = completionMessage(result.convertedCount, result.outputPath);
    if (const StoreFile* store = output.store()) {
        result.warnings += store->log();
        // What a store file could not carry is known once it is written.
        if (sink) {
            for (const QString& line : store->log())
                sink(line);
        }
        if (store->withoutPictures() > 0)
            result.message += u'，' + StoreFormat::missingPicturesNote(store->withoutPictures());
    }
    if (output.picturesNotSaved() > 0)
        result.message += QStringLiteral("；%1张图片未能保存").arg(output.picturesNotSaved());
    result.warnings += output.warnings();
    return result;
}

bool isCommaExportChoice(FileFormat chosen) {
    switch (chosen) {
    case FileFormat::PaiPaiAssistant:
    case FileFormat::EbayAssistant:
        return true;
    case FileFormat::TaobaoAssistant:
    case FileFormat::TaobaoAssistant5:
    case FileFormat::Shopify:
    case FileFormat::WooCommerce:
        break;
    }
    return false;
}

// The first line names more than one column.
bool isCommaSeparated(const QString& path) {
    CsvReader reader;
    return reader.open(path) && reader.columnNames().size() > 1;
}

// The table a PaiPai or eBay source is read by: one of the program's own layouts when the header
// names its columns, else the positions the conversion rules give for the assistants' exports.
const AssistantLayout& sourceLayout(FileFormat source, const QStringList& header) {
    if (source == FileFormat::EbayAssistant)
        return AssistantFormat::ebay().matchesHeader(header) ? AssistantFormat::ebay()
                                                             : AssistantFormat::ebayExport();
    if (AssistantFormat::paipai().matchesHeader(header))
        return AssistantFormat::paipai();
    return AssistantFormat::paipaiExport();
}

// FormatConverter::readRows; with descriptionInSource, an older-layout Taobao row may keep its
// description in the line's text (SourceRow::quotedDescription), for a caller that writes it at once.
bool readSource(const QString& path, FileFormat source, bool descriptionInSource, QString* notTaobao,
                const std::function<void(const SourceRow&)>& row, QString* fault, const StopSignal* stop);

} // namespace

QString FormatConverter::folderOf(const QString& path) {
    const qsizetype slash = qMax(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return slash < 0 ? QString() : path.left(slash + 1);
}

QString FormatConverter::outputPathFor(const QString& savePath, FileFormat target) {
    const QString& suffix = OutputFormats::describe(target).converterSuffix;
    const QString csv = QStringLiteral(".csv");
    if (suffix != csv && savePath.endsWith(csv))
        return savePath.chopped(csv.size()) + suffix;
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
        return QStringLiteral("请输入正确的文件路径（该路径指定文件不存在）") +
               QDir::toNativeSeparators(folder + fileName);
    const QString extension = fileName.right(4).toLower();
    // A source left to its content may be a Taobao file; the content decides later.
    const bool txtAllowed = !request.source || isTaobao(*request.source);
    const bool extensionOk =
        extension == QStringLiteral(".csv") || (txtAllowed && extension == QStringLiteral(".txt"));
    if (!extensionOk)
        return kNotCsv;
    if (request.savePath.isEmpty())
        return QStringLiteral("没有保存路径");
    if (isSameFile(source, outputPathFor(request.savePath, request.target)))
        return QStringLiteral("保存路径不能与源文件相同");
    return {};
}

FormatConverter::Result FormatConverter::run(const Request& request) const {
    const QString refusal = validate(request);
    if (!refusal.isEmpty())
        return refused(refusal);
    if (request.source && *request.source == request.target)
        return {};

    // The source is checked before anything is written.
    const SourceDetection detection = SourceFormatDetector::detect(request.sourcePath);
    std::optional<FileFormat> detected = detection.file;
    // A comma-separated file the user names as a PaiPai or eBay export is read by the positions
    // of the conversion rules, whatever its column names.
    if (!detected && request.source && isCommaExportChoice(*request.source) &&
        isCommaSeparated(request.sourcePath))
        detected = request.source;
    if (!detected)
        return refused(request.source ? SourceFormatDetector::unknownFormatMessage(request.sourcePath)
                                      : SourceFormatDetector::unknownFormatMessage(request.sourcePath) +
                                            SourceFormatDetector::chooseSourceHint());
    // UTF-16 comes in byte pairs: a byte short, every character after the gap would be another.
    const qint64 sourceSize = QFileInfo(request.sourcePath).size();
    if ((detection.encoding == TextEncoding::Utf16LE || detection.encoding == TextEncoding::Utf16BE) &&
        sourceSize % 2 != 0)
        return refused(QStringLiteral("文件长度为%1字节，不是完整的UTF-16文本，不能转换：").arg(sourceSize) +
                       QDir::toNativeSeparators(request.sourcePath));
    if (request.source && !SourceFormatDetector::matchesChosenSource(*request.source, *detected))
        return refused(SourceFormatDetector::mismatchMessage(*request.source, *detected));
    if (!isTaobao(*detected) && request.sourcePath.right(4).toLower() != QStringLiteral(".csv"))
        return refused(kNotCsv);
    if (*detected == request.target)
        return refused(QStringLiteral("该文件已是") + OutputFormats::describe(*detected).caption +
                       QStringLiteral("格式"));

    Result result;
    result.outputPath = outputPathFor(request.savePath, request.target);
    TargetFile output(result.outputPath, request.target, m_imageBaseUrl);
    if (!output.open())
        return failedToWrite(result, output);
    output.setWarningSink(m_warningSink);
    const std::function<QDateTime()> clock = [this] { return now(); };
    QString notTaobao;
    QString fault;
    // Rows written at once to a GBK layout may keep their description in the source's text.
    const bool descriptionInSource =
        request.target == FileFormat::PaiPaiAssistant || request.target == FileFormat::EbayAssistant;
    const bool read = readSource(
        request.sourcePath, *detected, descriptionInSource, &notTaobao,
        [&](const SourceRow& row) {
            ++result.convertedCount;
            if (m_progress)
                m_progress(result.convertedCount);
            // Bytes that were no text in the source's encoding came out as U+FFFD: the seller
            // learns which items hold one. NUL is no text either, and no assistant takes it.
            // Almost every row holds neither and is written as read, without a copy.
            std::optional<SourceRow> clean;
            bool damaged = false;
            if (!row.checkedText) {
                std::optional<SourceRow> plain;
                if (row.descriptionInSource)
                    plain = row.plain();
                const SourceRow& whole = plain ? *plain : row;
                for (int i = 0; i < ItemRecord::kFieldCount; ++i) {
                    const auto field = static_cast<ItemRecord::Field>(i);
                    if (!holdsNulOrReplacement(whole[field]))
                        continue;
                    if (!clean)
                        clean = whole;
                    QString& value = clean->record[field];
                    damaged = damaged || value.contains(QChar::ReplacementCharacter);
                    value.remove(QChar(u'\0'));
                }
            }
            const SourceRow& written = clean ? *clean : row;
            if (damaged) {
                result.warnings.append(QStringLiteral("第%1个宝贝含有无法识别的字符，已替换为\uFFFD：%2")
                                           .arg(result.convertedCount)
                                           .arg(written[ItemRecord::Field::Title]));
                if (m_warningSink)
                    m_warningSink(result.warnings.constLast());
            }
            output.write(written, clock);
        },
        &fault, m_stop);
    if (m_stop && m_stop->isRequested()) {
        output.discard();
        Result stopped;
        stopped.outcome = Outcome::Stopped;
        stopped.message = QStringLiteral("转换已停止，未写入：") + result.outputPath;
        stopped.convertedCount = result.convertedCount;
        return stopped;
    }
    if (!read) {
        output.discard();
        return refused(notTaobao.isNull() ? SourceFormatDetector::unknownFormatMessage(request.sourcePath)
                                          : QStringLiteral("不是标准淘宝CSV文件，不能转换！") + notTaobao);
    }
    if (!fault.isEmpty()) {
        output.discard();
        return refused(fault + QStringLiteral("，不能转换：") + QDir::toNativeSeparators(request.sourcePath));
    }
    return finish(output, result, m_warningSink);
}

bool FormatConverter::readRows(const QString& path, FileFormat source, QString* notTaobao,
                               const std::function<void(const SourceRow&)>& row, QString* fault,
                               const StopSignal* stop) {
    return readSource(path, source, false, notTaobao, row, fault, stop);
}

namespace {

bool readSource(const QString& path, FileFormat source, bool descriptionInSource, QString* notTaobao,
                const std::function<void(const SourceRow&)>& row, QString* fault, const StopSignal* stop) {
    const auto stopRequested = [stop] { return stop && stop->isRequested(); };
    const auto stopped = [fault](const QString& why) {
        if (fault)
            *fault = why;
        return true;
    };
    switch (source) {
    case FileFormat::TaobaoAssistant: {
        TaobaoLineReader lines;
        if (!lines.open(path))
            return true; // no item, as an empty file
        QVarLengthArray<QStringView, 40> fields;
        SourceRow read; // one row from line to line: its strings keep their memory
        bool headerSeen = false;
        QStringView line;
        while (!stopRequested() && lines.readLine(&line, QuotedRecordReader::kRecordLimit)) {
            const auto& tabs = lines.tabs();
            if (tabs.isEmpty())
                continue;

            fields.clear();
            qsizetype fieldStart = 0;
            for (qsizetype tab : tabs) {
                fields.append(line.sliced(fieldStart, tab - fieldStart));
                fieldStart = tab + 1;
            }
            fields.append(line.sliced(fieldStart));
            // The first line with a TAB holds the captions, even after blank lines an editor left;
            // files of appended batches repeat them, which are no item either.
            const bool header = fields.front() == kTaobaoFirstCaption;
            if (!headerSeen) {
                headerSeen = true;
                if (!header) {
                    if (notTaobao)
                        *notTaobao = fields.front().toString();
                    return false;
                }
                continue;
            }
            if (header)
                continue;
            ConversionMapping::readTaobaoFields(
                &read, {fields.constData(), static_cast<std::size_t>(fields.size())}, descriptionInSource);
            read.checkedText = !lines.lineHoldsNulOrReplacement();
            row(read);
        }
        if (lines.tooLong())
            return stopped(QStringLiteral("第%1行的记录超过1MB").arg(lines.lineNumber()));
        return true;
    }
    case FileFormat::TaobaoAssistant5: {
        Taobao5Reader reader;
        if (!reader.open(path))
            return false;
        Taobao5Record item;
        while (!stopRequested() && reader.readRecord(&item)) {
            SourceRow read = ConversionMapping::rowFromRecord(Taobao5Mapping::toItemRecord(item, path),
                                                              Taobao5Mapping::recordFields());
            read.current = std::make_shared<const Taobao5Record>(item);
            row(read);
        }
        if (!reader.error().isEmpty())
            return stopped(reader.error());
        return true;
    }
    case FileFormat::PaiPaiAssistant:
    case FileFormat::EbayAssistant:
        break;
    case FileFormat::Shopify:
    case FileFormat::WooCommerce:
        return false; // written, never read
    }

    CsvReader reader;
    if (!reader.open(path))
        return true; // no item, as an empty file
    const Platform origin = source == FileFormat::PaiPaiAssistant ? Platform::PaiPai : Platform::Ebay;
    const QStringList& header = reader.columnNames();
    const AssistantLayout& layout = sourceLayout(source, header);
    QStringList record;
    while (!stopRequested() && reader.readRecord(&record)) {
        // Files of appended batches repeat the header line; it is no item.
        if (record != header)
            row(ConversionMapping::rowFromLayout(layout, record, origin));
    }
    if (!reader.error().isEmpty())
        return stopped(reader.error());
    return true;
}

} // namespace

QDateTime FormatConverter::now() const {
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}
