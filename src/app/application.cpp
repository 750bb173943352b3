#include "app/application.h"

#include "app/overview_wiring.h"
#include "app/sign_in_wiring.h"
#include "app/start_connection.h"
#include "core/command_line.h"
#include "core/data_module.h"
#include "core/sign_in_window.h"
#include "catalogs/norms_window.h"
#include "catalogs/operation_editor.h"
#include "catalogs/operation_type_editor.h"
#include "catalogs/operation_types_window.h"
#include "catalogs/operations_window.h"
#include "catalogs/product_editor.h"
#include "catalogs/products_window.h"
#include "catalogs/worker_editor.h"
#include "catalogs/workers_window.h"
#include "history/change_log_window.h"
#include "history/entry_history_window.h"
#include "history/month_closing_window.h"
#include "timesheet/requisites_window.h"
#include "journal/entry_editor.h"
#include "journal/journal_window.h"
#include "overview/overview_window.h"
#include "reports/report_layouts.h"
#include "reports/reports_window.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/date_typing.h"
#include "toolkit/error_guard.h"
#include "toolkit/font_substitution.h"
#include "toolkit/guarded_application.h"
#include "toolkit/local_time_zone.h"
#include "toolkit/qt_translations.h"

#include <QFont>
#include <QWidget>

#include <cstdio>

namespace {
QList<QObject*>& createdForms()
{
    static QList<QObject*> forms;
    return forms;
}

template <class Form>
void create(Form*& global)
{
    global = new Form;
    createdForms().append(global);
}
}

void createForms()
{
    wireSignIn();
    create(Form1);
    create(Form23);
    create(Form2);
    create(Form3);
    create(Form4);
    create(Form5);
    create(Form7);
    create(Form8);
    create(Form9);
    create(Form10);
    create(Form11);
    create(Form18);
    create(Form19);
    create(Form21);
    create(Form16);
    create(Form17);
    create(Form20);
    create(Form22);
    create(Form24);
    create(Form25);
    create(Form26);
    create(Form27);
    create(Form29);
    wireOverview();
}

void setProgramFonts()
{
    substituteDesktopFonts();
    QApplication::setFont(QFont(QStringLiteral("Tahoma"), 8));
}

void destroyForms()
{
    while (!createdForms().isEmpty())
        delete createdForms().takeLast();
}

namespace {
// Answered before the window system starts, so that they work without a display.
bool answerCommandLine(int argc, char** argv)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const CommandLineRequest request = commandLineRequest(arguments);
    if (request == CommandLineRequest::Run)
        return false;
    const QString text = request == CommandLineRequest::Help ? helpText() : versionText();
    std::fputs(text.toLocal8Bit().constData(), stdout);
    return true;
}
}

int runApplication(int argc, char** argv)
{
    if (answerCommandLine(argc, argv))
        return 0;
    settleLocalTimeZone();
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Табель"));
    // Ties the windows to the installed menu entry (task bars, Wayland).
    QApplication::setDesktopFileName(QStringLiteral("tabel"));
    installQtTranslations();
    DateTyping::install();
    setProgramFonts();
    QApplication::setQuitOnLastWindowClosed(false);

    DataModule6 = new TDataModule6(&app);
    if (!openStartConnection(app.arguments().mid(1)))
        return 1;
    try {
        createForms();
    } catch (...) {
        showCurrentException();
        destroyForms();
        return 1;
    }
    Form23->show();
    Form23->activateWindow();
    const int code = app.exec();
    destroyForms();
    return code;
}
