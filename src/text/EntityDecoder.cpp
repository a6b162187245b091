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

// The entity from kEntities[from] on whose name (what follows its '&') text begins with; -1 for
// none.
int entityNamed(QStringView text, std::size_t from) {
    if (text.size() < 2)
        return -1;
    // The first letter rules out most entities without a comparison of each.
    for (std::size_t i = from; i < kEntities.size(); ++i) {
        const QStringView name = kEntities[i].first.sliced(1);
        if (name.front() == text.front() && text.startsWith(name))
            return int(i);
    }
    return -1;
}

} // namespace

QString decodeNamedEntities(const QString& zstr) {
    qsizetype at = zstr.indexOf(u'&');
    if (at < 0)
        return zstr;
    // One scan gives what the replacements one entity after the other, in the table's order, give:
    // entities never overlap and no replacement holds an ampersand, so only the ampersand that
    // "&amp;" leaves can begin a new entity, and then only one replaced after it.
    QString result;
    result.reserve(zstr.size());
    QStringView rest(zstr);
    while (at >= 0) {
        result.append(rest.left(at));
        rest = rest.sliced(at + 1); // past the '&'
        int entity = entityNamed(rest, 0);
        if (entity == int(kAmpersand)) {
            // Its '&' and the text after it may be one of the entities replaced later.
            rest = rest.sliced(kEntities[kAmpersand].first.size() - 1);
            entity = entityNamed(rest, kAmpersand + 1);
        }
        if (entity < 0) {
            result.append(u'&');
        } else {
            result.append(kEntities[std::size_t(entity)].second);
            rest = rest.sliced(kEntities[std::size_t(entity)].first.size() - 1);
        }
        at = rest.indexOf(u'&');
    }
    result.append(rest);
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
