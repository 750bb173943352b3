#include "history/month_closing_window.h"

#include "core/data_module.h"
#include "history/admin_login_dialog.h"
#include "history/change_log.h"
#include "history/history_statements.h"
#include "history/month_closing.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/message_box.h"

TForm26* Form26 = nullptr;

namespace {
const QString Caption = QStringLiteral("Закрытие месяца");
}

TForm26::TForm26(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    Months = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("Months"), this);
    Months->setSql(closingMonthsStatement());
    DBGrid1->setColumns({historyColumn("caption", "Месяц", 130), historyColumn("state", "Состояние", 90),
                         historyColumn("closed_at", "Закрыт", 120), historyColumn("closed_by", "Кем", 260)});
    DBGrid1->setDataset(Months);
    connect(Months, &Dataset::currentChanged, this, &TForm26::enableButtons);
    connect(Months, &Dataset::reset, this, &TForm26::enableButtons);
    on(Button1, &QPushButton::clicked, this, &TForm26::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm26::Button2Click);
    on(Button4, &QPushButton::clicked, this, &TForm26::Button4Click);
    enableButtons();
}

void TForm26::ShowMonths()
{
    {
        BusyCursor busy;
        Months->refresh();
    }
    exec();
    Months->close();
}

void TForm26::enableButtons()
{
    const bool chosen = Months->isOpen() && !Months->isEmpty() && Months->currentRow() >= 0;
    const bool closed = chosen && !Months->value(QStringLiteral("closed_at")).isNull();
    Button1->setEnabled(chosen && !closed);
    Button2->setEnabled(chosen && closed);
}

void TForm26::reopenList()
{
    const int month = Months->value(QStringLiteral("month")).toInt();
    const int year = Months->value(QStringLiteral("year")).toInt();
    BusyCursor busy;
    Months->refresh();
    for (int row = 0; row < Months->recordCount(); ++row)
        if (Months->value(row, Months->fieldIndex(QStringLiteral("month"))).toInt() == month
            && Months->value(row, Months->fieldIndex(QStringLiteral("year"))).toInt() == year) {
            Months->setCurrentRow(row);
            break;
        }
}

void TForm26::Button1Click()
{
    if (Months->isEmpty())
        return;
    const QString caption = Months->value(QStringLiteral("caption")).toString();
    if (!MessageBox::ask(QStringLiteral("Закрыть месяц %1? Изменения записей и табеля этого месяца станут невозможны.").arg(caption),
                         Caption))
        return;
    AdminLogin login;
    if (!AdminLoginDialog(this).ask(login))
        return;
    {
        BusyCursor busy;
        closeMonth(Months->value(QStringLiteral("month")).toInt(), Months->value(QStringLiteral("year")).toInt(), login);
    }
    reopenList();
}

void TForm26::Button2Click()
{
    if (Months->isEmpty())
        return;
    const QString caption = Months->value(QStringLiteral("caption")).toString();
    if (!MessageBox::ask(QStringLiteral("Открыть месяц %1? Его записи и табель снова можно будет менять.").arg(caption), Caption))
        return;
    AdminLogin login;
    if (!AdminLoginDialog(this).ask(login))
        return;
    reopenMonth(Months->value(QStringLiteral("month")).toInt(), Months->value(QStringLiteral("year")).toInt(), login);
    reopenList();
}

void TForm26::Button4Click()
{
    close();
}
