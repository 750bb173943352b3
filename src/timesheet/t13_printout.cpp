#include "timesheet/t13_printout.h"

#include "export/spreadsheet_writer.h"
#include "history/month_closing.h"
#include "timesheet/month_names.h"
#include "toolkit/report/report_text_fit.h"

#include <QDir>

namespace {

// Columns, mm from the left margin; the printable width is 277.
const double NumLeft = 0, NumWidth = 6;
const double NameLeft = 6, NameWidth = 34;
const double TabLeft = 40, TabWidth = 13;
const double DaysLeft = 53, DayWidth = 7.5;
const double HalfLeft = DaysLeft + T13Column::DaysPerLine * DayWidth;   // 173
const double HalfWidth = 12;
const double MonthDaysLeft = HalfLeft + HalfWidth, MonthDaysWidth = 9;
const double MonthHoursLeft = MonthDaysLeft + MonthDaysWidth, MonthHoursWidth = 10;
// "Данные для начисления заработной платы по видам и направлениям затрат", columns 7-9
const double PayLeft = MonthHoursLeft + MonthHoursWidth;                 // 204
const double PayCodeWidth = 10, PayAccountWidth = 13, PayDaysWidth = 12;
const double AbsenceLeft = PayLeft + PayCodeWidth + PayAccountWidth + PayDaysWidth;   // 239
const double CodeWidth = 7.5, DaysHoursWidth = 11.5;
const double LineHeight = 4;
const double SmallPt = 6, TextPt = 7, TitlePt = 11;
const QString Crossed = QStringLiteral("X");

ReportItem cell(ReportItem item, double top, double height)
{
    item.top = top;
    item.height = height;
    item.framed(ReportFrame::All);
    return item;
}

ReportItem small(ReportItem item)
{
    item.font.pointSize = SmallPt;
    return item;
}

ReportItem boxed(const QString& text, double left, double width, double top, double height)
{
    return cell(small(ReportItem::label(text, left, width).centred()), top, height);
}

// A framed box with its title in lines one under another, centred down the box.
void stacked(std::vector<ReportItem>& items, const QStringList& lines, double left, double width, double top, double height)
{
    items.push_back(boxed(QString(), left, width, top, height));
    const double line = 2.6;
    const double first = top + (height - line * lines.size()) / 2;
    for (int i = 0; i < lines.size(); ++i) {
        ReportItem title = small(ReportItem::label(lines.at(i), left, width).centred());
        title.top = first + i * line;
        title.height = line;
        items.push_back(title);
    }
}

ReportItem at(ReportItem item, double top, double height = 0)
{
    item.top = top;
    item.height = height;
    return item;
}

QString column(const char* name, int n) { return QStringLiteral("%1%2").arg(QLatin1String(name)).arg(n); }

// Text with a caption under its underline: "(наименование организации)".
void underlined(std::vector<ReportItem>& items, const QString& text, const QString& caption, double left, double width, double top)
{
    items.push_back(at(ReportItem::label(text, left, width).centred().framed(ReportFrame::Bottom), top, 4.5));
    items.push_back(at(small(ReportItem::label(caption, left, width).centred()), top + 4.6, 3));
}

ReportBand title(const T13Sheet& sheet)
{
    const Requisites& org = sheet.organisation;
    std::vector<ReportItem> items;
    items.push_back(at(small(ReportItem::label(QStringLiteral("Унифицированная форма № Т-13"), 187, 90).rightAligned()), 0, 3));
    items.push_back(at(small(ReportItem::label(QStringLiteral("Утверждена постановлением Госкомстата России от 05.01.2004 № 1"), 157, 120)
                                 .rightAligned()),
                       3, 3));
    items.push_back(boxed(QStringLiteral("Код"), 252, 25, 7, 4));
    items.push_back(at(small(ReportItem::label(QStringLiteral("Форма по ОКУД"), 212, 39).rightAligned()), 11, 4.5));
    items.push_back(cell(ReportItem::label(QStringLiteral("0301008"), 252, 25).centred(), 11, 4.5));
    items.push_back(at(small(ReportItem::label(QStringLiteral("по ОКПО"), 212, 39).rightAligned()), 15.5, 4.5));
    items.push_back(cell(ReportItem::label(org.okpo, 252, 25).centred(), 15.5, 4.5));
    underlined(items, org.name, QStringLiteral("(наименование организации)"), 0, 205, 10);
    underlined(items, org.unit, QStringLiteral("(наименование структурного подразделения)"), 0, 205, 19);

    const double top = 29;
    items.push_back(boxed(QStringLiteral("Номер документа"), 150, 25, top, 7));
    items.push_back(boxed(QStringLiteral("Дата составления"), 175, 25, top, 7));
    items.push_back(boxed(QStringLiteral("Отчетный период"), 200, 40, top, 3.5));
    items.push_back(boxed(QStringLiteral("с"), 200, 20, top + 3.5, 3.5));
    items.push_back(boxed(QStringLiteral("по"), 220, 20, top + 3.5, 3.5));
    items.push_back(cell(ReportItem::label(sheet.heading.documentNumber, 150, 25).centred().bold(), top + 7, 4.5));
    const QString date = QStringLiteral("dd.MM.yyyy");
    items.push_back(cell(ReportItem::label(sheet.heading.drawnUp.toString(date), 175, 25).centred().bold(), top + 7, 4.5));
    items.push_back(cell(ReportItem::label(periodStart(sheet).toString(date), 200, 20).centred().bold(), top + 7, 4.5));
    items.push_back(cell(ReportItem::label(periodEnd(sheet).toString(date), 220, 20).centred().bold(), top + 7, 4.5));
    items.push_back(at(ReportItem::label(QStringLiteral("ТАБЕЛЬ"), 0, 148).rightAligned().withFont(QString(), TitlePt, true), top + 4, 5.5));
    items.push_back(at(ReportItem::label(QStringLiteral("учета рабочего времени"), 0, 148).rightAligned().bold(), top + 9.5, 4));
    return ReportBand(45, items);
}

// Three rows of titles and one of column numbers, on every page.
ReportBand columnHeader()
{
    const double h1 = 8, h2 = 5, h3 = 5, all = h1 + h2 + h3, numbers = 3.5;
    const double payAccountLeft = PayLeft + PayCodeWidth, payDaysLeft = payAccountLeft + PayAccountWidth;
    std::vector<ReportItem> items{
        boxed(QStringLiteral("Отметки о явках и неявках на работу по числам месяца"), DaysLeft, HalfLeft - DaysLeft, 0, h1),
        boxed(QStringLiteral("Отработано за"), HalfLeft, PayLeft - HalfLeft, 0, h1),
        boxed(QStringLiteral("месяц"), MonthDaysLeft, MonthDaysWidth + MonthHoursWidth, h1, h2),
        boxed(QStringLiteral("дни"), MonthDaysLeft, MonthDaysWidth, h1 + h2, h3),
        boxed(QStringLiteral("часы"), MonthHoursLeft, MonthHoursWidth, h1 + h2, h3),
        boxed(QStringLiteral("Неявки по причинам"), AbsenceLeft, 277 - AbsenceLeft, 0, h1),
    };
    stacked(items, {QStringLiteral("№"), QStringLiteral("п/п")}, NumLeft, NumWidth, 0, all);
    stacked(items, {QStringLiteral("Фамилия, инициалы,"), QStringLiteral("должность")}, NameLeft, NameWidth, 0, all);
    stacked(items, {QStringLiteral("Табельный"), QStringLiteral("номер")}, TabLeft, TabWidth, 0, all);
    stacked(items, {QStringLiteral("половину"), QStringLiteral("месяца"), QStringLiteral("(I, II)")}, HalfLeft, HalfWidth, h1, h2 + h3);
    stacked(items, {QStringLiteral("Данные для начисления"), QStringLiteral("заработной платы по видам"), QStringLiteral("и направлениям затрат")},
            PayLeft, AbsenceLeft - PayLeft, 0, h1);
    stacked(items, {QStringLiteral("код"), QStringLiteral("вида"), QStringLiteral("оплаты")}, PayLeft, PayCodeWidth, h1, h2 + h3);
    stacked(items, {QStringLiteral("корреспон-"), QStringLiteral("дирующий"), QStringLiteral("счет")}, payAccountLeft, PayAccountWidth, h1,
            h2 + h3);
    stacked(items, {QStringLiteral("дни"), QStringLiteral("(часы)")}, payDaysLeft, PayDaysWidth, h1, h2 + h3);
    for (int day = 1; day <= T13Column::DaysPerLine; ++day) {
        const double left = DaysLeft + (day - 1) * DayWidth;
        items.push_back(boxed(day == T13Column::DaysPerLine ? Crossed : QString::number(day), left, DayWidth, h1, h2));
        items.push_back(boxed(QString::number(day + 15), left, DayWidth, h1 + h2, h3));
    }
    for (int pair = 0; pair < T13Column::AbsencePairs; ++pair) {
        const double left = AbsenceLeft + pair * (CodeWidth + DaysHoursWidth);
        stacked(items, {QStringLiteral("код")}, left, CodeWidth, h1, h2 + h3);
        stacked(items, {QStringLiteral("дни"), QStringLiteral("(часы)")}, left + CodeWidth, DaysHoursWidth, h1, h2 + h3);
    }
    // The form numbers its columns 1 to 13, the month's days and hours together being 6.
    const std::pair<double, double> numbered[] = {
        {NumLeft, NumWidth},
        {NameLeft, NameWidth},
        {TabLeft, TabWidth},
        {DaysLeft, HalfLeft - DaysLeft},
        {HalfLeft, HalfWidth},
        {MonthDaysLeft, MonthDaysWidth + MonthHoursWidth},
        {PayLeft, PayCodeWidth},
        {payAccountLeft, PayAccountWidth},
        {payDaysLeft, PayDaysWidth},
        {AbsenceLeft, CodeWidth},
        {AbsenceLeft + CodeWidth, DaysHoursWidth},
        {AbsenceLeft + CodeWidth + DaysHoursWidth, CodeWidth},
        {AbsenceLeft + 2 * CodeWidth + DaysHoursWidth, DaysHoursWidth},
    };
    for (int i = 0; i < int(std::size(numbered)); ++i)
        items.push_back(boxed(QString::number(i + 1), numbered[i].first, numbered[i].second, all, numbers));
    return ReportBand(all + numbers, items);
}

// One line of the block's ruling: across from `left` at `top`, or down the whole block.
ReportItem across(double left, double width, double top)
{
    return at(ReportItem::label(QString(), left, width).framed(ReportFrame::Top), top, 0.1);
}

ReportItem down(double left, double height)
{
    return at(ReportItem::label(QString(), left, 0.1).framed(ReportFrame::Left), 0, height);
}

// A worker's four lines. The ruling is drawn as whole lines, one per edge of the block's cells,
// rather than a frame per cell: a 300-worker month then draws a tenth of the lines.
ReportBand workerBlock()
{
    const double all = 4 * LineHeight;
    const double right = AbsenceLeft + T13Column::AbsencePairs * (CodeWidth + DaysHoursWidth);
    std::vector<ReportItem> items{
        ReportItem::field(QStringLiteral("n"), NumLeft, NumWidth).centred(),
        at(ReportItem::field(QStringLiteral("name"), NameLeft + 1, NameWidth - 2), 0, 2 * LineHeight),
        at(small(ReportItem::field(QStringLiteral("position1"), NameLeft + 1, NameWidth - 2)), 2 * LineHeight, LineHeight),
        at(small(ReportItem::field(QStringLiteral("position2"), NameLeft + 1, NameWidth - 2)), 3 * LineHeight, LineHeight),
        ReportItem::field(QStringLiteral("number"), TabLeft, TabWidth).centred(),
        ReportItem::field(QStringLiteral("mdays"), MonthDaysLeft, MonthDaysWidth).centred(),
        ReportItem::field(QStringLiteral("mhours"), MonthHoursLeft, MonthHoursWidth).centred(),
        at(ReportItem::field(QStringLiteral("pcode"), PayLeft, PayCodeWidth).centred(), 0, LineHeight),
        at(ReportItem::field(QStringLiteral("paccount"), PayLeft + PayCodeWidth, PayAccountWidth).centred(), 0, LineHeight),
        at(ReportItem::field(QStringLiteral("pdays"), PayLeft + PayCodeWidth + PayAccountWidth, PayDaysWidth).centred(), 0, LineHeight),
        // the block's top is the column heading's bottom or the block above's
        at(ReportItem::label(QString(), 0, right).framed(ReportFrame::Bottom), 0, all),
    };
    for (int line = 1; line < 4; ++line) {
        items.push_back(across(DaysLeft, MonthDaysLeft - DaysLeft, line * LineHeight));
        items.push_back(across(PayLeft, right - PayLeft, line * LineHeight));
    }
    for (double left : {NumLeft, NameLeft, TabLeft, HalfLeft, MonthDaysLeft, MonthHoursLeft, PayLeft, PayLeft + PayCodeWidth,
                        PayLeft + PayCodeWidth + PayAccountWidth, right})
        items.push_back(down(left, all));
    for (int c = 1; c < T13Column::DaysPerLine; ++c)
        items.push_back(down(DaysLeft + c * DayWidth, all));
    for (int pair = 0; pair < T13Column::AbsencePairs; ++pair) {
        const double left = AbsenceLeft + pair * (CodeWidth + DaysHoursWidth);
        items.push_back(down(left, all));
        items.push_back(down(left + CodeWidth, all));
    }
    for (int line = 0; line < 4; ++line) {
        const double top = line * LineHeight;
        for (int c = 1; c <= T13Column::DaysPerLine; ++c)
            items.push_back(at(ReportItem::field(column(line % 2 ? "h" : "c", (line / 2) * T13Column::DaysPerLine + c),
                                                 DaysLeft + (c - 1) * DayWidth, DayWidth)
                                   .centred(),
                               top, LineHeight));
        items.push_back(at(ReportItem::field(column("half", line), HalfLeft, HalfWidth).centred(), top, LineHeight));
        for (int pair = 0; pair < T13Column::AbsencePairs; ++pair) {
            const int n = pair * T13Column::AbsenceLines + line;
            const double left = AbsenceLeft + pair * (CodeWidth + DaysHoursWidth);
            items.push_back(at(ReportItem::field(column("ac", n), left, CodeWidth).centred(), top, LineHeight));
            items.push_back(at(ReportItem::field(column("av", n), left + CodeWidth, DaysHoursWidth).centred(), top, LineHeight));
        }
    }
    return ReportBand(all, items);
}

// Position, signature and name of one signatory, with the date line.
void signatory(std::vector<ReportItem>& items, const QString& who, const QString& position, const QString& name, double top)
{
    items.push_back(at(small(ReportItem::label(who, 0, 52)), top, 4.5));
    underlined(items, position, QStringLiteral("(должность)"), 53, 62, top);
    underlined(items, QString(), QStringLiteral("(личная подпись)"), 118, 32, top);
    underlined(items, name, QStringLiteral("(расшифровка подписи)"), 153, 52, top);
    items.push_back(at(ReportItem::label(QStringLiteral("«____» ______________ 20___ г."), 212, 65).rightAligned(), top, 4.5));
}

ReportGroup signatures(const Requisites& org)
{
    ReportGroup group;
    std::vector<ReportItem> items;
    signatory(items, QStringLiteral("Ответственное лицо"), org.responsiblePos, org.responsibleName, 5);
    signatory(items, QStringLiteral("Руководитель структурного подразделения"), org.headPos, org.headName, 15);
    signatory(items, QStringLiteral("Работник кадровой службы"), org.personnelPos, org.personnelName, 25);
    group.footer = ReportBand(34, items);
    return group;
}

QStringList rowColumns()
{
    QStringList columns{QStringLiteral("n"),      QStringLiteral("name"),  QStringLiteral("position1"), QStringLiteral("position2"),
                        QStringLiteral("number"), QStringLiteral("mdays"), QStringLiteral("mhours"),    QStringLiteral("pcode"),
                        QStringLiteral("paccount"), QStringLiteral("pdays")};
    for (int i = 1; i <= 2 * T13Column::DaysPerLine; ++i)
        columns << column("c", i) << column("h", i);
    for (int line = 0; line < 4; ++line)
        columns << column("half", line);
    for (int n = 0; n < T13Column::AbsencePairs * T13Column::AbsenceLines; ++n)
        columns << column("ac", n) << column("av", n);
    return columns;
}

class T13RowReader : public ReportRowReader {
public:
    explicit T13RowReader(const T13Sheet& sheet) : m_sheet(sheet), m_columns(rowColumns()) {}
    QStringList columns() const override { return m_columns; }
    int sizeHint() const override { return int(m_sheet.workers.size()); }
    bool next(QVector<QVariant>& row) override
    {
        if (m_next >= m_sheet.workers.size())
            return false;
        const T13Worker& w = m_sheet.workers.at(m_next++);
        const T13Line& l = w.line;
        row.clear();
        const QStringList position = t13PositionLines(w.position);
        const T13PayData pay = t13PayData(m_sheet.organisation, l);
        row << m_next << w.name << position.value(0) << position.value(1) << w.number << l.monthDays << l.monthHours << pay.code
            << pay.account << pay.daysAndHours;
        for (int i = 1; i <= 2 * T13Column::DaysPerLine; ++i) {
            const int half = (i - 1) / T13Column::DaysPerLine;
            const int c = (i - 1) % T13Column::DaysPerLine + 1;
            row << t13DayText(w, 2 * half, c) << t13DayText(w, 2 * half + 1, c);
        }
        row << l.halfDays[0] << l.halfHours[0] << l.halfDays[1] << l.halfHours[1];
        for (int n = 0; n < T13Column::AbsencePairs * T13Column::AbsenceLines; ++n) {
            if (n < l.absences.size())
                row << l.absences.at(n).code << daysAndHours(l.absences.at(n).days, l.absences.at(n).hours);
            else
                row << QVariant() << QVariant();
        }
        return true;
    }

private:
    T13Sheet m_sheet;
    QStringList m_columns;
    int m_next = 0;
};

} // namespace

QStringList t13PositionLines(const QString& position)
{
    static ReportTextFit fit;
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(SmallPt);
    const double room = NameWidth - 2 - 2 * ReportTextFit::Inset;
    const QString text = position.simplified();
    if (fit.width(font, text) <= room)
        return {text};
    // The longest run of whole words that fits the first line; a first word too long alone goes whole.
    const QStringList words = text.split(QLatin1Char(' '));
    int taken = 1;
    while (taken < words.size() && fit.width(font, words.mid(0, taken + 1).join(QLatin1Char(' '))) <= room)
        ++taken;
    return {words.mid(0, taken).join(QLatin1Char(' ')), words.mid(taken).join(QLatin1Char(' '))};
}

T13PayData t13PayData(const Requisites& organisation, const T13Line& line)
{
    if (organisation.payCode.isEmpty() && organisation.payAccount.isEmpty())
        return {};
    return {organisation.payCode, organisation.payAccount, line.monthDays > 0 ? daysAndHours(line.monthDays, line.monthHours) : QString()};
}

QString t13DayText(const T13Worker& worker, int line, int cell)
{
    const int day = (line / 2) * 15 + cell;   // line 0/1: days 1..16, line 2/3: days 16..31
    if ((line < 2 && cell == T13Column::DaysPerLine) || day > worker.line.days.size())
        return Crossed;
    const T13Day& d = worker.line.days.at(day - 1);
    return line % 2 ? d.hours : d.code;
}

ReportLayout t13Layout(const T13Sheet& sheet)
{
    ReportLayout layout;
    layout.page.landscape = true;
    layout.page.font = {QStringLiteral("Arial"), TextPt, false};
    layout.page.zoom = ReportPageSetup::WholePage;
    layout.title = title(sheet);
    layout.columnHeader = columnHeader();
    layout.groups = {signatures(sheet.organisation)};
    layout.detail = workerBlock();
    layout.pageFooter = ReportBand(4.5, {at(small(ReportItem::label(QStringLiteral("Табель № %1 за %2")
                                                                        .arg(sheet.heading.documentNumber,
                                                                             monthInSentence(monthHeading(sheet.month, sheet.year))),
                                                                    0, 150)),
                                            1, 3.5),
                                         at(small(ReportItem::label(QStringLiteral("Лист"), 250, 12).rightAligned()), 1, 3.5),
                                         at(small(ReportItem::pageNumber(264, 13)), 1, 3.5)});
    return layout;
}

std::unique_ptr<ReportRowReader> t13Rows(const T13Sheet& sheet)
{
    return std::make_unique<T13RowReader>(sheet);
}

QString t13PdfPath(int month, int year)
{
    return QDir(workbookFolder()).filePath(QStringLiteral("Табель Т-13 ") + monthHeading(month, year) + QStringLiteral(".pdf"));
}
