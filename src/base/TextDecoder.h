#pragma once

#include "base/System.h"

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <optional>

// Decodes text read in pieces, in a Unicode encoding or in GBK (which each system converts its
// own way, base/System.h). A character cut between two pieces is held back until the next.
class TextDecoder {
public:
    // Decodes nothing: isValid() is false.
    TextDecoder() = default;
    explicit TextDecoder(QStringConverter::Encoding encoding) : m_unicode(QStringDecoder(encoding)) {}
    static TextDecoder gbk() {
        TextDecoder decoder;
        decoder.m_gbk.emplace();
        return decoder;
    }

    bool isValid() const { return m_gbk || (m_unicode && m_unicode->isValid()); }
    // Characters that appendToBuffer may write for bytes, at most.
    qsizetype requiredSpace(qsizetype bytes) const {
        return m_gbk ? m_gbk->requiredSpace(bytes) : m_unicode ? m_unicode->requiredSpace(bytes) : 0;
    }
    // Writes the characters of bytes at out and returns the end of what it wrote.
    QChar* appendToBuffer(QChar* out, QByteArrayView bytes) {
        return m_gbk       ? m_gbk->appendToBuffer(out, bytes)
               : m_unicode ? m_unicode->appendToBuffer(out, bytes)
                           : out;
    }
    QString decode(QByteArrayView bytes) {
        QString text(requiredSpace(bytes.size()), Qt::Uninitialized);
        text.truncate(appendToBuffer(text.data(), bytes) - text.constData());
        return text;
    }
    // The end of the data: a character left unfinished becomes a replacement character.
    QString finish() {
        return m_gbk ? m_gbk->finish() : m_unicode ? m_unicode->decode(QByteArrayView()) : QString();
    }

private:
    std::optional<QStringDecoder> m_unicode;
    std::optional<System::GbkDecoder> m_gbk;
};
