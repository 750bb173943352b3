#include "export/spreadsheet_writer.h"
#include "support/test_database.h"
#include "support/xlsx_reader.h"
#include "toolkit/desktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstring>

Q_DECLARE_METATYPE(CellFlags)

// The spreadsheet writer, read back from the files it writes. The user's home is a temporary
// folder, so the workbooks land in <tmp>/Documents/Tabel.
class TestExport : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cellsReadBack_data();
    void cellsReadBack();
    void autofitFitsLongestContent();
    void emptyTextWritesNothing();
    void badSheetWritesNothing_data();
    void badSheetWritesNothing();
    void badCellIsReported_data();
    void badCellIsReported();
    void unwritableFolderRefusesWorkbook();
    void numbersWhateverTheLocale_data();
    void numbersWhateverTheLocale();
    void fullDiskLeavesNoFile();
    void readOnlyFolderRefusesWorkbook();
    void showHandsFinishedFileToDesktop();
    void newWorkbookFinishesThePreviousOne();
    void desktopWithoutSpreadsheetProgram_data();
    void desktopWithoutSpreadsheetProgram();

private:
    // Opens a workbook, lets `fill` write into it, shows it and reads the file back.
    XlsxSheet written(const std::function<void()>& fill);
    // Files, hidden ones too, left in the workbook folder.
    QStringList leftInFolder() const;
    // The failure box: the one text, the full path of the file and the system's reason below.
    void checkFailureBox(const MessageLog& log, const QString& reason) const;

    QTemporaryDir m_home;
    QStringList m_opened;
    bool m_openerWorks = true;
};

void TestExport::initTestCase()
{
    QVERIFY(m_home.isValid());
    useHomeFolder(m_home.path());
    QCOMPARE(workbookFolder(), m_home.filePath(QStringLiteral("Documents/Tabel")));
}

void TestExport::init()
{
    m_opened.clear();
    m_openerWorks = true;
    Desktop::setOpener([this](const QString& path) {
        m_opened << path;
        return m_openerWorks;
    });
}

void TestExport::cleanup()
{
    ShowWorkbook(true);   // nothing left pending for the next test
    Desktop::setOpener({});
    QDir(m_home.filePath(QStringLiteral("Documents"))).removeRecursively();
    QFile::remove(m_home.filePath(QStringLiteral("Documents")));
}

XlsxSheet TestExport::written(const std::function<void()>& fill)
{
    if (OpenWorkbook(QStringLiteral("Проба")) != 1)
        return {};
    fill();
    if (ShowWorkbook(true) != 1 || m_opened.size() != 1)
        return {};
    return XlsxSheet::read(m_opened.first());
}

QStringList TestExport::leftInFolder() const
{
    return QDir(workbookFolder()).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void TestExport::checkFailureBox(const MessageLog& log, const QString& reason) const
{
    QCOMPARE(log.texts(), QStringList{"Ошибка открытия файла Microsoft Excel."});
    QCOMPARE(log.shown().first().caption, QStringLiteral("Ошибка"));
    const QString detail = log.shown().first().detail;
    const QString path = QDir::toNativeSeparators(workbookFolder()) + QDir::separator();
    QVERIFY2(detail.contains(path) && detail.contains(QStringLiteral(".xlsx")), qPrintable(detail));
    QVERIFY2(detail.contains(reason), qPrintable(detail + " / " + reason));
}

void TestExport::cellsReadBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<CellFlags>("flags");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("number");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("textFormat");

    QTest::newRow("text") << "Марка" << CellFlags() << "Марка" << false << false << false;
    QTest::newRow("comma decimal") << "12,5" << CellFlags() << "12.5" << true << false << false;
    QTest::newRow("point decimal") << "0.25" << CellFlags() << "0.25" << true << false << false;
    QTest::newRow("negative integer") << "-3" << CellFlags() << "-3" << true << false << false;
    QTest::newRow("leading zeros make a number") << "007" << CellFlags() << "7" << true << false << false;
    QTest::newRow("as text keeps the digits") << "007" << CellFlags(Cell::AsText) << "007" << false << false << true;
    QTest::newRow("as text decimal") << "12,5" << CellFlags(Cell::AsText) << "12,5" << false << false << true;
    QTest::newRow("number and words") << "1 из 2" << CellFlags() << "1 из 2" << false << false << false;
    QTest::newRow("blanks around a number") << " 12,5 " << CellFlags() << "12.5" << true << false << false;
    QTest::newRow("plus sign") << "+3" << CellFlags() << "3" << true << false << false;
    QTest::newRow("separator first") << ",5" << CellFlags() << "0.5" << true << false << false;
    QTest::newRow("separator last") << "5." << CellFlags() << "5" << true << false << false;
    QTest::newRow("exponent") << "1,5e3" << CellFlags() << "1500" << true << false << false;
    QTest::newRow("exponent without digits") << "1e" << CellFlags() << "1e" << false << false << false;
    QTest::newRow("separator alone") << "," << CellFlags() << "," << false << false << false;
    QTest::newRow("two separators") << "1,2,3" << CellFlags() << "1,2,3" << false << false << false;
    QTest::newRow("two signs") << "--1" << CellFlags() << "--1" << false << false << false;
    QTest::newRow("too large for a number") << "1e400" << CellFlags() << "1e400" << false << false << false;
    QTest::newRow("bold text") << "Итого" << CellFlags(Cell::Bold) << "Итого" << false << true << false;
    QTest::newRow("bold number") << "31" << CellFlags(Cell::Bold | Cell::AutoFit) << "31" << true << true << false;
    QTest::newRow("as text and bold") << "Сентябрь 2023" << CellFlags(Cell::AsText | Cell::AutoFit | Cell::Bold) << "Сентябрь 2023" << false << true << true;
    // Spreadsheet programs keep 15 significant digits; the 16th is noise of the binary value.
    QTest::newRow("sixteen digits") << "8255.666999999999" << CellFlags() << "8255.667" << true << false << false;
    QTest::newRow("binary noise") << "0.30000000000000004" << CellFlags() << "0.3" << true << false << false;
    QTest::newRow("more digits than kept") << "123456789012345678" << CellFlags() << "1.23456789012346e+17" << true << false << false;
    QTest::newRow("quote and apostrophe") << "O'Neil \"A\"" << CellFlags() << "O'Neil \"A\"" << false << false << false;
}

void TestExport::cellsReadBack()
{
    QFETCH(QString, text);
    QFETCH(CellFlags, flags);
    QFETCH(QString, stored);
    QFETCH(bool, number);
    QFETCH(bool, bold);
    QFETCH(bool, textFormat);

    MessageLog log;
    const XlsxSheet sheet = written([&] { QCOMPARE(WriteCell(1, 2, 3, text, flags), 1); });
    QVERIFY(log.shown().isEmpty());
    QCOMPARE(sheet.sheetNames, QStringList{"Лист1"});
    QVERIFY(sheet.has(2, 3));
    const XlsxCell cell = sheet.cell(2, 3);
    QCOMPARE(cell.value, stored);
    QCOMPARE(cell.number, number);
    QCOMPARE(cell.bold, bold);
    QCOMPARE(cell.textFormat, textFormat);
    QCOMPARE(sheet.cells.size(), 1);
}

void TestExport::autofitFitsLongestContent()
{
    const QString longText = QStringLiteral("Сидоров-Петровский Александр Николаевич");
    const XlsxSheet sheet = written([&] {
        WriteCell(1, 1, 1, QStringLiteral("Фамилия И.О."), Cell::AsText | Cell::AutoFit | Cell::Bold);
        WriteCell(1, 1, 2, longText, Cell::AsText | Cell::AutoFit);
        WriteCell(1, 2, 1, QStringLiteral("1"), Cell::AutoFit);
        WriteCell(1, 3, 1, longText);   // not asked to fit
        WriteCell(1, 4, 1, QString(300, QLatin1Char('x')), Cell::AutoFit);
    });
    QVERIFY(sheet.columnWidths.contains(1));
    QVERIFY2(sheet.columnWidths.value(1) >= longText.size(), qPrintable(QString::number(sheet.columnWidths.value(1))));
    QVERIFY(sheet.columnWidths.contains(2));
    QVERIFY(sheet.columnWidths.value(2) < 8.43);   // narrower than the default for a single digit
    QVERIFY(!sheet.columnWidths.contains(3));
    QCOMPARE(sheet.text(3, 1), longText);
    QVERIFY2(sheet.columnWidths.value(4) >= 255.0, qPrintable(QString::number(sheet.columnWidths.value(4))));   // the widest a column can be
}

void TestExport::emptyTextWritesNothing()
{
    MessageLog log;
    const XlsxSheet sheet = written([&] {
        QCOMPARE(WriteCell(1, 1, 1, QString(), Cell::AsText | Cell::AutoFit | Cell::Bold), 1);
        QCOMPARE(WriteCell(7, 1, 2, QString()), 1);   // not even the sheet is looked at
        WriteCell(1, 2, 1, QStringLiteral("x"));
    });
    QVERIFY(log.shown().isEmpty());
    QVERIFY(!sheet.has(1, 1));
    QVERIFY(!sheet.columnWidths.contains(1));
    QCOMPARE(sheet.cells.size(), 1);
}

void TestExport::badSheetWritesNothing_data()
{
    QTest::addColumn<int>("sheetNumber");
    QTest::newRow("sheet 0") << 0;
    QTest::newRow("sheet 2") << 2;
    QTest::newRow("negative") << -1;
}

void TestExport::badSheetWritesNothing()
{
    QFETCH(int, sheetNumber);
    MessageLog log;
    const XlsxSheet sheet = written([&] {
        QCOMPARE(WriteCell(sheetNumber, 3, 4, QStringLiteral("12"), Cell::Bold), -1);
        QCOMPARE(WriteCell(1, 3, 5, QStringLiteral("13")), 1);   // the next cell goes on as usual
    });
    QCOMPARE(log.shown().size(), 1);
    QCOMPARE(log.shown().first().text, QStringLiteral("Ошибка при записи: лист %1, столбец 3, строка 4").arg(sheetNumber));
    QCOMPARE(log.shown().first().caption, QStringLiteral("Ошибочный номер листа Microsoft Excel"));
    QCOMPARE(log.shown().first().icon, MessageBox::Icon::Stop);
    QVERIFY(!sheet.has(3, 4));
    QCOMPARE(sheet.text(3, 5), QStringLiteral("13"));
}

void TestExport::badCellIsReported_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::newRow("column 0") << 0 << 1 << "a";
    QTest::newRow("row 0") << 1 << 0 << "a";
    QTest::newRow("past the last column") << 16385 << 1 << "a";
    QTest::newRow("text longer than a cell holds") << 1 << 1 << QString(40000, QLatin1Char('x'));
}

void TestExport::badCellIsReported()
{
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, text);
    MessageLog log;
    const XlsxSheet sheet = written([&] {
        QCOMPARE(WriteCell(1, column, row, text), -1);
        WriteCell(1, 2, 2, QStringLiteral("дальше"));
    });
    QCOMPARE(log.texts(), QStringList{QStringLiteral("Ошибка при записи: лист 1, столбец %1, строка %2").arg(column).arg(row)});
    QCOMPARE(log.shown().first().caption, QStringLiteral("Ошибка Microsoft Excel"));
    QCOMPARE(sheet.cells.keys(), QStringList{"B2"});
}

void TestExport::unwritableFolderRefusesWorkbook()
{
    QFile blocker(m_home.filePath(QStringLiteral("Documents")));   // a file where the folder should be
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    MessageLog log;
    QCOMPARE(OpenWorkbook(QStringLiteral("Цены")), -1);
    checkFailureBox(log, QString::fromLocal8Bit(std::strerror(ENOTDIR)));

    log.clear();
    QCOMPARE(WriteCell(1, 1, 1, QStringLiteral("x")), -1);   // there is no workbook to write into
    QCOMPARE(log.shown().first().caption, QStringLiteral("Ошибочный номер листа Microsoft Excel"));
    QCOMPARE(ShowWorkbook(true), 1);
    QVERIFY(m_opened.isEmpty());
}

// The library prints numbers with the C library, which follows LC_NUMERIC; the file needs a
// point whatever the desktop's locale, and the program's own locale stays as it was.
void TestExport::numbersWhateverTheLocale_data()
{
    QTest::addColumn<QByteArray>("locale");
    QTest::addColumn<QString>("decimalPoint");
    QTest::newRow("Russian desktop") << QByteArray("ru_RU.UTF-8") << ",";
    QTest::newRow("C") << QByteArray("C.UTF-8") << ".";
}

void TestExport::numbersWhateverTheLocale()
{
    QFETCH(QByteArray, locale);
    QFETCH(QString, decimalPoint);
    const QByteArray before = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, locale.constData()))
        QFAIL(qPrintable("the locale " + locale + " is not installed (scripts/install-deps makes it)"));
    const auto restore = qScopeGuard([&] { std::setlocale(LC_ALL, before.constData()); });

    const XlsxSheet sheet = written([] {
        WriteCell(1, 1, 1, QStringLiteral("Сидоров-Петровский Александр"), Cell::AsText | Cell::AutoFit);
        WriteCell(1, 2, 1, QStringLiteral("1958,083"), Cell::AutoFit);
        WriteCell(1, 3, 1, QStringLiteral("0.7"));
    });
    QCOMPARE(sheet.text(2, 1), QStringLiteral("1958.083"));
    QCOMPARE(sheet.text(3, 1), QStringLiteral("0.7"));
    QVERIFY(sheet.columnWidths.value(1) > 28);
    QCOMPARE(QString::fromLatin1(std::localeconv()->decimal_point), decimalPoint);
}

void TestExport::fullDiskLeavesNoFile()
{
    // A file size limit stands for a full disk: every write past it fails with EFBIG.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit unlimited = limit;
    MessageLog log;
    QCOMPARE(OpenWorkbook(QStringLiteral("Табель")), 1);
    for (int row = 1; row <= 200; ++row)
        WriteCell(1, 1, row, QStringLiteral("Строка %1 табеля").arg(row));
    limit.rlim_cur = 2048;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const int shown = ShowWorkbook(true);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &unlimited), 0);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(shown, -1);
    checkFailureBox(log, QString::fromLocal8Bit(std::strerror(EFBIG)));
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(leftInFolder(), QStringList());
}

void TestExport::readOnlyFolderRefusesWorkbook()
{
    // As root permissions stop no write; a read-only mount does.
    QVERIFY(QDir().mkpath(workbookFolder()));
    const QByteArray folder = QFile::encodeName(workbookFolder());
    QString reason;
    if (::mount("tabel-test", folder.constData(), "tmpfs", MS_RDONLY, "size=64k") == 0) {
        reason = QString::fromLocal8Bit(std::strerror(EROFS));
    } else if (geteuid() != 0) {
        QFile::setPermissions(workbookFolder(), QFile::ReadOwner | QFile::ExeOwner);
        reason = QString::fromLocal8Bit(std::strerror(EACCES));
    } else {
        QSKIP("running as root without the right to mount: nothing makes a folder read-only");
    }
    const auto release = qScopeGuard([&] {
        if (::umount(folder.constData()) != 0)
            QFile::setPermissions(workbookFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    });

    MessageLog log;
    QCOMPARE(OpenWorkbook(QStringLiteral("Цены")), -1);
    checkFailureBox(log, reason);
    QCOMPARE(leftInFolder(), QStringList());
}

void TestExport::showHandsFinishedFileToDesktop()
{
    QCOMPARE(ShowWorkbook(true), 1);   // no workbook: nothing happens
    QVERIFY(m_opened.isEmpty());

    QCOMPARE(OpenWorkbook(QStringLiteral("Табель")), 1);
    QCOMPARE(ShowWorkbook(false), 1);
    WriteCell(1, 1, 1, QStringLiteral("Сентябрь 2023"), Cell::AsText);
    QVERIFY(m_opened.isEmpty());
    QCOMPARE(ShowWorkbook(true), 1);
    QCOMPARE(m_opened.size(), 1);

    const QFileInfo file(m_opened.first());
    QCOMPARE(file.absolutePath(), workbookFolder());
    QVERIFY2(file.fileName().startsWith(QStringLiteral("Табель 20")) && file.fileName().endsWith(QStringLiteral(".xlsx")),
             qPrintable(file.fileName()));
    QCOMPARE(XlsxSheet::read(file.filePath()).text(1, 1), QStringLiteral("Сентябрь 2023"));

    QCOMPARE(ShowWorkbook(true), 1);   // already handed over
    QCOMPARE(m_opened.size(), 1);
}

void TestExport::newWorkbookFinishesThePreviousOne()
{
    QCOMPARE(OpenWorkbook(QStringLiteral("Отчет")), 1);
    WriteCell(1, 1, 1, QStringLiteral("первый"));
    QCOMPARE(OpenWorkbook(QStringLiteral("Отчет")), 1);
    WriteCell(1, 1, 1, QStringLiteral("второй"));
    QCOMPARE(ShowWorkbook(true), 1);

    QCOMPARE(m_opened.size(), 1);
    const QStringList files = QDir(workbookFolder()).entryList({QStringLiteral("*.xlsx")}, QDir::Files);
    QCOMPARE(files.size(), 2);
    const QString first = files.at(0) == QFileInfo(m_opened.first()).fileName() ? files.at(1) : files.at(0);
    QCOMPARE(XlsxSheet::read(QDir(workbookFolder()).filePath(first)).text(1, 1), QStringLiteral("первый"));
    QCOMPARE(XlsxSheet::read(m_opened.first()).text(1, 1), QStringLiteral("второй"));
}

void TestExport::desktopWithoutSpreadsheetProgram_data()
{
    QTest::addColumn<bool>("openFolder");
    QTest::addColumn<bool>("fileManager");
    QTest::newRow("open the folder") << true << true;
    QTest::newRow("no file manager either") << true << false;
    QTest::newRow("leave it") << false << true;
}

void TestExport::desktopWithoutSpreadsheetProgram()
{
    QFETCH(bool, openFolder);
    QFETCH(bool, fileManager);
    Desktop::setOpener([&](const QString& path) {
        m_opened << path;
        return fileManager && QFileInfo(path).isDir();
    });
    MessageLog log;
    if (!openFolder)
        log.answer({false});
    QCOMPARE(OpenWorkbook(), 1);
    WriteCell(1, 1, 1, QStringLiteral("x"));
    QCOMPARE(ShowWorkbook(true), -1);

    // The user learns where the finished file is, and it is there.
    QCOMPARE(log.shown().size(), openFolder && !fileManager ? 2 : 1);
    const QString file = m_opened.first();
    QVERIFY(QFileInfo(file).fileName().startsWith(QStringLiteral("Книга ")));
    QVERIFY2(log.shown().first().text.contains(QDir::toNativeSeparators(file)), qPrintable(log.shown().first().text));
    QCOMPARE(log.shown().first().icon, MessageBox::Icon::Question);
    QVERIFY(!log.shown().first().text.contains(QStringLiteral("Невозможно открыть Microsoft Excel.")));
    QCOMPARE(XlsxSheet::read(file).text(1, 1), QStringLiteral("x"));
    // Yes opens the folder that holds it; No opens nothing more.
    const QStringList expected = openFolder ? QStringList{file, workbookFolder()} : QStringList{file};
    QCOMPARE(m_opened, expected);
    // Without a file manager the folder's path is shown instead.
    if (openFolder && !fileManager) {
        QCOMPARE(log.shown().last().icon, MessageBox::Icon::Information);
        QVERIFY2(log.shown().last().text.contains(QDir::toNativeSeparators(workbookFolder())), qPrintable(log.shown().last().text));
    }
}

QTEST_MAIN(TestExport)
#include "tst_export.moc"
