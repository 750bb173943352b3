#include "timesheet/t13_export.h"

#include "export/spreadsheet_writer.h"
#include "timesheet/month_names.h"
#include "timesheet/t13_printout.h"
#include "timesheet/t13_sheet.h"

namespace {

using namespace T13Cells;
const int Sheet = 1;
const CellFlags Boxed = Cell::Border | Cell::Centred | Cell::AsText;
const CellFlags Numbers = Cell::Border | Cell::Centred;

void box(int column, int row, int lastColumn, int lastRow, const QString& text, CellFlags flags = Boxed)
{
    if (column == lastColumn && row == lastRow)
        WriteCell(Sheet, column, row, text, flags);
    else
        MergeCells(Sheet, column, row, lastColumn, lastRow, text, flags);
}

void heading(const T13Sheet& sheet)
{
    const Requisites& org = sheet.organisation;
    MergeCells(Sheet, 15, 1, LastColumn, 1, QStringLiteral("Унифицированная форма № Т-13"), Cell::AsText);
    MergeCells(Sheet, 8, 2, 22, 2, QStringLiteral("Утверждена постановлением Госкомстата России от 05.01.2004 № 1"), Cell::AsText);
    box(23, 2, LastColumn, 2, QStringLiteral("Код"));
    MergeCells(Sheet, 1, 3, 18, 3, org.name, Cell::AsText | Cell::Bold | Cell::Centred);
    MergeCells(Sheet, 19, 3, 22, 3, QStringLiteral("Форма по ОКУД"), Cell::AsText);
    box(23, 3, LastColumn, 3, QStringLiteral("0301008"));
    MergeCells(Sheet, 1, 4, 18, 4, QStringLiteral("(наименование организации)"), Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 19, 4, 22, 4, QStringLiteral("по ОКПО"), Cell::AsText);
    box(23, 4, LastColumn, 4, org.okpo);
    MergeCells(Sheet, 1, 5, 18, 5, org.unit, Cell::AsText | Cell::Bold | Cell::Centred);
    MergeCells(Sheet, 1, 6, 18, 6, QStringLiteral("(наименование структурного подразделения)"), Cell::AsText | Cell::Centred);

    MergeCells(Sheet, 2, 8, 12, 8, QStringLiteral("ТАБЕЛЬ учета рабочего времени"), Cell::AsText | Cell::Bold | Cell::Centred);
    box(13, 7, 15, 8, QStringLiteral("Номер документа"));
    box(16, 7, 18, 8, QStringLiteral("Дата составления"));
    box(19, 7, 22, 7, QStringLiteral("Отчетный период"));
    box(19, 8, 20, 8, QStringLiteral("с"));
    box(21, 8, 22, 8, QStringLiteral("по"));
    const QString date = QStringLiteral("dd.MM.yyyy");
    box(13, 9, 15, 9, sheet.heading.documentNumber, Boxed | Cell::Bold);
    box(16, 9, 18, 9, sheet.heading.drawnUp.toString(date), Boxed | Cell::Bold);
    box(19, 9, 20, 9, periodStart(sheet).toString(date), Boxed | Cell::Bold);
    box(21, 9, 22, 9, periodEnd(sheet).toString(date), Boxed | Cell::Bold);
}

void columnTitles()
{
    const int top = FirstTitleRow;
    SetRowHeight(Sheet, top, 36);   // three lines of the pay data's title
    box(Number, top, Number, top + 2, QStringLiteral("№ п/п"));
    box(Name, top, Name, top + 2, QStringLiteral("Фамилия, инициалы, должность"));
    box(WorkerNumber, top, WorkerNumber, top + 2, QStringLiteral("Табельный номер"));
    box(FirstDay, top, Half - 1, top, QStringLiteral("Отметки о явках и неявках на работу по числам месяца"));
    for (int c = 1; c <= T13Column::DaysPerLine; ++c) {
        box(FirstDay + c - 1, top + 1, FirstDay + c - 1, top + 1,
            c == T13Column::DaysPerLine ? QStringLiteral("X") : QString::number(c), Numbers);
        box(FirstDay + c - 1, top + 2, FirstDay + c - 1, top + 2, QString::number(c + 15), Numbers);
    }
    box(Half, top, MonthHours, top, QStringLiteral("Отработано за"));
    box(Half, top + 1, Half, top + 2, QStringLiteral("половину месяца (I, II)"));
    box(MonthDays, top + 1, MonthHours, top + 1, QStringLiteral("месяц"));
    box(MonthDays, top + 2, MonthDays, top + 2, QStringLiteral("дни"));
    box(MonthHours, top + 2, MonthHours, top + 2, QStringLiteral("часы"));
    box(PayCode, top, PayDays, top, QStringLiteral("Данные для начисления заработной платы по видам и направлениям затрат"));
    box(PayCode, top + 1, PayCode, top + 2, QStringLiteral("код вида оплаты"));
    box(PayAccount, top + 1, PayAccount, top + 2, QStringLiteral("корреспондирующий счет"));
    box(PayDays, top + 1, PayDays, top + 2, QStringLiteral("дни (часы)"));
    box(FirstAbsence, top, LastColumn, top, QStringLiteral("Неявки по причинам"));
    for (int pair = 0; pair < T13Column::AbsencePairs; ++pair) {
        const int column = FirstAbsence + 2 * pair;
        box(column, top + 1, column, top + 2, QStringLiteral("код"));
        box(column + 1, top + 1, column + 1, top + 2, QStringLiteral("дни (часы)"));
    }
    // The form's column numbers: the days are column 4, the month's days and hours together 6.
    const std::pair<int, int> numbered[] = {{Number, Number}, {Name, Name}, {WorkerNumber, WorkerNumber}, {FirstDay, Half - 1},
                                            {Half, Half}, {MonthDays, MonthHours}, {PayCode, PayCode}, {PayAccount, PayAccount},
                                            {PayDays, PayDays}};
    int n = 0;
    for (const auto& [first, last] : numbered)
        box(first, ColumnNumbersRow, last, ColumnNumbersRow, QString::number(++n), Numbers);
    for (int column = FirstAbsence; column <= LastColumn; ++column)
        box(column, ColumnNumbersRow, column, ColumnNumbersRow, QString::number(++n), Numbers);
}

void worker(const T13Worker& w, const Requisites& org, int n, int row)
{
    const T13Line& l = w.line;
    const T13PayData pay = t13PayData(org, l);
    box(Number, row, Number, row + 3, QString::number(n), Numbers);
    box(Name, row, Name, row + 3, w.position.isEmpty() ? w.name : w.name + QLatin1Char('\n') + w.position);
    box(WorkerNumber, row, WorkerNumber, row + 3, QString::number(w.number), Numbers);
    for (int line = 0; line < 4; ++line) {
        for (int c = 1; c <= T13Column::DaysPerLine; ++c)
            box(FirstDay + c - 1, row + line, FirstDay + c - 1, row + line, t13DayText(w, line, c), line % 2 ? Numbers : Boxed);
        const int half[4] = {l.halfDays[0], l.halfHours[0], l.halfDays[1], l.halfHours[1]};
        box(Half, row + line, Half, row + line, QString::number(half[line]), Numbers);
        box(PayCode, row + line, PayCode, row + line, line == 0 ? pay.code : QString());
        box(PayAccount, row + line, PayAccount, row + line, line == 0 ? pay.account : QString());
        box(PayDays, row + line, PayDays, row + line, line == 0 ? pay.daysAndHours : QString());
        for (int pair = 0; pair < T13Column::AbsencePairs; ++pair) {
            const int k = pair * T13Column::AbsenceLines + line;
            const bool has = k < l.absences.size();
            const int column = FirstAbsence + 2 * pair;
            box(column, row + line, column, row + line, has ? l.absences.at(k).code : QString());
            box(column + 1, row + line, column + 1, row + line,
                has ? daysAndHours(l.absences.at(k).days, l.absences.at(k).hours) : QString());
        }
    }
    box(MonthDays, row, MonthDays, row + 3, QString::number(l.monthDays), Numbers);
    box(MonthHours, row, MonthHours, row + 3, QString::number(l.monthHours), Numbers);
}

void signatory(int row, const QString& who, const QString& position, const QString& name)
{
    MergeCells(Sheet, 1, row, 3, row, who, Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 4, row, 10, row, position, Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 11, row, 14, row, QStringLiteral("____________"), Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 15, row, 20, row, name, Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 21, row, LastColumn, row, QStringLiteral("«____» ______________ 20___ г."), Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 4, row + 1, 10, row + 1, QStringLiteral("(должность)"), Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 11, row + 1, 14, row + 1, QStringLiteral("(личная подпись)"), Cell::AsText | Cell::Centred);
    MergeCells(Sheet, 15, row + 1, 20, row + 1, QStringLiteral("(расшифровка подписи)"), Cell::AsText | Cell::Centred);
}

void widths()
{
    SetColumnWidth(Sheet, Number, 4);
    SetColumnWidth(Sheet, Name, 24);
    SetColumnWidth(Sheet, WorkerNumber, 8);
    for (int c = FirstDay; c < Half; ++c)
        SetColumnWidth(Sheet, c, 5);
    SetColumnWidth(Sheet, Half, 9);
    SetColumnWidth(Sheet, MonthDays, 6);
    SetColumnWidth(Sheet, MonthHours, 7);
    SetColumnWidth(Sheet, PayCode, 6);
    SetColumnWidth(Sheet, PayAccount, 8);
    SetColumnWidth(Sheet, PayDays, 9);
    for (int pair = 0; pair < T13Column::AbsencePairs; ++pair) {
        SetColumnWidth(Sheet, FirstAbsence + 2 * pair, 5);
        SetColumnWidth(Sheet, FirstAbsence + 2 * pair + 1, 9);
    }
}

} // namespace

QList<int> t13PageBreaks(int workers)
{
    const int first = 6, others = 9;
    const int signatures = 2;   // their six rows take about two workers' room
    QList<int> rows;
    for (int shown = first; shown < workers + signatures; shown += others)
        rows << FirstWorkerRow + 4 * qMin(shown, workers) - 1;
    return rows;
}

bool exportT13Sheet(const T13Sheet& sheet)
{
    if (OpenWorkbook(QStringLiteral("Табель Т-13 ") + monthHeading(sheet.month, sheet.year)) == -1)
        return false;
    ShowWorkbook(false);
    FitPageWidth(Sheet, true);
    RepeatRowsOnEveryPage(Sheet, FirstTitleRow, ColumnNumbersRow);
    BreakPagesBelow(Sheet, t13PageBreaks(int(sheet.workers.size())));
    widths();
    heading(sheet);
    columnTitles();
    int row = FirstWorkerRow;
    for (int i = 0; i < sheet.workers.size(); ++i, row += 4)
        worker(sheet.workers.at(i), sheet.organisation, i + 1, row);
    const Requisites& org = sheet.organisation;
    signatory(row + 1, QStringLiteral("Ответственное лицо"), org.responsiblePos, org.responsibleName);
    signatory(row + 3, QStringLiteral("Руководитель структурного подразделения"), org.headPos, org.headName);
    signatory(row + 5, QStringLiteral("Работник кадровой службы"), org.personnelPos, org.personnelName);
    return ShowWorkbook(true) == 1;
}
