#include "export/spreadsheet_writer.h"

#include "export/xlsx_numbers.h"
#include "toolkit/desktop.h"
#include "toolkit/message_box.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QVarLengthArray>
#include <QStandardPaths>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace {

const int MaxColumns = 16384;
const int MaxRows = 1048576;

QString caption() { return QStringLiteral("Ошибка"); }
QString openFailure() { return QStringLiteral("Ошибка открытия файла Microsoft Excel."); }

// The box's detail: which file and why, in the system's words.
void reportOpenFailure(const QString& path, const QString& reason)
{
    MessageBox::stop(openFailure(), caption(),
                     QStringLiteral("Файл: %1\nПричина: %2").arg(QDir::toNativeSeparators(path), reason));
}

// libxlsxwriter prints numbers, column widths and margins with printf, which follows the C
// library's numeric locale: a decimal comma under ru_RU, where the file needs a point. The C
// locale is put in place for this thread only and only while the library works, so the rest of
// the program and its other threads keep theirs whatever the caller did with setlocale().
class CNumbers {
public:
    CNumbers() : m_previous(uselocale(cLocale())) {}
    ~CNumbers() { uselocale(m_previous); }
    CNumbers(const CNumbers&) = delete;
    CNumbers& operator=(const CNumbers&) = delete;

private:
    static locale_t cLocale()
    {
        static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t(0));
        return c;
    }
    locale_t m_previous;
};

// The value of a text that reads as a number, as a spreadsheet program takes typed input:
// blanks around, a sign, digits with a comma or point as the separator, an exponent.
bool readNumber(const QString& text, double* value)
{
    const QChar* begin = text.constBegin();
    const QChar* end = text.constEnd();
    while (begin != end && begin->isSpace())
        ++begin;
    while (end != begin && (end - 1)->isSpace())
        --end;
    QVarLengthArray<char, 64> ascii;
    const QChar* p = begin;
    const auto digits = [&] {
        const QChar* start = p;
        for (; p != end && p->unicode() >= '0' && p->unicode() <= '9'; ++p)
            ascii.append(char(p->unicode()));
        return p != start;
    };
    if (p != end && (*p == QLatin1Char('+') || *p == QLatin1Char('-')))
        ascii.append(char((p++)->unicode()));
    bool mantissa = digits();
    if (p != end && (*p == QLatin1Char('.') || *p == QLatin1Char(','))) {
        ++p;
        ascii.append('.');
        mantissa = digits() || mantissa;
    }
    if (!mantissa)
        return false;
    if (p != end && (*p == QLatin1Char('e') || *p == QLatin1Char('E'))) {
        ascii.append('e');
        if (++p != end && (*p == QLatin1Char('+') || *p == QLatin1Char('-')))
            ascii.append(char((p++)->unicode()));
        if (!digits())
            return false;
    }
    if (p != end)
        return false;
    const char* first = ascii.constData() + (ascii.front() == '+' ? 1 : 0);
    const auto [last, error] = std::from_chars(first, ascii.constData() + ascii.size(), *value);
    return error == std::errc() && last == ascii.constData() + ascii.size() && std::isfinite(*value);
}

// Column width, in the spreadsheet's character units, that shows a text whole; 255 is the
// widest a column can be (a wider value wraps around in the file).
double widthOf(const QString& text, bool bold)
{
    return std::min(255.0, std::ceil(text.size() * (bold ? 1.15 : 1.05)) + 1.0);
}

QString fileTitle(const QString& title)
{
    QString name = title.trimmed().isEmpty() ? QStringLiteral("Книга") : title.trimmed();
    static const QRegularExpression unsafe(QStringLiteral("[/\\\\:*?\"<>|]"));
    return name.replace(unsafe, QStringLiteral("_"));
}

// One workbook being filled; its file is written when it is finished.
class Workbook {
public:
    Workbook(lxw_workbook* book, const QString& path) : m_book(book), m_path(path)
    {
        m_sheet = workbook_add_worksheet(m_book, "Лист1");
    }
    ~Workbook() { finish(); }

    // Frees the workbook unwritten and removes its place in the folder.
    void discard()
    {
        if (!m_book)
            return;
        lxw_workbook_free(m_book);
        m_book = nullptr;
        QFile::remove(m_path);
    }

    QString path() const { return m_path; }

    // A date, or a date and time, as the spreadsheet's own day number in a date format.
    lxw_error writeDate(int column, int row, const QDateTime& value, bool withTime, CellFlags flags)
    {
        const char* code = withTime ? "dd.mm.yyyy hh:mm:ss" : "dd.mm.yyyy";
        lxw_format*& format = m_dateFormats[(withTime ? 1 : 0) | (flags.testFlag(Cell::Bold) ? 2 : 0)];
        if (!format) {
            format = workbook_add_format(m_book);
            format_set_num_format(format, code);
            if (flags.testFlag(Cell::Bold))
                format_set_bold(format);
        }
        const QDate day = value.date();
        const QTime time = value.time();
        lxw_datetime when = {day.year(), day.month(), day.day(), withTime ? time.hour() : 0, withTime ? time.minute() : 0,
                             withTime ? double(time.second()) : 0.0};
        CNumbers numbers;
        const lxw_error error = worksheet_write_datetime(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), &when, format);
        if (error == LXW_NO_ERROR)
            noteWidth(column, QString::fromLatin1(code), flags);
        return error;
    }

    lxw_error write(int column, int row, const QString& text, CellFlags flags)
    {
        CNumbers numbers;
        lxw_format* format = formatFor(flags);
        double number = 0;
        const lxw_error error = text.isEmpty()
            ? worksheet_write_blank(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), format)
            : !flags.testFlag(Cell::AsText) && readNumber(text, &number)
            ? worksheet_write_number(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), number, format)
            : worksheet_write_string(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), text.toUtf8().constData(), format);
        if (error != LXW_NO_ERROR)
            return error;
        noteWidth(column, text, flags);
        return LXW_NO_ERROR;
    }

    lxw_error merge(int column, int row, int lastColumn, int lastRow, const QString& text, CellFlags flags)
    {
        {
            CNumbers numbers;
            const lxw_error error = worksheet_merge_range(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), lxw_row_t(lastRow - 1),
                                                          lxw_col_t(lastColumn - 1), "", formatFor(flags));
            if (error != LXW_NO_ERROR)
                return error;
        }
        // The range is written as an empty text; its first cell then takes the value.
        return text.isEmpty() ? LXW_NO_ERROR : write(column, row, text, flags & ~CellFlags(Cell::AutoFit));
    }

    lxw_error setWidth(int column, double width)
    {
        CNumbers numbers;
        m_fitted.remove(column);
        return worksheet_set_column(m_sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), width, nullptr);
    }

    lxw_error setHeight(int row, double points)
    {
        CNumbers numbers;
        return worksheet_set_row(m_sheet, lxw_row_t(row - 1), points, nullptr);
    }

    lxw_error repeatRows(int firstRow, int lastRow)
    {
        return worksheet_repeat_rows(m_sheet, lxw_row_t(firstRow - 1), lxw_row_t(lastRow - 1));
    }

    lxw_error breakPagesBelow(const QList<int>& rows)
    {
        // A break given as n falls between the 1-based rows n and n + 1; the list ends with 0.
        std::vector<lxw_row_t> breaks(rows.cbegin(), rows.cend());
        breaks.push_back(0);
        return worksheet_set_h_pagebreaks(m_sheet, breaks.data());
    }

    void fitPageWidth(bool landscape)
    {
        worksheet_set_paper(m_sheet, 9);   // A4
        if (landscape)
            worksheet_set_landscape(m_sheet);
        worksheet_fit_to_pages(m_sheet, 1, 0);
    }

    // Writes the file; answers the system's reason when it is not on disk, and then no part of
    // it is left behind.
    QString finish()
    {
        if (!m_book)
            return m_failure;
        lxw_error error;
        int cause;
        {
            CNumbers numbers;
            for (int column : std::as_const(m_fitted))
                worksheet_set_column(m_sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), m_widths.value(column), nullptr);
            errno = 0;
            error = workbook_close(m_book);
            cause = errno;
        }
        m_book = nullptr;
        if (error != LXW_NO_ERROR)
            m_failure = cause ? QString::fromLocal8Bit(std::strerror(cause)) : QString::fromUtf8(lxw_strerror(error));
        else
            m_failure = shortenSheetNumbers(m_path);
        if (!m_failure.isEmpty())
            QFile::remove(m_path);
        return m_failure;
    }

private:
    void noteWidth(int column, const QString& text, CellFlags flags)
    {
        double& widest = m_widths[column];
        widest = qMax(widest, widthOf(text, flags.testFlag(Cell::Bold)));
        if (flags.testFlag(Cell::AutoFit))
            m_fitted.insert(column);
    }

    // One format per combination of flags, made when first asked for; none for plain cells.
    lxw_format* formatFor(CellFlags flags)
    {
        flags &= ~CellFlags(Cell::AutoFit);
        if (!flags)
            return nullptr;
        lxw_format*& format = m_formats[int(flags)];
        if (!format) {
            format = workbook_add_format(m_book);
            if (flags.testFlag(Cell::AsText))
                format_set_num_format_index(format, 49);   // the built-in text format "@"
            if (flags.testFlag(Cell::Bold))
                format_set_bold(format);
            if (flags.testFlag(Cell::Border))
                format_set_border(format, LXW_BORDER_THIN);
            if (flags.testFlag(Cell::Centred)) {
                format_set_align(format, LXW_ALIGN_CENTER);
                format_set_align(format, LXW_ALIGN_VERTICAL_CENTER);
                format_set_text_wrap(format);
            }
        }
        return format;
    }

    lxw_workbook* m_book;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_formats[32] = {};   // by the flags; the workbook owns them
    lxw_format* m_dateFormats[4] = {};   // date or date and time, plain or bold
    QString m_path;
    QHash<int, double> m_widths;   // widest content per column
    QSet<int> m_fitted;            // columns asked to fit
    QString m_failure;
};

std::unique_ptr<Workbook>& current()
{
    static std::unique_ptr<Workbook> workbook;
    return workbook;
}

QString newFilePath(const QString& folder, const QString& title)
{
    const QString stem = fileTitle(title) + QLatin1Char(' ')
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    QString path = QDir(folder).filePath(stem + QLatin1String(".xlsx"));
    for (int n = 2; QFile::exists(path); ++n)
        path = QDir(folder).filePath(QStringLiteral("%1 (%2).xlsx").arg(stem).arg(n));
    return path;
}

} // namespace

QString workbookFolder()
{
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (documents.isEmpty())
        documents = QDir::homePath();
    return QDir(documents).filePath(QStringLiteral("Tabel"));
}

int OpenWorkbook(const QString& title)
{
    current().reset();   // the workbook before is finished and stays on disk unopened
    const QString folder = workbookFolder();
    const QString path = newFilePath(folder, title);
    // The file is written when the workbook is finished; trying the place now spares the user
    // filling a workbook that cannot be kept.
    std::error_code folderError;
    std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), folderError);
    if (folderError) {
        reportOpenFailure(path, QString::fromLocal8Bit(folderError.message().c_str()));
        return -1;
    }
    QFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) {
        reportOpenFailure(path, probe.errorString());
        return -1;
    }
    probe.close();
    lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
    if (!book) {
        QFile::remove(path);
        reportOpenFailure(path, QString::fromLocal8Bit(std::strerror(ENOMEM)));
        return -1;
    }
    // The title a spreadsheet program shows in the document's properties and prints in headers.
    const QByteArray documentTitle = fileTitle(title).toUtf8();
    lxw_doc_properties properties{};
    properties.title = const_cast<char*>(documentTitle.constData());   // copied by the library
    workbook_set_properties(book, &properties);
    current() = std::make_unique<Workbook>(book, path);
    return 1;
}

int ShowWorkbook(bool visible)
{
    if (!current() || !visible)
        return 1;
    const std::unique_ptr<Workbook> workbook = std::move(current());
    const QString failure = workbook->finish();
    if (!failure.isEmpty()) {
        reportOpenFailure(workbook->path(), failure);
        return -1;
    }
    if (!Desktop::openFile(workbook->path())) {
        // The file is done; only the desktop has no program for it. Say where it is.
        const QString path = QDir::toNativeSeparators(workbook->path());
        const QString folder = QFileInfo(workbook->path()).absolutePath();
        if (MessageBox::ask(QStringLiteral("Файл сохранен, но открыть его не удалось:\n%1\n\nОткрыть папку с файлом?").arg(path),
                            QStringLiteral("Файл не открыт"))
            && !Desktop::openFile(folder))
            MessageBox::inform(QStringLiteral("Открыть папку не удалось. Файл лежит в папке:\n%1").arg(QDir::toNativeSeparators(folder)),
                               QStringLiteral("Файл не открыт"));
        return -1;
    }
    return 1;
}

void DiscardWorkbook()
{
    if (const std::unique_ptr<Workbook> workbook = std::move(current()))
        workbook->discard();
}

int WriteCell(int sheet, int column, int row, const QString& text, CellFlags flags)
{
    if (text.isEmpty() && !flags.testFlag(Cell::Border))
        return 1;
    const auto fail = [&](const QString& title) {
        MessageBox::stop(QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3").arg(sheet).arg(column).arg(row), title);
        return -1;
    };
    if (!current() || sheet != 1)
        return fail(QStringLiteral("Ошибочный номер листа Microsoft Excel"));
    if (column < 1 || column > MaxColumns || row < 1 || row > MaxRows
        || current()->write(column, row, text, flags) != LXW_NO_ERROR)
        return fail(QStringLiteral("Ошибка Microsoft Excel"));
    return 1;
}

namespace {
// The workbook being filled for a call on `sheet`; the user has been told when there is none.
Workbook* target(int sheet, const QString& where)
{
    if (current() && sheet == 1)
        return current().get();
    MessageBox::stop(QStringLiteral("Ошибка при записи: лист %1, %2").arg(sheet).arg(where),
                     QStringLiteral("Ошибочный номер листа Microsoft Excel"));
    return nullptr;
}

int answer(lxw_error error, const QString& where)
{
    if (error == LXW_NO_ERROR)
        return 1;
    MessageBox::stop(QStringLiteral("Ошибка при записи: %1").arg(where), QStringLiteral("Ошибка Microsoft Excel"));
    return -1;
}
} // namespace

int MergeCells(int sheet, int column, int row, int lastColumn, int lastRow, const QString& text, CellFlags flags)
{
    const QString where = QStringLiteral("столбцы %1-%2, строки %3-%4").arg(column).arg(lastColumn).arg(row).arg(lastRow);
    Workbook* book = target(sheet, where);
    if (!book)
        return -1;
    if (column < 1 || lastColumn < column || lastColumn > MaxColumns || row < 1 || lastRow < row || lastRow > MaxRows)
        return answer(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE, where);
    return answer(book->merge(column, row, lastColumn, lastRow, text, flags), where);
}

int WriteDateCell(int sheet, int column, int row, const QDateTime& value, bool withTime, CellFlags flags)
{
    if (!value.isValid())
        return 1;
    const QString where = QStringLiteral("столбец %1, строка %2").arg(column).arg(row);
    Workbook* book = target(sheet, where);
    if (!book)
        return -1;
    if (column < 1 || column > MaxColumns || row < 1 || row > MaxRows)
        return answer(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE, where);
    return answer(book->writeDate(column, row, value, withTime, flags), where);
}

int SetColumnWidth(int sheet, int column, double width)
{
    const QString where = QStringLiteral("столбец %1").arg(column);
    Workbook* book = target(sheet, where);
    if (!book)
        return -1;
    if (column < 1 || column > MaxColumns)
        return answer(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE, where);
    return answer(book->setWidth(column, width), where);
}

int SetRowHeight(int sheet, int row, double points)
{
    const QString where = QStringLiteral("строка %1").arg(row);
    Workbook* book = target(sheet, where);
    if (!book)
        return -1;
    return answer(book->setHeight(row, points), where);
}

int RepeatRowsOnEveryPage(int sheet, int firstRow, int lastRow)
{
    const QString where = QStringLiteral("строки %1-%2").arg(firstRow).arg(lastRow);
    Workbook* book = target(sheet, where);
    if (!book)
        return -1;
    return answer(book->repeatRows(firstRow, lastRow), where);
}

int BreakPagesBelow(int sheet, const QList<int>& rows)
{
    const QString where = QStringLiteral("разрывы страниц");
    Workbook* book = target(sheet, where);
    if (!book)
        return -1;
    return answer(book->breakPagesBelow(rows), where);
}

int FitPageWidth(int sheet, bool landscape)
{
    Workbook* book = target(sheet, QStringLiteral("параметры страницы"));
    if (!book)
        return -1;
    book->fitPageWidth(landscape);
    return 1;
}
