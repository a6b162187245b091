#include "formats/AssistantFormat.h"
#include "formats/ConversionMapping.h"
#include "formats/FormatConverter.h"
#include "formats/OutputFormats.h"
#include "formats/Taobao5Layout.h"
#include "formats/Taobao5Writer.h"
#include "support/FormatTestFiles.h"
#include "support/TestMain.h"
#include "text/EntityDecoder.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace Qt::StringLiterals;

using Field = ItemRecord::Field;
using SourceRow = ConversionMapping::SourceRow;

namespace {

const QDateTime kClock(QDate(2026, 3, 7), QTime(9, 5, 3));
const QList<FileFormat> kFormats{FileFormat::TaobaoAssistant, FileFormat::PaiPaiAssistant,
                                 FileFormat::EbayAssistant, FileFormat::TaobaoAssistant5};

QList<SourceRow> rowsOf(const QString& path, FileFormat format) {
    QList<SourceRow> rows;
    if (!FormatConverter::readRows(path, format, nullptr, [&](const SourceRow& row) { rows.append(row); }))
        qFatal("cannot read %s", qPrintable(path));
    return rows;
}

bool isNumberField(Field field) {
    switch (field) {
    case Field::Price:
    case Field::Increment:
    case Field::Quantity:
    case Field::Duration:
    case Field::PostFee:
    case Field::EmsFee:
    case Field::ExpressFee:
    case Field::Category:
    case Field::PostageTemplateId:
        return true;
    default:
        return false;
    }
}

// A field as both layouts mean it: entities decoded in titles, descriptions as the targets clean
// them, numbers as numbers.
QString meaning(Field field, const QString& value) {
    if (field == Field::Title)
        return decodeNamedEntities(value);
    if (field == Field::Description)
        return ConversionMapping::desc(value);
    if (isNumberField(field)) {
        const bool fee = field == Field::PostFee || field == Field::EmsFee || field == Field::ExpressFee;
        bool ok = false;
        // A fee left empty is no fee: a layout that writes every fee writes 0.
        const double number = fee && value.trimmed().isEmpty() ? 0.0 : value.trimmed().toDouble(&ok);
        ok = ok || (fee && value.trimmed().isEmpty());
        if (ok)
            return QString::number(number, 'f', 6);
    }
    return value.trimmed();
}

// Random text of the characters that quoting is about, and some that GBK holds.
QString randomValue(QRandomGenerator& random, bool lineBreaks) {
    static const QString plain = u"ab中文 ,\"'"_s;
    static const QString breaks = u"\t\r\n"_s;
    const int length = int(random.bounded(12));
    QString value;
    for (int i = 0; i < length; ++i) {
        if (lineBreaks && random.bounded(5) == 0)
            value += breaks.at(random.bounded(breaks.size()));
        else
            value += plain.at(random.bounded(plain.size()));
    }
    // Values that start or end with a quote, or hold doubled ones, on purpose.
    switch (random.bounded(4)) {
    case 0:
        return u'"' + value;
    case 1:
        return value + u'"';
    case 2:
        return u"\"\""_s + value + u"\"\""_s;
    default:
        return value.isEmpty() ? u"x"_s : value;
    }
}

} // namespace

// Every layout the program writes converts to every other format keeping the fields both hold.
class TestRoundTrip : public QObject {
    Q_OBJECT

private:
    CaseFolders m_folders;

    static QString convert(const QString& source, FileFormat from, FileFormat to, const QString& folder) {
        FormatConverter converter;
        converter.setClock([] { return kClock; });
        const QString save = folder + u"/out_"_s + OutputFormats::describe(to).word + u".csv"_s;
        const FormatConverter::Result result = converter.run({source, save, from, to});
        if (result.outcome != FormatConverter::Outcome::Completed)
            qFatal("%s", qPrintable(result.message));
        return result.outputPath;
    }

private slots:
    void everyLayoutToEveryOther_data() {
        QTest::addColumn<QString>("fixture");
        QTest::addColumn<FileFormat>("written");   // as the program wrote the fixture
        QTest::addColumn<FileFormat>("convertTo"); // first converted to this, when it differs
        QTest::addColumn<FileFormat>("target");

        struct Source {
            const char* name;
            QString fixture;
            FileFormat written;
            FileFormat convertTo;
        };
        const QString taobao = u"expected/taobao_shop11112222.taobao.csv"_s;
        const QString paipai = u"expected/paipai_20090301.paipai.csv"_s;
        const QList<Source> sources{
            {"Taobao extraction", taobao, FileFormat::TaobaoAssistant, FileFormat::TaobaoAssistant},
            {"current Taobao extraction", u"expected/taobao_shop11112222.taobao5.csv"_s,
             FileFormat::TaobaoAssistant5, FileFormat::TaobaoAssistant5},
            {"PaiPai extraction", paipai, FileFormat::PaiPaiAssistant, FileFormat::PaiPaiAssistant},
            {"eBay extraction", u"expected/eBay_qingshixuan.ebay.csv"_s, FileFormat::EbayAssistant,
             FileFormat::EbayAssistant},
            {"Taobao conversion", paipai, FileFormat::PaiPaiAssistant, FileFormat::TaobaoAssistant},
            {"PaiPai conversion", taobao, FileFormat::TaobaoAssistant, FileFormat::PaiPaiAssistant},
            {"eBay conversion", paipai, FileFormat::PaiPaiAssistant, FileFormat::EbayAssistant},
            {"current Taobao conversion", paipai, FileFormat::PaiPaiAssistant, FileFormat::TaobaoAssistant5},
        };
        for (const Source& source : sources) {
            for (FileFormat target : kFormats) {
                if (target == source.convertTo)
                    continue;
                QTest::addRow("%s to %s", source.name, qPrintable(OutputFormats::describe(target).word))
                    << source.fixture << source.written << source.convertTo << target;
            }
        }
    }

    void everyLayoutToEveryOther() {
        QFETCH(QString, fixture);
        QFETCH(FileFormat, written);
        QFETCH(FileFormat, convertTo);
        QFETCH(FileFormat, target);

        const QString folder = m_folders.fresh();
        QString source = folder + u"/source.csv"_s;
        QVERIFY(QFile::copy(fixturePath(fixture), source));
        if (convertTo != written)
            source = convert(source, written, convertTo, folder);
        const QString output = convert(source, convertTo, target, folder);

        const QList<SourceRow> before = rowsOf(source, convertTo);
        const QList<SourceRow> after = rowsOf(output, target);
        QVERIFY(!before.isEmpty());
        QCOMPARE(after.size(), before.size());
        // A current-layout file keeps its pictures beside it, under names of its own.
        const bool picturesRenamed =
            convertTo == FileFormat::TaobaoAssistant5 || target == FileFormat::TaobaoAssistant5;
        for (qsizetype item = 0; item < before.size(); ++item) {
            const quint32 shared = before[item].held & after[item].held;
            QVERIFY(shared & (1U << ItemRecord::indexOf(Field::Title)));
            for (int i = 0; i < ItemRecord::kFieldCount; ++i) {
                const auto field = static_cast<Field>(i);
                if (!(shared & (1U << i)) || (field == Field::Picture && picturesRenamed))
                    continue;
                QVERIFY2(meaning(field, before[item][field]) == meaning(field, after[item][field]),
                         qPrintable(u"item %1 field %2: %3 became %4"_s.arg(item).arg(
                             ItemRecord::captions()[i], before[item][field], after[item][field])));
            }
        }
    }

    // Random values through each writer and back through the reader of its layout come out equal.
    void quotedValuesComeBackExactly_data() {
        QTest::addColumn<FileFormat>("format");
        QTest::addColumn<int>("layout"); // 0 the converter's, 1 the extraction's
        QTest::newRow("older Taobao") << FileFormat::TaobaoAssistant << 0;
        QTest::newRow("PaiPai, converter") << FileFormat::PaiPaiAssistant << 0;
        QTest::newRow("PaiPai, extraction") << FileFormat::PaiPaiAssistant << 1;
        QTest::newRow("eBay") << FileFormat::EbayAssistant << 0;
        QTest::newRow("current Taobao") << FileFormat::TaobaoAssistant5 << 0;
    }

    void quotedValuesComeBackExactly() {
        QFETCH(FileFormat, format);
        QFETCH(int, layout);

        QRandomGenerator random(22);
        const QString path = m_folders.fresh() + u"/values.csv"_s;
        // The older Taobao layout has no quoting for its separator or line breaks.
        const bool lineBreaks = format != FileFormat::TaobaoAssistant;
        QList<std::pair<QString, QString>> values;
        for (int i = 0; i < 200; ++i)
            values.append({randomValue(random, lineBreaks), randomValue(random, lineBreaks)});

        QString text;
        if (format == FileFormat::TaobaoAssistant5) {
            text = Taobao5Layout::headerText();
            for (const auto& [title, description] : values) {
                Taobao5Record item;
                item[Taobao5Field::Title] = title;
                item[Taobao5Field::Description] = description;
                text += Taobao5Writer::rowText(item);
            }
            writeBytes(path, utf16WithMark(text));
        } else {
            const AssistantLayout& table = format == FileFormat::TaobaoAssistant
                                               ? AssistantFormat::taobaoConverter()
                                           : format == FileFormat::EbayAssistant ? AssistantFormat::ebay()
                                           : layout == 0 ? AssistantFormat::paipaiConverter()
                                                         : AssistantFormat::paipai();
            text = table.headerLine();
            for (const auto& [title, description] : values) {
                QStringList row;
                for (const LayoutColumn& column : table.columns) {
                    row.append(column.field == ItemRecord::indexOf(Field::Title)         ? title
                               : column.field == ItemRecord::indexOf(Field::Description) ? description
                                                                                         : column.constant);
                }
                table.appendPlainRow(&text, row);
            }
            writeBytes(path, gbk(text));
        }

        const QList<SourceRow> rows = rowsOf(path, format);
        QCOMPARE(rows.size(), values.size());
        for (qsizetype i = 0; i < rows.size(); ++i) {
            QString title = values[i].first;
            QString description = values[i].second;
            if (format == FileFormat::TaobaoAssistant5) {
                // The current layout's reading makes a description's quotes apostrophes, and keeps
                // a title on one line.
                description.replace(u'"', u'\'');
                title.replace(u'\t', u' ').replace(u'\r', u' ').replace(u'\n', u' ');
            }
            QCOMPARE(rows[i][Field::Title], title);
            QCOMPARE(rows[i][Field::Description], description);
        }
    }
};

KESTRUNE_TEST_GUILESS_MAIN(TestRoundTrip)
#include "tst_roundtrip.moc"
