#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The first sheet of an .xlsx file as the tests read it back: cells by their reference
// ("B3"), with the number/text distinction, bold and the text format, and the column widths.
// Reads the archive through `unzip -p`, strictly: a number, width or margin that the file format
// would not take (a decimal comma, more than 15 significant digits in a value) fails the test.
struct XlsxCell {
    QString value;          // the shared string, or the number as stored ("12.5")
    bool number = false;
    bool bold = false;
    bool textFormat = false;   // number format "@"
    QString numberFormat;      // the code of a format the file defines ("dd.mm.yyyy"), else empty
    bool border = false;       // a line on at least one side
};

class XlsxSheet {
public:
    // Fails the running test (and answers an empty sheet) when the file cannot be read.
    static XlsxSheet read(const QString& path);

    QStringList sheetNames;
    QHash<QString, XlsxCell> cells;
    QHash<int, double> columnWidths;   // 1-based column -> width, only where one is set
    QHash<int, double> rowHeights;     // 1-based row -> height in points, only where one is set
    QStringList merges;                // merged ranges, "A3:R3"
    bool landscape = false;
    bool fitToPage = false;            // printing scaled to fitToWidth x fitToHeight pages (0: as many as needed)
    int fitToWidth = 1, fitToHeight = 1;
    QHash<QString, QString> definedNames;   // of the workbook: "_xlnm.Print_Titles" -> "'Лист1'!$10:$13"
    QList<int> rowBreaks;                   // a page starts below each of these 1-based rows
    QString title;                          // the document's title (docProps/core.xml)

    bool has(int column, int row) const { return cells.contains(ref(column, row)); }
    XlsxCell cell(int column, int row) const { return cells.value(ref(column, row)); }
    QString text(int column, int row) const { return cell(column, row).value; }
    static QString ref(int column, int row);
};
