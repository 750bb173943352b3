#include "support/xlsx_reader.h"

#include <QProcess>
#include <QRegularExpression>
#include <QVector>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// A member of the archive; a sheet without texts has no shared strings, so that one may lack.
QByteArray member(const QString& path, const QString& name, bool required = true)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, name});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0) {
        if (!required)
            return {};
        QTest::qFail(qPrintable(QStringLiteral("unzip -p %1 %2 failed: %3").arg(path, name, QString::fromLocal8Bit(unzip.readAllStandardError()))),
                     __FILE__, __LINE__);
        return {};
    }
    return unzip.readAllStandardOutput();
}

void refuse(const QString& what, const QString& value)
{
    QTest::qFail(qPrintable(QStringLiteral("%1 is not a number as a workbook must hold one (a point, at most 15 significant digits): \"%2\"").arg(what, value)), __FILE__, __LINE__);
}

// A number as the file format writes one (xsd:double): a point, never a comma.
bool strictNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^-?(\\d+(\\.\\d*)?|\\.\\d+)([eE][-+]?\\d+)?$"));
    return number.match(text).hasMatch();
}

// Significant digits of a strict number's mantissa.
int significantDigits(const QString& text)
{
    QString digits = text.section(QRegularExpression(QStringLiteral("[eE]")), 0, 0);
    digits.remove(QLatin1Char('-')).remove(QLatin1Char('.'));
    while (digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    while (digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    return int(digits.size());
}

// Every attribute of a part that reads as a number with a decimal comma, and the attributes
// that must be numbers.
void checkNumberAttributes(const QByteArray& xml, const QString& part)
{
    static const QStringList numeric{"width", "ht", "defaultRowHeight", "defaultColWidth", "baseColWidth",
                                     "left", "right", "top", "bottom", "header", "footer"};
    static const QRegularExpression decimalComma(QStringLiteral("^\\s*-?\\d*,\\d+\\s*$"));
    QXmlStreamReader r(xml);
    while (!r.atEnd()) {
        if (r.readNext() != QXmlStreamReader::StartElement)
            continue;
        for (const QXmlStreamAttribute& a : r.attributes()) {
            const QString value = a.value().toString();
            const QString what = QStringLiteral("%1 <%2 %3>").arg(part, r.name().toString(), a.name().toString());
            if (decimalComma.match(value).hasMatch()
                || (numeric.contains(a.name().toString()) && !strictNumber(value)))
                refuse(what, value);
        }
    }
}

QStringList sharedStrings(const QByteArray& xml)
{
    QStringList out;
    QXmlStreamReader r(xml);
    QString current;
    bool inItem = false;
    while (!r.atEnd()) {
        r.readNext();
        if (r.isStartElement() && r.name() == QLatin1String("si")) {
            inItem = true;
            current.clear();
        } else if (r.isStartElement() && r.name() == QLatin1String("t") && inItem) {
            current += r.readElementText();
        } else if (r.isEndElement() && r.name() == QLatin1String("si")) {
            out << current;
            inItem = false;
        }
    }
    return out;
}

struct Style {
    bool bold = false;
    bool textFormat = false;
    QString numberFormat;
    bool border = false;
};

QVector<Style> styles(const QByteArray& xml)
{
    QVector<bool> boldFonts;
    QVector<bool> lined;   // per border: a side with a style
    bool inBorders = false;
    QVector<int> textFormats{49};   // the built-in "@", and any format defined as "@"
    QHash<int, QString> formatCodes;
    QVector<Style> out;
    QXmlStreamReader r(xml);
    bool inFonts = false, inCellXfs = false;
    while (!r.atEnd()) {
        r.readNext();
        const auto name = r.name();
        if (r.isStartElement()) {
            if (name == QLatin1String("numFmt")) {
                const int id = r.attributes().value(QLatin1String("numFmtId")).toInt();
                formatCodes.insert(id, r.attributes().value(QLatin1String("formatCode")).toString());
                if (formatCodes.value(id) == QLatin1String("@"))
                    textFormats << id;
            } else if (name == QLatin1String("fonts"))
                inFonts = true;
            else if (name == QLatin1String("cellXfs"))
                inCellXfs = true;
            else if (name == QLatin1String("borders"))
                inBorders = true;
            else if (inBorders && name == QLatin1String("border"))
                lined << false;
            else if (inBorders && !lined.isEmpty() && r.attributes().hasAttribute(QLatin1String("style")))
                lined.last() = true;
            else if (inFonts && name == QLatin1String("font"))
                boldFonts << false;
            else if (inFonts && name == QLatin1String("b") && !boldFonts.isEmpty())
                boldFonts.last() = true;
            else if (inCellXfs && name == QLatin1String("xf")) {
                const int font = r.attributes().value(QLatin1String("fontId")).toInt();
                Style s;
                s.bold = font < boldFonts.size() && boldFonts.at(font);
                s.textFormat = textFormats.contains(r.attributes().value(QLatin1String("numFmtId")).toInt());
                s.numberFormat = formatCodes.value(r.attributes().value(QLatin1String("numFmtId")).toInt());
                const int border = r.attributes().value(QLatin1String("borderId")).toInt();
                s.border = border < lined.size() && lined.at(border);
                out << s;
            }
        } else if (r.isEndElement()) {
            if (name == QLatin1String("fonts"))
                inFonts = false;
            else if (name == QLatin1String("borders"))
                inBorders = false;
            else if (name == QLatin1String("cellXfs"))
                inCellXfs = false;
        }
    }
    return out;
}

} // namespace

QString XlsxSheet::ref(int column, int row)
{
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(QLatin1Char('A' + (c - 1) % 26)));
    return letters + QString::number(row);
}

XlsxSheet XlsxSheet::read(const QString& path)
{
    XlsxSheet sheet;
    const QStringList strings = sharedStrings(member(path, QStringLiteral("xl/sharedStrings.xml"), false));
    const QByteArray styleXml = member(path, QStringLiteral("xl/styles.xml"));
    checkNumberAttributes(styleXml, QStringLiteral("styles.xml"));
    const QVector<Style> cellStyles = styles(styleXml);

    const QByteArray bookXml = member(path, QStringLiteral("xl/workbook.xml"));
    checkNumberAttributes(bookXml, QStringLiteral("workbook.xml"));
    QXmlStreamReader book(bookXml);
    while (!book.atEnd()) {
        if (book.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (book.name() == QLatin1String("sheet")) {
            sheet.sheetNames << book.attributes().value(QLatin1String("name")).toString();
        } else if (book.name() == QLatin1String("definedName")) {
            const QString name = book.attributes().value(QLatin1String("name")).toString();
            sheet.definedNames.insert(name, book.readElementText());
        }
    }
    QXmlStreamReader core(member(path, QStringLiteral("docProps/core.xml"), false));
    while (!core.atEnd())
        if (core.readNext() == QXmlStreamReader::StartElement && core.name() == QLatin1String("title"))
            sheet.title = core.readElementText();

    const QByteArray sheetXml = member(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    checkNumberAttributes(sheetXml, QStringLiteral("sheet1.xml"));
    QXmlStreamReader r(sheetXml);
    QString ref, type;
    int style = 0;
    while (!r.atEnd()) {
        r.readNext();
        if (!r.isStartElement())
            continue;
        if (r.name() == QLatin1String("col")) {
            const int min = r.attributes().value(QLatin1String("min")).toInt();
            const int max = r.attributes().value(QLatin1String("max")).toInt();
            for (int c = min; c <= max; ++c)
                sheet.columnWidths.insert(c, r.attributes().value(QLatin1String("width")).toDouble());
        } else if (r.name() == QLatin1String("row") && r.attributes().hasAttribute(QLatin1String("ht"))) {
            sheet.rowHeights.insert(r.attributes().value(QLatin1String("r")).toInt(), r.attributes().value(QLatin1String("ht")).toDouble());
        } else if (r.name() == QLatin1String("c")) {
            ref = r.attributes().value(QLatin1String("r")).toString();
            type = r.attributes().value(QLatin1String("t")).toString();
            style = r.attributes().value(QLatin1String("s")).toInt();
            XlsxCell cell;
            cell.bold = style < cellStyles.size() && cellStyles.at(style).bold;
            cell.textFormat = style < cellStyles.size() && cellStyles.at(style).textFormat;
            cell.numberFormat = style < cellStyles.size() ? cellStyles.at(style).numberFormat : QString();
            cell.border = style < cellStyles.size() && cellStyles.at(style).border;
            sheet.cells.insert(ref, cell);
        } else if (r.name() == QLatin1String("brk")) {
            sheet.rowBreaks << r.attributes().value(QLatin1String("id")).toInt();
        } else if (r.name() == QLatin1String("mergeCell")) {
            sheet.merges << r.attributes().value(QLatin1String("ref")).toString();
        } else if (r.name() == QLatin1String("pageSetUpPr")) {
            sheet.fitToPage = r.attributes().value(QLatin1String("fitToPage")) == QLatin1String("1");
        } else if (r.name() == QLatin1String("pageSetup")) {
            const QXmlStreamAttributes a = r.attributes();
            sheet.landscape = a.value(QLatin1String("orientation")) == QLatin1String("landscape");
            if (a.hasAttribute(QLatin1String("fitToWidth")))
                sheet.fitToWidth = a.value(QLatin1String("fitToWidth")).toInt();
            if (a.hasAttribute(QLatin1String("fitToHeight")))
                sheet.fitToHeight = a.value(QLatin1String("fitToHeight")).toInt();
        } else if (r.name() == QLatin1String("v")) {
            const QString v = r.readElementText();
            XlsxCell& cell = sheet.cells[ref];
            if (type == QLatin1String("s")) {
                cell.value = strings.value(v.toInt());
            } else {
                cell.value = v;
                cell.number = type.isEmpty() || type == QLatin1String("n");
                if (cell.number && (!strictNumber(v) || significantDigits(v) > 15))
                    refuse(QStringLiteral("the value of %1").arg(ref), v);
            }
        }
    }
    return sheet;
}
