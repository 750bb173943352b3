#pragma once

#include <QDate>
#include <QString>

// Texts and statements of the entry editor, kept apart from the window so they can be checked
// directly.

// A value rounded to 4 decimals, halves to the even neighbour, written shortest with a comma
// ("12,5", "3", "0,1234").
QString fourDecimalText(double value);

// A painting operation is recognised by the word in its description, in any letter case.
bool isPaintText(const QString& text);

// What a save writes, as the editor's fields hold it.
struct EntryValues {
    int worker = 0;
    int operation = 0;
    int product = 0;
    int shift = 1;
    double price = 0.0;
    QDate date;
    QString quantity;   // trimmed digit texts
    QString defects;
    QString hours;
    int color = 0;
    QDate today;
    int id = 0;         // the changed entry; 0 when adding
};

QString duplicateStatement(const EntryValues& entry);
QString insertStatement(const EntryValues& entry);
QString updateStatement(const EntryValues& entry);

// A digit field's text checked against its column: empty when it is a whole number that fits,
// otherwise the message to show.
QString digitFieldProblem(const QString& caption, const QString& text, qint64 largest);
