#pragma once

#include "base/Marketplace.h"
#include "formats/ConversionMapping.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class StopSignal;

// The convert command without its window: validates a request, recognises the source by its
// content, reads it and writes every item in the target assistant's layout (GBK for the three
// older layouts, UTF-16 with pictures for the current Taobao one), and says how it went. Whoever
// runs it shows the message (a message box, or a line on the console). The save path is replaced
// only once the whole output is written: a refused or failed conversion leaves it as it was.
class FormatConverter {
public:
    struct Request {
        QString sourcePath;               // txt_path
        QString savePath;                 // txt_path_save
        std::optional<FileFormat> source; // none: decided by the file's content
        FileFormat target = FileFormat::PaiPaiAssistant;
    };

    enum class Outcome {
        Completed,   // message is the completion message
        Refused,     // a check of the request or of the source failed, or it holds no item
        WriteFailed, // the output could not be written; message names it
        NothingToDo, // source and target are the same format; no message
        Stopped,     // a stop was requested before the end; the save path is as it was
    };

    struct Result {
        Outcome outcome = Outcome::NothingToDo;
        QString message;
        int convertedCount = 0;
        QString outputPath;
        // Lines for the log: what of a completed conversion did not come through whole (a
        // picture not saved, ...).
        QStringList warnings;
    };

    // Told the count converted so far, once per record.
    void setProgress(std::function<void(int converted)> progress) { m_progress = std::move(progress); }
    // Tested once per record; a requested stop ends the conversion without writing.
    void setStopSignal(const StopSignal* stop) { m_stop = stop; }
    // The store targets' address of a picture known only as a file: this + the file's name.
    void setImageBaseUrl(const QString& url) { m_imageBaseUrl = url; }
    // Each line of Result::warnings also goes here as soon as it is known (while the rows are
    // written; what a store file could not carry once it is written), so a window can show it
    // in its log during a long conversion, from whatever thread runs it.
    void setWarningSink(std::function<void(const QString&)> sink) { m_warningSink = std::move(sink); }
    // The clock of the eBay product number and date-time columns.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    Result run(const Request& request) const;

    // The first refusal message of the checks of the paths, or empty text. The source's content
    // is checked by run().
    static QString validate(const Request& request);
    // The save path, with a final ".csv" made ".txt" for the older Taobao target.
    static QString outputPathFor(const QString& savePath, FileFormat target);
    // Up to and including the last path separator; empty when there is none.
    static QString folderOf(const QString& path);

    // Every item of a source of the given format, in file order, as the targets read it: the
    // program's own layouts by the names of their header, the assistants' exports by position.
    // False when the file is no file of that format; for an older Taobao file whose first line is
    // not its captions, *notTaobao gets that line's first field.
    // fault, when given, says why the rows stopped before the end of the source (a record over
    // QuotedRecordReader::kRecordLimit); the rows read before it have been handed on.
    // stop, when given and requested, ends the rows early (true is returned).
    static bool readRows(const QString& path, FileFormat source, QString* notTaobao,
                         const std::function<void(const ConversionMapping::SourceRow&)>& row,
                         QString* fault = nullptr, const StopSignal* stop = nullptr);

private:
    QDateTime now() const;

    std::function<void(const QString&)> m_warningSink;
    std::function<void(int)> m_progress;
    const StopSignal* m_stop = nullptr;
    std::function<QDateTime()> m_clock;
    QString m_imageBaseUrl;
};
