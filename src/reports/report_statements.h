#pragma once

#include <QDate>
#include <QString>

class Dataset;

// The statements of the production reports. Each selects the journal rows from :data1 on and
// before :data2, so the "по" date itself is not counted. Money ("summa", "s_prize") is reckoned
// in numeric from the journal's binary price and comes as text, so that the engine adds the
// server's exact figures: a half kopeck stays a half kopeck until the printed total rounds it.
QString workersReportStatement();           // t_Report of "Отчет по рабочим"
QString productsReportStatement();          // t_Report of "Отчет по продукции"
QString workersDetailReportStatement();     // w_Report of "Детальный отчет по рабочим"
QString productsDetailReportStatement();    // i_Report of "Детальный отчет по продукции"
QString reportSpreadsheetStatement();       // XLS_Rep of the report spreadsheet

// Items of the product-kind choice.
enum ProductKindChoice { AllProducts = 0, FinishedProducts = 1, Blanks = 2 };

// Sets the period parameters data1 and data2 and the product-kind filter on the fetched rows:
// "naimen=0" or "naimen=1", or filtering off for every kind (the filter text stays).
void prepareReportQuery(Dataset& query, const QDate& from, const QDate& to, int productKind);

// "<prefix>DD.MM.YYYY по DD.MM.YYYY", then the product kind in parentheses when one was chosen:
// a filtered report says which part of the output it counts.
QString reportTitle(const QString& prefix, const QDate& from, const QDate& to, int productKind = AllProducts);

// Colour of a line of the printed summaries: " (грунт)" for 1, " (RAL: N)" above 1, " " else.
QString printedColorText(int color);
// Operation of a spreadsheet line: the type alone, with " (грунт)" for 1, " (цвет: N)" above 1.
QString spreadsheetOperationText(const QString& type, int color);
// "Коробки" of a spreadsheet line: up to 15 significant digits, no trailing zeros.
QString boxesText(double mass);
// "Кол-во" of a spreadsheet line: whole, a half going to the even neighbour.
QString quantityText(double quantity);
