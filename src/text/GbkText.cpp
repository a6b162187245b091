#include "text/GbkText.h"

#include "base/System.h"
#include "base/Utf16Words.h"

#include <QChar>
#include <QtEndian>

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>

namespace {

// The GBK bytes of every BMP code unit, taken from the system's code page so that encoding is one
// table lookup per character. An entry holds the bytes in output order in its low 16 bits and
// their count above them; 0 until the unit's page of 256 is taken, on its first use: asking the
// system for every unit took most of a short conversion's start, and a text uses few pages.
class GbkTable {
public:
    static constexpr quint32 kSurrogate = 3 << 16; // half of a pair: resolved with its neighbour

    static GbkTable& instance() {
        static GbkTable table;
        return table;
    }

    // The entry, 0 while its page is not taken. Entries are atomic only so that a page being
    // taken on another thread is never read half-written: a loaded entry is whole, 0 or final.
    quint32 known(char16_t unit) const { return m_entries[unit].load(std::memory_order_relaxed); }
    quint32 entry(char16_t unit) {
        const quint32 entry = known(unit);
        return Q_LIKELY(entry != 0) ? entry : takePage(unit);
    }

private:
    static constexpr int kPage = 256;

    Q_NEVER_INLINE quint32 takePage(char16_t unit) {
        const std::lock_guard lock(m_taking);
        const char16_t first = char16_t(unit & ~(kPage - 1));
        if (m_entries[first].load(std::memory_order_relaxed) == 0) {
            std::array<quint32, kPage> forms{};
            System::gbkForms(first, kPage, forms.data());
            for (int i = 0; i < kPage; ++i) {
                quint32 form = forms[size_t(i)];
                if (QChar::isSurrogate(char32_t(first + i)))
                    form = kSurrogate;
                // A character must never vanish without its "?" (code page 936 cannot hold
                // U+00AD, for one, and some converters write nothing for it).
                else if (form >> 16 == 0)
                    form = 1U << 16 | '?';
                // The page's first entry last: it says the whole page is there.
                if (i > 0)
                    m_entries[size_t(first + i)].store(form, std::memory_order_relaxed);
                else
                    forms[0] = form;
            }
            m_entries[first].store(forms[0], std::memory_order_relaxed);
        }
        return m_entries[unit].load(std::memory_order_relaxed);
    }

    std::array<std::atomic<quint32>, 0x10000> m_entries{};
    std::mutex m_taking;
};
// The bytes of an entry, stored whole: the buffer always has room for two.
inline void put(char*& out, quint32 entry) {
    const quint16 bytes = qToLittleEndian(quint16(entry));
    std::memcpy(out, &bytes, 2);
    out += entry >> 16;
}

// Characters beyond ASCII come in runs (Chinese text): the table takes the run that starts at i,
// up to the next ASCII unit. One test of the count sends both rare entries, a page not yet taken
// and a surrogate, aside. kept(j) is where the first unit at or after j that the text keeps
// stands: a high and a low surrogate with only dropped units between them are one pair.
template <typename Kept>
inline void encodeRun(GbkTable& table, const char16_t* units, qsizetype size, qsizetype& i, char*& out,
                      Kept kept) {
    // Kept in locals: the bytes written could alias anything the references name.
    qsizetype at = i;
    char* to = out;
    do {
        quint32 entry = table.known(units[at]);
        if (Q_UNLIKELY(entry - (1U << 16) >= (2U << 16))) {
            entry = table.entry(units[at]);
            if (entry == GbkTable::kSurrogate) {
                // Code page 936 holds nothing outside the BMP: one "?" per code point or lone half.
                const qsizetype low = QChar::isHighSurrogate(units[at]) ? kept(at + 1) : size;
                *to++ = '?';
                at = low < size && QChar::isLowSurrogate(units[low]) ? low + 1 : at + 1;
                continue;
            }
        }
        put(to, entry);
        ++at;
    } while (at < size && units[at] >= 0x80);
    i = at;
    out = to;
}

} // namespace

void appendGbk(QByteArray* out, QStringView text) {
    GbkTable& table = GbkTable::instance();
    const qsizetype start = out->size();
    const qsizetype size = text.size();
    // Two bytes per code unit at most, so each entry's two bytes can be stored whole.
    out->resize(start + 2 * size);
    char* to = out->data() + start;
    const char16_t* const units = text.utf16();
    // Markup and numbers are ASCII, one byte per unit without the table: eight units at a time
    // are tested and stored as bytes; the bytes past the first other unit are written over
    // next. Two bytes per unit are reserved, so eight always fit.
    for (qsizetype i = 0; i < size;) {
        if (size - i >= Utf16Words::kBlock) {
            Utf16Words::storeAscii(units + i, to);
            if (Utf16Words::passUnmarked(Utf16Words::beyondAscii(units + i), i, to))
                continue;
        }
        if (units[i] < 0x80)
            *to++ = char(units[i++]);
        else
            encodeRun(table, units, size, i, to, [](qsizetype j) { return j; });
    }
    out->truncate(to - out->constData());
}

bool appendCleanGbk(QByteArray* out, QStringView text, bool pairedQuotes) {
    GbkTable& table = GbkTable::instance();
    const qsizetype start = out->size();
    const qsizetype size = text.size();
    // Every unit takes at most two bytes (the full-width comma two), so blocks of eight fit.
    out->resize(start + 2 * size);
    char* to = out->data() + start;
    const char16_t* const units = text.utf16();
    // Past the units the cleaning drops: TAB, CR, LF and pairs of spaces.
    const auto dropped = [units, size](qsizetype j) {
        while (j < size) {
            if (units[j] == u'\t' || units[j] == u'\r' || units[j] == u'\n')
                ++j;
            else if (units[j] == u' ' && j + 1 < size && units[j + 1] == u' ')
                j += 2;
            else
                break;
        }
        return j;
    };
    // Markup between the characters the cleaning changes is ASCII above ',': eight units at a
    // time are tested and stored as bytes.
    qsizetype i = 0;
    while (i < size) {
        if (size - i >= Utf16Words::kBlock) {
            Utf16Words::storeAscii(units + i, to);
            if (Utf16Words::passUnmarked(Utf16Words::outside(units + i, u',' + 1, 0x7F), i, to))
                continue;
        }
        const char16_t c = units[i];
        if (c >= 0x80) {
            encodeRun(table, units, size, i, to, dropped);
            continue;
        }
        if (c > u',') {
            *to++ = char(c);
            ++i;
            continue;
        }
        switch (c) {
        case u' ':
            // Pairs of spaces go first, before line breaks are taken out and could make new pairs.
            if (i + 1 < size && units[i + 1] == u' ') {
                i += 2;
                continue;
            }
            *to++ = ' ';
            break;
        case u'"':
            if (pairedQuotes) {
                if (i + 1 >= size || units[i + 1] != u'"') {
                    out->truncate(start);
                    return false;
                }
                ++i;
            }
            *to++ = '\'';
            break;
        case u'\t':
        case u'\r':
        case u'\n':
            break;
        case u',':
            put(to, table.entry(0xFF0C));
            break;
        default:
            *to++ = char(c);
            break;
        }
        ++i;
    }
    out->truncate(to - out->constData());
    return true;
}
