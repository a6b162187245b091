#include "items/ParseTaobaoItem.h"

#include "base/MarketplaceAddresses.h"
#include "base/Step.h"
#include "base/StepError.h"
#include "formats/ItemRecord.h"
#include "formats/NumberFormat.h"
#include "items/CollectedItemDefaults.h"
#include "items/ItemPageCut.h"
#include "items/ItemPageSource.h"
#include "text/Cut.h"
#include "text/TextHelpers.h"

#include <QRegularExpression>

#include <optional>

namespace {

using Cut::before;
using Cut::contains;
using ItemPageCut::after;
using ItemPageCut::from;

// A value the page never gave formats as zero; empty text that was cut is not a number and
// stays empty. The fees and the price need to tell the two apart.
using CutValue = std::optional<QString>;

QString number(const CutValue& value) {
    if (!value)
        return NumberFormat::zero();
    return NumberFormat::sixDecimals(*value);
}

const QRegularExpression& shippingPattern() {
    static const QRegularExpression pattern(
        QStringLiteral("<li id='ShippingCost'  class='freight delivery clearfix'>.+?</li>"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// The fees of a shipping entry that lists them after "运　　费：".
void readListedFees(const QString& shippingText, CutValue& postFee, CutValue& emsFee, CutValue& expressFee) {
    struct Listed {
        CutValue& fee;
        QString test;
        QString label;
    };
    const Listed fees[] = {
        {postFee, QStringLiteral("平邮:"), QStringLiteral("平邮:")},
        {expressFee, QStringLiteral("快递:"), QStringLiteral("快递:")},
        {emsFee, QStringLiteral("EMS"), QStringLiteral("EMS:")},
    };
    for (const Listed& listed : fees) {
        Step::run([&] {
            if (contains(shippingText, listed.test))
                listed.fee = number(before(after(shippingText, listed.label), QStringLiteral("元")));
            else
                listed.fee = NumberFormat::zeroDefault();
        });
    }
}

// The fees of the freight table, searched from the table to the end of the page.
void readFreightTable(const QString& pageText, CutValue& postFee, CutValue& emsFee, CutValue& expressFee) {
    Step::run([&] { expressFee = from(pageText, QStringLiteral("<li id='FreightList'>")); });
    Step::run([&] { emsFee = expressFee; });
    Step::run([&] { postFee = expressFee; });
    struct Row {
        CutValue& fee;
        QString text;
    };
    const Row rows[] = {
        {expressFee, QStringLiteral("<td>快递公司</td>")},
        {postFee, QStringLiteral("<td>平邮</td>")},
        {emsFee, QStringLiteral("<td>EMS</td>")},
    };
    for (const Row& row : rows) {
        Step::run([&] {
            const QString copy = row.fee.value_or(QString());
            if (contains(copy, row.text))
                row.fee = number(
                    before(after(after(copy, row.text), QStringLiteral("<td>")), QStringLiteral("元")));
            else
                row.fee = NumberFormat::zeroDefault();
        });
    }
}

QString yesNoFlag(const QString& pageText, const QString& marker) {
    QString value;
    Step::run([&] { value = after(pageText, marker); });
    Step::run([&] { value = before(value, QStringLiteral("</li>")); });
    return value == u"有" ? QStringLiteral("1") : QStringLiteral("0");
}

} // namespace

QString taobaoPictureFileName(const QString& pictureAddress) {
    QString pictureFileName;
    Step::run([&] { pictureFileName = Cut::afterLast(pictureAddress, QStringLiteral("/")); });
    return pictureFileName;
}

namespace {
const QString kTitleField = QStringLiteral("<input type='hidden' name='title' value='");
}

bool isTaobaoItemPage(const QString& pageText) {
    return contains(pageText, kTitleField) ||
           contains(pageText, QStringLiteral("<input type='hidden' name='item_id'"));
}

std::optional<ParsedItem> parseTaobaoItemPage(QString pageText, const QString& picturePath,
                                              ItemPageSource& source) {
    const QString pathLinks = QStringLiteral("<div id='ListPathLinks'>");
    if (contains(pageText, pathLinks))
        Step::run([&] { pageText = after(pageText, pathLinks); });

    QString title;
    Step::run([&] { title = after(pageText, kTitleField); });
    Step::run([&] { title = before(title, QStringLiteral("' />")); });
    if (contains(title, QStringLiteral("<a ")))
        Step::run([&] { title = before(title, QStringLiteral("<a ")); });
    title = Cut::remove(title, QStringLiteral("&nbsp;"));

    // The category number is the last path segment of the link just before the item-details tab.
    QString category;
    Step::run([&] { category = before(pageText, QStringLiteral("<li class='B'>宝贝详情</li>")); });
    category = Cut::reverse(category);
    Step::run([&] { category = after(category, QStringLiteral("'")); });
    Step::run([&] { category = before(category, QStringLiteral("/")); });
    category = Cut::reverse(category);
    if (contains(category, QStringLiteral(".htm")))
        Step::run([&] { category = before(category, QStringLiteral(".htm")); });
    category = Cut::remove(category, QStringLiteral("cat-"));

    QString conditionText;
    Step::run([&] { conditionText = after(pageText, QStringLiteral("宝贝类型：")); });
    Step::run([&] { conditionText = before(conditionText, QStringLiteral("</li>")); });
    conditionText = Cut::trimSpaces(Cut::remove(conditionText, QStringLiteral("</span>")));
    QString condition = QStringLiteral("8");
    if (conditionText == u"全新")
        condition = QStringLiteral("5");
    else if (conditionText == u"二手")
        condition = QStringLiteral("6");

    QString saleTypeText;
    Step::run([&] { saleTypeText = after(pageText, QStringLiteral("<ul id='PriceInfo'>")); });
    Step::run([&] { saleTypeText = before(saleTypeText, QStringLiteral("</ul>")); });
    const QString saleType =
        contains(saleTypeText, QStringLiteral("一 口 价：")) ? QStringLiteral("b") : QStringLiteral("a");

    const QString summary = QStringLiteral("<div id='ItemSummary'>");
    if (contains(pageText, summary))
        Step::run([&] { pageText = after(pageText, summary); });

    CutValue price;
    Step::run([&] { price = after(pageText, QStringLiteral("<strong id='J_StrPrice' >")); });
    Step::run([&] { price = before(price.value_or(QString()), QStringLiteral("</strong>")); });
    Step::run([&] { price = number(price); });

    CutValue increment;
    const QString incrementMarker = QStringLiteral("<span>加价幅度：</span>");
    if (contains(pageText, incrementMarker)) {
        Step::run([&] { increment = after(pageText, incrementMarker); });
        Step::run([&] { increment = before(increment.value_or(QString()), QStringLiteral("元")); });
        Step::run([&] { increment = number(increment); });
    } else {
        increment = NumberFormat::zeroDefault();
    }

    // The last shipping entry counts; a stop pressed meanwhile ends the search with what it has.
    QString shippingText;
    QRegularExpressionMatchIterator matches = shippingPattern().globalMatch(pageText);
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        if (source.stopRequested())
            break;
        shippingText = match.captured(0);
    }

    QString freightPayer;
    CutValue postFee;
    CutValue emsFee;
    CutValue expressFee;
    if (contains(shippingText, QStringLiteral("卖家承担运费"))) {
        freightPayer = QStringLiteral("2");
        postFee = NumberFormat::zeroDefault();
        emsFee = NumberFormat::zeroDefault();
        expressFee = NumberFormat::zeroDefault();
    } else if (contains(shippingText, QStringLiteral("运　　费："))) {
        readListedFees(shippingText, postFee, emsFee, expressFee);
        freightPayer = QStringLiteral("1");
    } else {
        readFreightTable(pageText, postFee, emsFee, expressFee);
        freightPayer = QStringLiteral("1");
    }

    const QString invoice =
        yesNoFlag(pageText, QStringLiteral("<li id='IfHaveInvoice' class='HalfLine'><span>发票:</span>"));
    const QString warranty =
        yesNoFlag(pageText, QStringLiteral("<li id='IfMaintenance' class='HalfLine'><span>保修:</span>"));

    // The description lives in a script on the description host; other scripts come first.
    const QString scriptMarker = QStringLiteral("<script type='text/javascript' src='");
    QString description;
    Step::run([&] {
        const qsizetype at =
            pageText.indexOf(scriptMarker + MarketplaceAddresses::kTaobaoDescriptionHostPrefix);
        if (at < 0)
            throw StepError(QStringLiteral("no description script"));
        description = Cut::dropLead(pageText, at + scriptMarker.size());
    });
    Step::run([&] { description = before(description, QStringLiteral("'></script>")); });
    description = source.fetchPage(description);
    description = Cut::remove(description, QStringLiteral("var desc='"));
    description = Cut::remove(description, QStringLiteral("';"));
    description.replace(u',', QChar(0xFF0C));

    if (title.isEmpty())
        return std::nullopt;

    ItemRecord record = collectedItemDefaults();
    record.title = title;
    record.category = category;
    record.condition = condition;
    record.saleType = saleType;
    record.price = price.value_or(QString());
    record.increment = increment.value_or(QString());
    record.freightPayer = freightPayer;
    record.postFee = postFee.value_or(QString());
    record.emsFee = emsFee.value_or(QString());
    record.expressFee = expressFee.value_or(QString());
    record.invoice = invoice;
    record.warranty = warranty;
    record.description = cleanFieldText(description);
    record.picture = picturePath;

    return ParsedItem{record.values(), record};
}
