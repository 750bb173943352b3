#include "clerk_round.h"

#include "app/application.h"
#include "catalogs/products_window.h"
#include "catalogs/workers_window.h"
#include "core/data_module.h"
#include "core/operation_names.h"
#include "core/sign_in_window.h"
#include "journal/entry_editor.h"
#include "journal/journal_window.h"
#include "reports/reports_window.h"
#include "timesheet/timesheet_window.h"
#include "toolkit/message_box.h"
#include "toolkit/report/report_preview.h"

#include <QEventLoop>
#include <QKeyEvent>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <cstdlib>

namespace {

const QString AdministratorCode = QStringLiteral("9723");

QVariant scalar(const QString& connection, const QString& statement)
{
    QSqlQuery q(QSqlDatabase::database(connection));
    if (!q.exec(statement) || !q.next())
        clerkFail(statement + QLatin1String(": ") + q.lastError().text());
    return q.value(0);
}

void fillEditor(TForm11* editor, const NewEntry& e)
{
    editor->FWorkerId = e.worker;
    editor->FOperationId = e.operation;
    editor->FProductId = e.product;
    editor->FPrice = e.price;
    editor->Edit1->setText(e.workerName);
    editor->Edit2->setText(e.description);
    editor->Edit3->setText(QStringLiteral("12"));
    editor->Edit4->setText(QStringLiteral("0"));
    editor->Edit6->setText(QStringLiteral("2"));
}

void typeKey(QWidget* box, const QString& text)
{
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(box, &release);
}

} // namespace

void clerkFail(const QString& why)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(why));
    std::exit(1);
}

NewEntry newEntryOfFloor(const QString& connection)
{
    NewEntry e;
    e.worker = scalar(connection, QStringLiteral("select max(id) from accounts_dep.person")).toInt();
    e.workerName = scalar(connection, QStringLiteral("select trim(fio) from accounts_dep.person where id=%1").arg(e.worker)).toString();
    QSqlQuery q(QSqlDatabase::database(connection));
    if (!q.exec(QStringLiteral("select o.id, o.i_id, o.cena_new, i.marka, v.vid, o.naimen from accounts_dep.oper o "
                               "join accounts_dep.izdel i on i.id=o.i_id join accounts_dep.vid_oper v on v.id=o.vid "
                               "where o.vid > 2 and not exists (select 1 from accounts_dep.smena s where s.o_id=o.id "
                               "and s.data='%1') order by o.id limit 1")
                    .arg(ClerkToday.toString(Qt::ISODate)))
        || !q.next())
        clerkFail(QStringLiteral("no operation for a new entry: ") + q.lastError().text());
    e.operation = q.value(0).toInt();
    e.product = q.value(1).toInt();
    e.price = q.value(2).toDouble();
    e.description = operationDescription(q.value(3).toString(), q.value(4).toString(), q.value(5).toInt());
    return e;
}

void timeAction(const ActionClock& clock, const QString& action, const std::function<void()>& work)
{
    clock.start();
    work();
    clock.stop(action);
}

void runAsClerk(QStringList& shown)
{
    MessageBox::setPresenter([&shown](const MessageBox::Shown& box) {
        if (box.icon != MessageBox::Icon::Question)
            shown << box.text + QLatin1Char(' ') + box.detail;
        return true;
    });
    setProgramFonts();
    QApplication::setQuitOnLastWindowClosed(false);
}

void signInToJournal(const ActionClock& clock, const std::function<void()>& inJournal)
{
    timeShown<TForm23>(clock, QStringLiteral("sign-in window shown (in process)"), [] {
        Form23->show();
        // The sign-in runs the rest from inside the journal's own loop, then closes.
        QEventLoop loop;
        QTimer closed;
        closed.setInterval(10);
        QObject::connect(&closed, &QTimer::timeout, [&] {
            if (!Form23->isVisible())
                loop.quit();
        });
        closed.start();
        loop.exec();
    }, [&](TForm23* signIn) {
        signIn->Edit1->setText(AdministratorCode);
        timeShown<TForm1>(clock, QStringLiteral("sign-in to the journal shown"), [signIn] { signIn->Button1Click(); },
                          [&](TForm1* journal) {
                              // The version check every 30 s belongs to no action.
                              journal->Timer1->stop();
                              inJournal();
                          });
    });
}

void journalRound(const ActionClock& clock, const NewEntry& entry, const QString& direct)
{
    for (const QDate& day : {ClerkNextDay, ClerkToday})
        timeAction(clock, QStringLiteral("day switched"), [&] {
            Form1->DateT->setDate(day);
            Form1->DateTCloseUp();
        });
    for (QRadioButton* shift : {Form1->RadioButton2, Form1->RadioButton1})
        timeAction(clock, QStringLiteral("shift switched"), [&] { shift->setChecked(true); });

    onceShown<TForm11>([] { Form1->Button1Click(); }, [&](TForm11* editor) {
        fillEditor(editor, entry);
        timeAction(clock, QStringLiteral("entry saved, new"), [&] { editor->Button1Click(); });
    });
    const int added = scalar(direct, QStringLiteral("select max(id) from accounts_dep.smena")).toInt();
    if (!DataModule6->Smena1->locate(QStringLiteral("id"), added))
        clerkFail(QStringLiteral("the new entry is not in the journal"));
    onceShown<TForm11>([] { Form1->Button2Click(); }, [&](TForm11* editor) {
        editor->Edit3->setText(QStringLiteral("14"));
        timeAction(clock, QStringLiteral("entry saved, changed"), [&] { editor->Button1Click(); });
    });
    DataModule6->Smena1->locate(QStringLiteral("id"), added);
    timeAction(clock, QStringLiteral("acceptance switched"), [] { Form1->DBGrid2DblClick(); });
    DataModule6->Smena1->locate(QStringLiteral("id"), added);
    timeAction(clock, QStringLiteral("entry deleted"), [] { Form1->Button3Click(); });
    if (scalar(direct, QStringLiteral("select count(*) from accounts_dep.smena where id=%1").arg(added)).toInt() != 0)
        clerkFail(QStringLiteral("the entry was not deleted"));

    timeShown<TForm19>(clock, QStringLiteral("time sheet opened on a month"), [] { Form1->N11Click(); },
                       [&](TForm19* sheet) {
                           timeAction(clock, QStringLiteral("month rebuilt"), [&] { sheet->Button1Click(); });
                       });
    onceShown<TForm18>([] { Form1->N10Click(); }, [&](TForm18* reports) {
        timeShown<ReportPreviewWindow>(
            clock, QStringLiteral("report's first page (by workers, a month)"), [&] { reports->Button4Click(); }, {},
            [](ReportPreviewWindow* preview) { return preview->pages()->pageCount() > 0; });
    });
    timeShown<TForm5>(clock, QStringLiteral("workers list opened"), [] { Form1->N1Click(); });
    timeShown<TForm3>(clock, QStringLiteral("products list opened"), [] { Form1->N3Click(); });
    onceShown<TForm11>([] { Form1->Button1Click(); }, [&](TForm11* editor) {
        onceShown<TForm5>([&] { editor->Button3Click(); }, [&](TForm5* picker) {
            timeAction(clock, QStringLiteral("picker's search keystroke"), [&] { typeKey(picker->Edit1, QStringLiteral("Р")); });
        });
    });
}
