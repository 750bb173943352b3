#include "export/spreadsheet_writer.h"

#include "toolkit/desktop.h"
#include "toolkit/message_box.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>

#include <xlsxwriter.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

const int MaxColumns = 16384;
const int MaxRows = 1048576;

QString caption() { return QStringLiteral("Ошибка"); }
QString openFailure() { return QStringLiteral("Ошибка открытия файла Microsoft Excel."); }

// The value of a text that reads as a number, as a spreadsheet program takes typed input.
bool readNumber(const QString& text, double* value)
{
    // Whole numbers, most cells of the exports, without the pattern.
    if (!text.isEmpty() && text.size() < 10) {
        bool whole = false;
        const int number = text.toInt(&whole);
        if (whole) {
            *value = number;
            return true;
        }
    }
    static const QRegularExpression number(QStringLiteral("\\A\\s*[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?\\s*\\z"));
    if (!number.match(text).hasMatch())
        return false;
    bool ok = false;
    *value = text.trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    return ok && std::isfinite(*value);
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
        for (int i = 0; i < 4; ++i) {
            m_formats[i] = workbook_add_format(m_book);
            if (i & 1)
                format_set_num_format_index(m_formats[i], 49);   // the built-in text format "@"
            if (i & 2)
                format_set_bold(m_formats[i]);
        }
    }
    ~Workbook() { finish(); }

    QString path() const { return m_path; }

    lxw_error write(int column, int row, const QString& text, CellFlags flags)
    {
        lxw_format* format = flags.testFlag(Cell::AsText) || flags.testFlag(Cell::Bold)
            ? m_formats[(flags.testFlag(Cell::AsText) ? 1 : 0) | (flags.testFlag(Cell::Bold) ? 2 : 0)]
            : nullptr;
        double number = 0;
        const lxw_error error = !flags.testFlag(Cell::AsText) && readNumber(text, &number)
            ? worksheet_write_number(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), number, format)
            : worksheet_write_string(m_sheet, lxw_row_t(row - 1), lxw_col_t(column - 1), text.toUtf8().constData(), format);
        if (error != LXW_NO_ERROR)
            return error;
        double& widest = m_widths[column];
        widest = qMax(widest, widthOf(text, flags.testFlag(Cell::Bold)));
        if (flags.testFlag(Cell::AutoFit))
            m_fitted.insert(column);
        return LXW_NO_ERROR;
    }

    // Writes the file; true when it is on disk.
    bool finish()
    {
        if (!m_book)
            return m_written;
        for (int column : std::as_const(m_fitted))
            worksheet_set_column(m_sheet, lxw_col_t(column - 1), lxw_col_t(column - 1), m_widths.value(column), nullptr);
        m_written = workbook_close(m_book) == LXW_NO_ERROR;
        m_book = nullptr;
        return m_written;
    }

private:
    lxw_workbook* m_book;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_formats[4] = {};
    QString m_path;
    QHash<int, double> m_widths;   // widest content per column
    QSet<int> m_fitted;            // columns asked to fit
    bool m_written = false;
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
    const QString path = QDir().mkpath(folder) ? newFilePath(folder, title) : QString();
    QFile probe(path);
    lxw_workbook* book = nullptr;
    if (!path.isEmpty() && probe.open(QIODevice::WriteOnly)) {
        probe.close();
        book = workbook_new(QFile::encodeName(path).constData());
    }
    if (!book) {
        if (!path.isEmpty())
            QFile::remove(path);
        MessageBox::stop(openFailure(), caption());
        return -1;
    }
    current() = std::make_unique<Workbook>(book, path);
    return 1;
}

int ShowWorkbook(bool visible)
{
    if (!current() || !visible)
        return 1;
    const std::unique_ptr<Workbook> workbook = std::move(current());
    if (!workbook->finish()) {
        MessageBox::stop(openFailure(), caption());
        return -1;
    }
    if (!Desktop::openFile(workbook->path())) {
        // The file is done; only the desktop has no program for it. Say where it is.
        const QString path = QDir::toNativeSeparators(workbook->path());
        if (MessageBox::ask(QStringLiteral("Файл сохранен, но открыть его не удалось:\n%1\n\nОткрыть папку с файлом?").arg(path),
                            QStringLiteral("Файл не открыт")))
            Desktop::openFile(QFileInfo(workbook->path()).absolutePath());
        return -1;
    }
    return 1;
}

int WriteCell(int sheet, int column, int row, const QString& text, CellFlags flags)
{
    if (text.isEmpty())
        return 1;
    const auto message = [&] { return QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3").arg(sheet).arg(column).arg(row); };
    if (!current() || sheet != 1) {
        MessageBox::stop(message(), QStringLiteral("Ошибочный номер листа Microsoft Excel"));
        return -1;
    }
    if (column < 1 || column > MaxColumns || row < 1 || row > MaxRows
        || current()->write(column, row, text, flags) != LXW_NO_ERROR) {
        MessageBox::stop(message(), QStringLiteral("Ошибка Microsoft Excel"));
        return -1;
    }
    return 1;
}
