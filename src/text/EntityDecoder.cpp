#include "text/EntityDecoder.h"

#include <QStringView>

#include <array>
#include <utility>

namespace {

using Row = std::pair<QStringView, QStringView>;

// Order matters: "&amp;" after "&lt;"/"&gt;" and before the rest.
constexpr std::array<Row, 37> kEntities{{
    {u"&lt;", u"<"},          {u"&gt;", u" >"},         {u"&amp;", u"&"},         {u"&quot;", u"\""},
    {u"&reg;", u"?"},         {u"&copy;", u"?"},        {u"&trade;", u"?"},       {u"&lsquo;", u"\u2018"},
    {u"&rsquo;", u"\u2019"},  {u"&ldquo;", u"\u201C"},  {u"&rdquo;", u"\u201D"},  {u"&permil;", u"\u2030"},
    {u"&curren;", u"\u00A4"}, {u"&deg;", u"\u00B0"},    {u"&divide;", u"\u00F7"}, {u"&plusmn;", u"\u00B1"},
    {u"&sect;", u"\u00A7"},   {u"&times;", u"\u00D7"},  {u"&larr;", u"\u2190"},   {u"&uarr;", u"\u2191"},
    {u"&rarr;", u"\u2192"},   {u"&darr;", u"\u2193"},   {u"&nbsp;", u" "},        {u"&radic;", u"\u221A"},
    {u"&prop;", u"\u221D"},   {u"&infin;", u"\u221E"},  {u"&there4;", u"\u2234"}, {u"&sim;", u" \uFF5E"},
    {u"&asymp;", u" \u2248"}, {u"&ne;", u" \u2260"},    {u"&le;", u" \u2264"},    {u"&ge;", u" \u2265"},
    {u"&oplus;", u" \u2295"}, {u"&Delta;", u" \u0394"}, {u"&Psi;", u" \u03A8"},   {u"&Omega;", u" \u03A9"},
    {u"&omega;", u" \u03C9"},
}};

constexpr std::size_t kAmpersand = 2;

// Bit i set when the text holds kEntities[i].
quint64 entitiesIn(QStringView text) {
    quint64 present = 0;
    for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at + 1)) {
        const QStringView rest = text.sliced(at);
        if (rest.size() < 3)
            break;
        // The letter after the ampersand rules out most entities without a comparison of each.
        for (std::size_t i = 0; i < kEntities.size(); ++i) {
            if (kEntities[i].first[1] == rest[1] && rest.startsWith(kEntities[i].first))
                present |= quint64(1) << i;
        }
    }
    return present;
}

} // namespace

QString decodeNamedEntities(const QString& zstr) {
    QString result = zstr;
    if (result.isEmpty() || !result.contains(u'&'))
        return result;
    // Only the entities the text holds are replaced, each in its turn. A replacement holds no
    // letters, so only "&amp;" can make new entities appear, after which the text is looked at
    // again.
    quint64 present = entitiesIn(result);
    for (std::size_t i = 0; i < kEntities.size(); ++i) {
        if (((present >> i) & 1U) == 0)
            continue;
        const auto& [entity, replacement] = kEntities[i];
        result.replace(entity.data(), entity.size(), replacement.data(), replacement.size(),
                       Qt::CaseSensitive);
        if (i == kAmpersand)
            present |= entitiesIn(result);
    }
    return result;
}

QString decodeNumericReferences(const QString& text) {
    if (!text.contains(u"&#"))
        return text;
    QString result;
    result.reserve(text.size());
    qsizetype done = 0;
    for (qsizetype at = text.indexOf(u"&#"); at >= 0; at = text.indexOf(u"&#", at + 1)) {
        if (at < done)
            continue;
        const bool hex = at + 2 < text.size() && (text.at(at + 2) == u'x' || text.at(at + 2) == u'X');
        const qsizetype digits = at + (hex ? 3 : 2);
        const qsizetype end = text.indexOf(u';', digits);
        // Seven hexadecimal or decimal digits are past the last character already.
        if (end <= digits || end - digits > 7)
            continue;
        bool ok = false;
        const uint code = QStringView(text).sliced(digits, end - digits).toUInt(&ok, hex ? 16 : 10);
        if (!ok || code == 0 || code > 0x10FFFF || QChar::isSurrogate(code))
            continue;
        result.append(QStringView(text).sliced(done, at - done));
        const char32_t character = code;
        result.append(QString::fromUcs4(&character, 1));
        done = end + 1;
    }
    result.append(QStringView(text).sliced(done));
    return result;
}
