#include "formats/AssistantFormat.h"

#include "base/ProgramIdentity.h"
#include "base/Utf16Words.h"
#include "formats/ItemRecord.h"
#include "text/EntityDecoder.h"
#include "text/TextHelpers.h"

#include <algorithm>

namespace {

using Field = ItemRecord::Field;

const QString kEmptyQuoted = QStringLiteral("\"\"");

LayoutColumn constant(const QString& name, const QString& value) {
    return {name, ColumnSource::Constant, value, -1};
}

LayoutColumn field(const QString& name, Field recordField) {
    const int index = ItemRecord::indexOf(recordField);
    return {name, ColumnSource::RecordField, QString(), index, AssistantFormat::isTextField(index)};
}

// The record field a computed column carries, if any.
int fieldOf(ColumnSource source) {
    switch (source) {
    case ColumnSource::DecodedTitle:
        return ItemRecord::indexOf(Field::Title);
    case ColumnSource::PlatformCategory:
        return ItemRecord::indexOf(Field::Category);
    case ColumnSource::EbayPicture:
        return ItemRecord::indexOf(Field::Picture);
    case ColumnSource::Constant:
    case ColumnSource::RecordField:
    case ColumnSource::ProductNumber:
    case ColumnSource::CurrentDateTime:
    case ColumnSource::Mapped:
        break;
    }
    return -1;
}

LayoutColumn sourced(const QString& name, ColumnSource source) {
    const int index = fieldOf(source);
    // The eBay picture is written without quotes of its own.
    const bool text = source == ColumnSource::DecodedTitle;
    return {name, source, QString(), index, text};
}

LayoutColumn mapped(const QString& name, Field recordField) {
    const int index = ItemRecord::indexOf(recordField);
    return {name, ColumnSource::Mapped, QString(), index, AssistantFormat::isTextField(index)};
}

LayoutColumn mapped(const QString& name) {
    return {name, ColumnSource::Mapped, QString(), -1};
}

// A column of an export whose name is not known.
LayoutColumn unnamed(Field recordField = Field::MemberDiscount, bool carries = false) {
    if (!carries)
        return {QString(), ColumnSource::Constant, QString(), -1};
    const int index = ItemRecord::indexOf(recordField);
    return {QString(), ColumnSource::Mapped, QString(), index, AssistantFormat::isTextField(index)};
}

AssistantLayout makeTaobao(const QString& postageCaption, const QString& lineEnd) {
    AssistantLayout layout;
    layout.separator = QChar(u'\t');
    layout.lineEnd = lineEnd;
    const auto& captions = ItemRecord::captions();
    for (int i = 0; i < ItemRecord::kFieldCount; ++i) {
        const auto recordField = static_cast<Field>(i);
        layout.columns.append(
            field(recordField == Field::PostageTemplateId ? postageCaption : captions[i], recordField));
    }
    return layout;
}

AssistantLayout makePaiPai() {
    AssistantLayout layout;
    layout.separator = QChar(u',');
    layout.lineEnd = QStringLiteral("\r\n");
    layout.quotedHeaderNames = true;
    layout.columns = {
        constant(QStringLiteral("id"), QStringLiteral("-1")),
        constant(QStringLiteral("tree_node_id"), QStringLiteral("-1")),
        constant(QStringLiteral("old_tree_node_id"), QStringLiteral("-1")),
        sourced(QStringLiteral("商品名称"), ColumnSource::DecodedTitle),
        constant(QStringLiteral("id_in_web"), kEmptyQuoted),
        field(QStringLiteral("出售方式"), Field::SaleType),
        sourced(QStringLiteral("商品类目"), ColumnSource::PlatformCategory),
        constant(QStringLiteral("店铺类目"), kEmptyQuoted),
        constant(QStringLiteral("图片链接"), kEmptyQuoted),
        field(QStringLiteral("商品数量"), Field::Quantity),
        field(QStringLiteral("有效期"), Field::Duration),
        constant(QStringLiteral("定时上架"), kEmptyQuoted),
        field(QStringLiteral("新旧程度"), Field::Condition),
        field(QStringLiteral("价格"), Field::Price),
        field(QStringLiteral("加价幅度"), Field::Increment),
        field(QStringLiteral("省"), Field::Province),
        field(QStringLiteral("市"), Field::City),
        constant(QStringLiteral("运费承担"), QStringLiteral("2")),
        field(QStringLiteral("平邮"), Field::PostFee),
        field(QStringLiteral("快递"), Field::ExpressFee),
        constant(QStringLiteral("购买限制"), QStringLiteral("0")),
        constant(QStringLiteral("付款方式"), QStringLiteral("0")),
        constant(QStringLiteral("有发票"), QStringLiteral("0")),
        constant(QStringLiteral("有保修"), QStringLiteral("0")),
        constant(QStringLiteral("支持财付通"), QStringLiteral("1")),
        constant(QStringLiteral("自动重发"), QStringLiteral("1")),
        constant(QStringLiteral("店铺推荐"), QStringLiteral("0")),
        constant(QStringLiteral("错误原因"), kEmptyQuoted),
        constant(QStringLiteral("图片大小"), QStringLiteral("0")),
        field(QStringLiteral("图片文件"), Field::Picture),
        constant(QStringLiteral("pic"), QString()),
        field(QStringLiteral("商品详情"), Field::Description),
        constant(QStringLiteral("story"), kEmptyQuoted),
        constant(QStringLiteral("上架选项"), QStringLiteral("\"-2\"")),
        constant(QStringLiteral("图片宽度"), QStringLiteral("80")),
        constant(QStringLiteral("图片高度"), QStringLiteral("80")),
        constant(QStringLiteral("皮肤风格"), QStringLiteral("0")),
        constant(QStringLiteral("属性"), QString()),
    };
    return layout;
}

AssistantLayout makeEbay() {
    AssistantLayout layout;
    layout.separator = QChar(u',');
    layout.lineEnd = QStringLiteral("\r\n");
    layout.headerTrailingSeparator = true;
    const QString zero = QStringLiteral("0");
    const QString none;
    layout.columns = {
        sourced(QStringLiteral("Pprd_name"), ColumnSource::DecodedTitle),
        constant(QStringLiteral("Pcls_id"), zero),
        field(QStringLiteral("Pprd_num"), Field::Quantity),
        constant(QStringLiteral("Pauc_beg_price"), zero),
        constant(QStringLiteral("Pauc_deal_price"), zero),
        field(QStringLiteral("Psal_price"), Field::Price),
        field(QStringLiteral("Pprd_desc"), Field::Description),
        sourced(QStringLiteral("Pprd_no"), ColumnSource::ProductNumber),
        constant(QStringLiteral("Pgallery_img"), zero),
        constant(QStringLiteral("Pgallery_img2"), none),
        constant(QStringLiteral("Pimg_count"), QStringLiteral("1")),
        sourced(QStringLiteral("Pimg_url"), ColumnSource::EbayPicture),
        constant(QStringLiteral("Ponline_days"), QStringLiteral("7")),
        constant(QStringLiteral("Pauto_submit_flag"), zero),
        sourced(QStringLiteral("Pcreate_time"), ColumnSource::CurrentDateTime),
        sourced(QStringLiteral("Psal_beg_time"), ColumnSource::CurrentDateTime),
        sourced(QStringLiteral("Psal_end_time"), ColumnSource::CurrentDateTime),
        sourced(QStringLiteral("Puser_offline_time"), ColumnSource::CurrentDateTime),
        constant(QStringLiteral("Poffline_reason"), zero),
        constant(QStringLiteral("Ponline_price"), zero),
        constant(QStringLiteral("Psal_type"), QStringLiteral("2")),
        constant(QStringLiteral("Puser_max_num"), QStringLiteral("1")),
        constant(QStringLiteral("Pprd_now_num"), zero),
        constant(QStringLiteral("Ppromotion_flag"), QStringLiteral("00000000")),
        constant(QStringLiteral("Ppromotion_desc1"), none),
        constant(QStringLiteral("Ppromotion_desc2"), none),
        constant(QStringLiteral("Ploc_province"), QStringLiteral("10")),
        constant(QStringLiteral("Ploc_city"), QStringLiteral("116")),
        constant(QStringLiteral("Ptemplate_id"), zero),
        constant(QStringLiteral("Ppay_type1"), QStringLiteral("10000000")),
        constant(QStringLiteral("Ptrade_desc"), none),
        constant(QStringLiteral("Phas_invoice"), zero),
        constant(QStringLiteral("Phas_grarantee"), zero),
        constant(QStringLiteral("Pgrar_time"), QStringLiteral("14")),
        constant(QStringLiteral("Pgrar_type"), QStringLiteral("1")),
        constant(QStringLiteral("Pgrar_desc"), kEmptyQuoted),
        constant(QStringLiteral("Ptrans_flag"), QStringLiteral("2")),
        constant(QStringLiteral("Ptrans_free_flag"), zero),
    };
    for (int i = 1; i <= 7; ++i)
        layout.columns.append(constant(QStringLiteral("Pdomestic_type%1_value").arg(i), zero));
    for (int i = 1; i <= 7; ++i)
        layout.columns.append(constant(QStringLiteral("Pdomestic_type%1_addvalue").arg(i), zero));
    layout.columns += {
        constant(QStringLiteral("Pprd_status"), QStringLiteral("1")),
        constant(QStringLiteral("Psecondhand_degree"), QStringLiteral("10")),
        constant(QStringLiteral("Ppage_designer"), zero),
        constant(QStringLiteral("Ppage_background"), zero),
        constant(QStringLiteral("Ppage_desigin"), zero),
        constant(QStringLiteral("Ppage_style"), zero),
        constant(QStringLiteral("Pcounter_style"), zero),
        constant(QStringLiteral("Pspecial_size"), zero),
        constant(QStringLiteral("Pprd_desc_page_path"), none),
        constant(QStringLiteral("Pprd_desc_page"), none),
        constant(QStringLiteral("Puser_desc"), none),
        constant(QStringLiteral("Pversion"), zero),
        constant(QStringLiteral("Puser_page"), none),
        constant(QStringLiteral("Prelation_item"), none),
        constant(QStringLiteral("Pbuy_page"), none),
        constant(QStringLiteral("Pbid_page"), none),
        constant(QStringLiteral("Pprd_sequence"), zero),
        constant(QStringLiteral("Pdesc1"), none),
        constant(QStringLiteral("Pdesc2"), none),
        constant(QStringLiteral("Pdesc3"), none),
        constant(QStringLiteral("Pdesc4"), none),
        constant(QStringLiteral("Pserial_id"), none),
        constant(QStringLiteral("Pserial_flag"), zero),
        constant(QStringLiteral("Pversion_flag"), zero),
        constant(QStringLiteral("Pprice_sort"), zero),
        constant(QStringLiteral("Ptrans_sort"), zero),
        constant(QStringLiteral("Pupdate_time"), none),
        constant(QStringLiteral("Pup_fail_reason"), kEmptyQuoted),
        constant(QStringLiteral("Patb_full"), kEmptyQuoted),
        constant(QStringLiteral("Pprd_flag"), zero),
        constant(QStringLiteral("Pprd_relating"), zero),
        constant(QStringLiteral("Pfeature_value"), none),
        constant(QStringLiteral("Pshp_id1"), zero),
        constant(QStringLiteral("Pshp_id2"), zero),
        constant(QStringLiteral("Pshp_cls_id1"), zero),
        constant(QStringLiteral("Pshp_cls_id2"), zero),
    };
    return layout;
}

// The converter's PaiPai layout: columns whose value depends on the source format are Mapped,
// the rest hold the constant every source gives them.
AssistantLayout makePaiPaiConverter() {
    AssistantLayout layout;
    layout.separator = QChar(u',');
    layout.lineEnd = QStringLiteral("\r\n");
    layout.quotedHeaderNames = true;
    const QString zero = QStringLiteral("0");
    layout.columns = {
        constant(QStringLiteral("id"), QStringLiteral("-1")),
        constant(QStringLiteral("tree_node_id"), QStringLiteral("-1")),
        constant(QStringLiteral("old_tree_node_id"), QStringLiteral("-1")),
        mapped(QStringLiteral("title"), Field::Title),
        constant(QStringLiteral("id_in_web"), kEmptyQuoted),
        mapped(QStringLiteral("auctionType"), Field::SaleType),
        mapped(QStringLiteral("category"), Field::Category),
        constant(QStringLiteral("shopCategoryId"), kEmptyQuoted),
        constant(QStringLiteral("pictURL"), kEmptyQuoted),
        mapped(QStringLiteral("quantity"), Field::Quantity),
        mapped(QStringLiteral("duration"), Field::Duration),
        constant(QStringLiteral("startDate"), kEmptyQuoted),
        mapped(QStringLiteral("stuffStatus"), Field::Condition),
        mapped(QStringLiteral("price"), Field::Price),
        mapped(QStringLiteral("increment"), Field::Increment),
        constant(QStringLiteral("prov"), kEmptyQuoted),
        constant(QStringLiteral("city"), kEmptyQuoted),
        mapped(QStringLiteral("shippingOption"), Field::FreightPayer),
        mapped(QStringLiteral("ordinaryPostFee"), Field::PostFee),
        mapped(QStringLiteral("fastPostFee"), Field::ExpressFee),
        constant(QStringLiteral("paymentOption"), zero),
        constant(QStringLiteral("haveInvoice"), zero),
        constant(QStringLiteral("haveGuarantee"), zero),
        mapped(QStringLiteral("secureTradeAgree")),
        constant(QStringLiteral("autoRepost"), QStringLiteral("1")),
        constant(QStringLiteral("shopWindow"), zero),
        constant(QStringLiteral("failed_reason"), kEmptyQuoted),
        constant(QStringLiteral("pic_size"), zero),
        mapped(QStringLiteral("pic_filename"), Field::Picture),
        constant(QStringLiteral("pic"), QString()),
        mapped(QStringLiteral("description"), Field::Description),
        constant(QStringLiteral("story"), kEmptyQuoted),
        constant(QStringLiteral("putStore"), QStringLiteral("\"-2\"")),
        constant(QStringLiteral("pic_width"), QStringLiteral("80")),
        constant(QStringLiteral("pic_height"), QStringLiteral("80")),
    };
    return layout;
}

AssistantLayout makeEbayExport() {
    AssistantLayout layout;
    layout.separator = QChar(u',');
    layout.lineEnd = QStringLiteral("\r\n");
    for (int i = 0; i <= columnIndex(EbaySourceColumn::Picture); ++i)
        layout.columns.append(unnamed());
    layout.columns[columnIndex(EbaySourceColumn::Title)] = unnamed(Field::Title, true);
    layout.columns[columnIndex(EbaySourceColumn::Price)] = unnamed(Field::Price, true);
    layout.columns[columnIndex(EbaySourceColumn::Description)] = unnamed(Field::Description, true);
    layout.columns[columnIndex(EbaySourceColumn::Picture)] = unnamed(Field::Picture, true);
    return layout;
}

// TAB, CR and LF become spaces; the units up to CR are found eight at a time.
void spaceForTabAndLineBreaks(char16_t* text, qsizetype size) {
    const auto mend = [](char16_t& c) {
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    };
    qsizetype i = 0;
    for (; i + Utf16Words::kBlock <= size; i += Utf16Words::kBlock) {
        for (uint marks = Utf16Words::atMost(text + i, u'\r'); marks != 0;) {
            const int k = Utf16Words::first(marks);
            mend(text[i + k]);
            marks &= ~(3U << (2 * k));
        }
    }
    for (; i < size; ++i)
        mend(text[i]);
}

// One pass for the four characters that make a comma layout quote a value.
bool holdsSeparatorQuoteOrLineBreak(QStringView value, char16_t separator) {
    const char16_t* const units = value.utf16();
    const qsizetype size = value.size();
    qsizetype i = 0;
    for (; i + Utf16Words::kBlock <= size; i += Utf16Words::kBlock) {
        if ((Utf16Words::equalEither(units + i, separator, u'"') |
             Utf16Words::equalEither(units + i, u'\r', u'\n')) != 0)
            return true;
    }
    for (; i < size; ++i) {
        const char16_t c = units[i];
        if (c == separator || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

QString twoDigits(int value) {
    return QString::number(value).rightJustified(2, u'0').right(2);
}

} // namespace

QString AssistantLayout::headerLine() const {
    QString line;
    for (int i = 0; i < columns.size(); ++i) {
        if (i > 0 && !headerTrailingSeparator)
            line += separator;
        if (quotedHeaderNames)
            line += quoted(columns[i].name);
        else
            line += columns[i].name;
        if (headerTrailingSeparator)
            line += separator;
    }
    return line + lineEnd;
}

QString AssistantLayout::protectValue(const QString& value) const {
    if (separator == u'\t') {
        if (!value.contains(u'\t') && !value.contains(u'\r') && !value.contains(u'\n'))
            return value;
        QString cleaned = value;
        for (QChar& c : cleaned) {
            if (c == u'\t' || c == u'\r' || c == u'\n')
                c = u' ';
        }
        return cleaned;
    }
    // Long descriptions come enclosed in quotes; checking that first spares them the other scans.
    if (AssistantFormat::isWellFormedQuotedField(value))
        return value;
    const bool needsQuoting =
        value.contains(separator) || value.contains(u'"') || value.contains(u'\r') || value.contains(u'\n');
    if (!needsQuoting)
        return value;
    const bool enclosed = value.size() >= 2 && value.front() == u'"' && value.back() == u'"';
    QString inner = enclosed ? value.mid(1, value.size() - 2) : value;
    inner.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return quoted(inner);
}

void AssistantLayout::appendPlainRow(QString* out, const QStringList& values) const {
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out->append(separator);
        appendPlainValue(out, i, values.at(i));
    }
    out->append(lineEnd);
}

void AssistantLayout::appendPlainValue(QString* out, qsizetype column, const QString& value) const {
    const LayoutColumn* layoutColumn = column < columns.size() ? &columns.at(column) : nullptr;
    if (layoutColumn && layoutColumn->source == ColumnSource::Constant) {
        out->append(value);
        return;
    }
    const bool tab = separator == u'\t';
    const bool quote = (layoutColumn && layoutColumn->text && !AssistantFormat::isPlainNumber(value)) ||
                       (!tab && holdsSeparatorQuoteOrLineBreak(value, separator.unicode()));
    const qsizetype start = out->size();
    if (quote)
        AssistantFormat::appendQuoted(out, value);
    else
        out->append(value);
    // A TAB layout has no quoting that holds its separator or a line break.
    if (tab)
        spaceForTabAndLineBreaks(reinterpret_cast<char16_t*>(out->data()) + start, out->size() - start);
}

qsizetype AssistantLayout::columnOf(int field) const {
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (columns.at(i).field == field)
            return i;
    }
    return -1;
}

QStringList AssistantLayout::names() const {
    QStringList result;
    result.reserve(columns.size());
    for (const LayoutColumn& column : columns)
        result.append(column.name);
    return result;
}

bool AssistantLayout::matchesHeader(const QStringList& header) const {
    qsizetype count = header.size();
    if (headerTrailingSeparator && count == columns.size() + 1 && header.back().trimmed().isEmpty())
        --count;
    if (count != columns.size())
        return false;
    for (qsizetype i = 0; i < count; ++i) {
        if (header.at(i).trimmed() != columns.at(i).name)
            return false;
    }
    return true;
}

void AssistantLayout::appendRow(QString* out, const QStringList& values) const {
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (i > 0)
            out->append(separator);
        out->append(protectValue(values.at(i)));
    }
    out->append(lineEnd);
}

QString AssistantLayout::recordText(QStringView plain) const {
    if (separator != u'\t')
        return AssistantFormat::quotedText(plain);
    // The extraction's TAB layout encloses text in quotes without doubling the inner ones; only
    // where that would read back as another value (every inner quote one of a pair) are they doubled.
    QString enclosed;
    enclosed.reserve(plain.size() + 2);
    enclosed.append(u'"');
    enclosed.append(plain);
    enclosed.append(u'"');
    if (plain.contains(u'"') && AssistantFormat::isWellFormedQuotedField(enclosed))
        return AssistantFormat::quotedText(plain);
    return enclosed;
}

QStringList AssistantLayout::recordValues(const ItemRecord& record, Platform platform) const {
    QStringList result;
    result.reserve(columns.size());
    for (const LayoutColumn& column : columns) {
        switch (column.source) {
        case ColumnSource::Constant:
        case ColumnSource::Mapped:
            result.append(column.constant);
            break;
        case ColumnSource::RecordField: {
            const QString& value = record[static_cast<Field>(column.field)];
            result.append(column.text ? recordText(value) : value);
            break;
        }
        case ColumnSource::DecodedTitle:
            result.append(recordText(decodeNamedEntities(record.title)));
            break;
        case ColumnSource::PlatformCategory:
            result.append(platform == Platform::PaiPai ? record.category : QStringLiteral("0"));
            break;
        case ColumnSource::ProductNumber:
            result.append(AssistantFormat::productNumber());
            break;
        case ColumnSource::CurrentDateTime:
            result.append(AssistantFormat::dateTimeText());
            break;
        case ColumnSource::EbayPicture:
            result.append(AssistantFormat::ebayPicture(record.picture));
            break;
        }
    }
    return result;
}

namespace AssistantFormat {

const AssistantLayout& taobao() {
    static const AssistantLayout layout = makeTaobao(
        ItemRecord::captions()[ItemRecord::indexOf(Field::PostageTemplateId)], QStringLiteral("\r\n"));
    return layout;
}

const AssistantLayout& paipai() {
    static const AssistantLayout layout = makePaiPai();
    return layout;
}

const AssistantLayout& ebay() {
    static const AssistantLayout layout = makeEbay();
    return layout;
}

const AssistantLayout& forFormat(FileFormat format) {
    switch (format) {
    case FileFormat::TaobaoAssistant:
    // The current layout is no table: the row writer writes it through Taobao5Output.
    case FileFormat::TaobaoAssistant5:
    // The store files are no table either.
    case FileFormat::Shopify:
    case FileFormat::WooCommerce:
        return taobao();
    case FileFormat::PaiPaiAssistant:
        return paipai();
    case FileFormat::EbayAssistant:
        return ebay();
    }
    return ebay();
}

const AssistantLayout& taobaoConverter() {
    static const AssistantLayout layout = makeTaobao(QStringLiteral("邮费模板ID"), QStringLiteral("\r"));
    return layout;
}

const AssistantLayout& paipaiConverter() {
    static const AssistantLayout layout = makePaiPaiConverter();
    return layout;
}

const AssistantLayout& ebayConverter() {
    return ebay();
}

const AssistantLayout& paipaiExport() {
    return paipaiConverter();
}

const AssistantLayout& ebayExport() {
    static const AssistantLayout layout = makeEbayExport();
    return layout;
}

bool isTextField(int field) {
    switch (static_cast<Field>(field)) {
    case Field::Title:
    case Field::Province:
    case Field::City:
    case Field::SaleType:
    case Field::StartTime:
    case Field::Story:
    case Field::Description:
    case Field::Picture:
    case Field::Attributes:
        return true;
    case Field::Category:
    case Field::ShopCategory:
    case Field::Condition:
    case Field::Price:
    case Field::Increment:
    case Field::Quantity:
    case Field::Duration:
    case Field::FreightPayer:
    case Field::PostFee:
    case Field::EmsFee:
    case Field::ExpressFee:
    case Field::PaymentMethod:
    case Field::Alipay:
    case Field::Invoice:
    case Field::Warranty:
    case Field::AutoRepost:
    case Field::PutInStore:
    case Field::ShopWindow:
    case Field::GroupPrice:
    case Field::GroupMinCount:
    case Field::PostageTemplateId:
    case Field::MemberDiscount:
        break;
    }
    return false;
}

namespace {

// Copies whole blocks of eight units until one holds a quote, and stops on that quote (or before
// the last partial block). The writer may run eight units past `to`: its buffer has room for it.
void copyUpToQuote(const char16_t* from, qsizetype size, qsizetype& i, char16_t*& to) {
    while (size - i >= Utf16Words::kBlock) {
        const uint marks = Utf16Words::equalEither(from + i, u'"', u'"');
        std::copy_n(from + i, Utf16Words::kBlock, to);
        if (marks != 0) {
            const int kept = Utf16Words::first(marks);
            i += kept;
            to += kept;
            return;
        }
        i += Utf16Words::kBlock;
        to += Utf16Words::kBlock;
    }
}

} // namespace

void appendQuoted(QString* out, QStringView plain) {
    // Descriptions run to many KB: eight units at a time are copied and tested, and only a quote
    // goes one by one. Every unit takes at most two in the output, so the copies always fit.
    const qsizetype start = out->size();
    const qsizetype size = plain.size();
    out->resize(start + 2 * size + 2 + Utf16Words::kBlock);
    char16_t* to = reinterpret_cast<char16_t*>(out->data()) + start;
    const char16_t* const from = plain.utf16();
    *to++ = u'"';
    qsizetype i = 0;
    while (i < size) {
        copyUpToQuote(from, size, i, to);
        if (i == size)
            break;
        const char16_t c = from[i++];
        *to++ = c;
        if (c == u'"')
            *to++ = u'"';
    }
    *to++ = u'"';
    out->truncate(to - reinterpret_cast<const char16_t*>(out->constData()));
}

QString quotedText(QStringView plain) {
    QString result;
    result.reserve(plain.size() + 2);
    appendQuoted(&result, plain);
    return result;
}

QString unquoted(QStringView value) {
    if (value.size() < 2 || value.front() != u'"' || value.back() != u'"')
        return value.toString();
    const QStringView inner = value.sliced(1, value.size() - 2);
    // One pass: each inner quote must be the first of a pair (isWellFormedQuotedField), and the
    // pairs are undone on the way; a value that is no quoted field loses its enclosing quotes only.
    // Eight units at a time are copied and tested; the output never runs ahead of the input.
    const qsizetype size = inner.size();
    QString result(size, Qt::Uninitialized);
    char16_t* to = reinterpret_cast<char16_t*>(result.data());
    const char16_t* const from = inner.utf16();
    qsizetype i = 0;
    while (i < size) {
        copyUpToQuote(from, size, i, to);
        if (i == size)
            break;
        const char16_t c = from[i];
        if (c != u'"') {
            *to++ = c;
            ++i;
            continue;
        }
        if (i + 1 >= size || from[i + 1] != u'"')
            return inner.toString();
        *to++ = c;
        i += 2; // the second of the pair
    }
    result.truncate(to - reinterpret_cast<const char16_t*>(result.constData()));
    return result;
}

bool isPlainNumber(QStringView text) {
    if (text.startsWith(u'-'))
        text = text.sliced(1);
    bool digit = false;
    bool point = false;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9')
            digit = true;
        else if (c == u'.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

QString productNumber(const QDateTime& now) {
    const QDate date = now.date();
    const QTime time = now.time();
    return QString::number(date.year()).rightJustified(4, u'0') + twoDigits(date.month()) +
           twoDigits(date.day()) + twoDigits(time.hour()) + twoDigits(time.minute()) +
           twoDigits(time.second()) + QStringLiteral("00000000");
}

QString dateTimeText(const QDateTime& now) {
    return now.toString(QStringLiteral("yyyy-M-d H:mm:ss"));
}

QString ebayPicture(const QString& picture) {
    QString result = picture;
    result.remove(u'"');
    return result + QStringLiteral("|:|");
}

bool isWellFormedQuotedField(QStringView text) {
    const qsizetype last = text.size() - 1;
    if (last < 1 || text.front() != u'"' || text.back() != u'"')
        return false;
    // Every inner quote must be the first of a doubled pair that ends before the closing quote.
    for (qsizetype i = text.indexOf(u'"', 1); i < last; i = text.indexOf(u'"', i + 2)) {
        if (i + 1 >= last || text[i + 1] != u'"')
            return false;
    }
    return true;
}

} // namespace AssistantFormat
