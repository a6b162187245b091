#pragma once

#include <QDateTime>
#include <QString>

#include <functional>

// The convert command without its window: validates a request, reads the source, writes every
// item as a row of the target assistant's layout in GBK and says how it went. Whoever runs it
// shows the message (a message box, or a line on the console).
class FormatConverter {
public:
    // Option3 / Option4 indexes.
    enum Format { Taobao = 0, PaiPai = 1, Ebay = 2 };

    struct Request {
        QString sourcePath; // txt_path
        QString savePath;   // txt_path_save
        int source = Taobao;
        int target = PaiPai;
    };

    enum class Outcome {
        Completed,   // message is the completion message
        Refused,     // a validation or the Taobao header check failed; message says which
        WriteFailed, // the output could not be written; message names it
        NothingToDo, // source and target are the same format; no message
    };

    struct Result {
        Outcome outcome = Outcome::NothingToDo;
        QString message;
        int convertedCount = 0;
        QString outputPath;
    };

    // Runs once per PaiPai or eBay record so the window keeps handling events.
    void setEventPump(std::function<void()> pump) { m_pump = std::move(pump); }
    // The clock of the eBay product number and date-time columns.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    Result run(const Request& request) const;

    // The first refusal message of the five checks and the same-file rule, or empty text.
    static QString validate(const Request& request);
    // The save path, with a final ".csv" made ".txt" for a Taobao target.
    static QString outputPathFor(const QString& savePath, int target);
    // Up to and including the last path separator; empty when there is none.
    static QString folderOf(const QString& path);

private:
    Result convertTaobaoSource(const Request& request, const QString& outputPath) const;
    Result convertRecordSource(const Request& request, const QString& outputPath) const;
    QDateTime now() const;

    std::function<void()> m_pump;
    std::function<QDateTime()> m_clock;
};
