#include "support/xlsx_reader.h"

#include <QProcess>
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
};

QVector<Style> styles(const QByteArray& xml)
{
    QVector<bool> boldFonts;
    QVector<int> textFormats{49};   // the built-in "@", and any format defined as "@"
    QVector<Style> out;
    QXmlStreamReader r(xml);
    bool inFonts = false, inCellXfs = false;
    while (!r.atEnd()) {
        r.readNext();
        const auto name = r.name();
        if (r.isStartElement()) {
            if (name == QLatin1String("numFmt") && r.attributes().value(QLatin1String("formatCode")) == QLatin1String("@"))
                textFormats << r.attributes().value(QLatin1String("numFmtId")).toInt();
            else if (name == QLatin1String("fonts"))
                inFonts = true;
            else if (name == QLatin1String("cellXfs"))
                inCellXfs = true;
            else if (inFonts && name == QLatin1String("font"))
                boldFonts << false;
            else if (inFonts && name == QLatin1String("b") && !boldFonts.isEmpty())
                boldFonts.last() = true;
            else if (inCellXfs && name == QLatin1String("xf")) {
                const int font = r.attributes().value(QLatin1String("fontId")).toInt();
                Style s;
                s.bold = font < boldFonts.size() && boldFonts.at(font);
                s.textFormat = textFormats.contains(r.attributes().value(QLatin1String("numFmtId")).toInt());
                out << s;
            }
        } else if (r.isEndElement()) {
            if (name == QLatin1String("fonts"))
                inFonts = false;
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
    const QVector<Style> cellStyles = styles(member(path, QStringLiteral("xl/styles.xml")));

    QXmlStreamReader book(member(path, QStringLiteral("xl/workbook.xml")));
    while (!book.atEnd())
        if (book.readNext() == QXmlStreamReader::StartElement && book.name() == QLatin1String("sheet"))
            sheet.sheetNames << book.attributes().value(QLatin1String("name")).toString();

    QXmlStreamReader r(member(path, QStringLiteral("xl/worksheets/sheet1.xml")));
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
        } else if (r.name() == QLatin1String("c")) {
            ref = r.attributes().value(QLatin1String("r")).toString();
            type = r.attributes().value(QLatin1String("t")).toString();
            style = r.attributes().value(QLatin1String("s")).toInt();
            XlsxCell cell;
            cell.bold = style < cellStyles.size() && cellStyles.at(style).bold;
            cell.textFormat = style < cellStyles.size() && cellStyles.at(style).textFormat;
            sheet.cells.insert(ref, cell);
        } else if (r.name() == QLatin1String("v")) {
            const QString v = r.readElementText();
            XlsxCell& cell = sheet.cells[ref];
            if (type == QLatin1String("s")) {
                cell.value = strings.value(v.toInt());
            } else {
                cell.value = v;
                cell.number = type.isEmpty() || type == QLatin1String("n");
            }
        }
    }
    return sheet;
}
