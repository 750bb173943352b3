#include "history/month_closing_window.h"

#include "core/data_module.h"
#include "history/admin_login_dialog.h"
#include "history/change_log.h"
#include "history/history_statements.h"
#include "history/month_closing.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/message_box.h"

#include <QHeaderView>
#include <QStyledItemDelegate>

TForm26* Form26 = nullptr;

namespace {
const QString Caption = QStringLiteral("Закрытие месяца");
const QString ReopenCaption = QStringLiteral("Открытие месяца");

// The last closing of a month opened again reads grey beside the open months' state.
class EarlierClosingDelegate : public QStyledItemDelegate {
public:
    EarlierClosingDelegate(Dataset* months, QObject* parent) : QStyledItemDelegate(parent), m_months(months) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (m_months->value(index.row(), m_months->fieldIndex(QStringLiteral("closed_at"))).isNull())
            option->palette.setColor(QPalette::Text, option->palette.color(QPalette::Disabled, QPalette::Text));
    }

private:
    Dataset* m_months;
};
}

TForm26::TForm26(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    Months = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("Months"), this);
    Months->setSql(closingMonthsStatement());
    DBGrid1->setColumns({historyColumn("caption", "Месяц", 130), historyColumn("state", "Состояние", 90),
                         historyColumn("closed_when", "Закрыт", 230), historyColumn("closed_by", "Кем", 220)});
    // The four columns fit the window; "Кем" takes what is left.
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    DBGrid1->setDataset(Months);
    auto* earlier = new EarlierClosingDelegate(Months, DBGrid1);
    DBGrid1->setItemDelegateForColumn(DBGrid1->columnOf(QStringLiteral("closed_when")), earlier);
    DBGrid1->setItemDelegateForColumn(DBGrid1->columnOf(QStringLiteral("closed_by")), earlier);
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
    const QString caption = monthInSentence(Months->value(QStringLiteral("caption")).toString());
    if (!MessageBox::ask(QStringLiteral("Закрыть табель за %1? Изменения записей и табеля этого месяца станут невозможны.").arg(caption),
                         Caption))
        return;
    const int month = Months->value(QStringLiteral("month")).toInt();
    const int year = Months->value(QStringLiteral("year")).toInt();
    if (!asAdministrator([&](const AdminLogin& login) { closeMonth(month, year, login); }))
        return;
    reopenList();
    MessageBox::inform(QStringLiteral("%1 г. закрыт.").arg(Months->value(QStringLiteral("caption")).toString()), Caption);
}

void TForm26::Button2Click()
{
    if (Months->isEmpty())
        return;
    const QString caption = monthInSentence(Months->value(QStringLiteral("caption")).toString());
    if (!MessageBox::ask(QStringLiteral("Открыть табель за %1? Его записи и табель снова можно будет менять.").arg(caption), ReopenCaption))
        return;
    const int month = Months->value(QStringLiteral("month")).toInt();
    const int year = Months->value(QStringLiteral("year")).toInt();
    if (!asAdministrator([&](const AdminLogin& login) { reopenMonth(month, year, login); }))
        return;
    reopenList();
    MessageBox::inform(QStringLiteral("%1 г. открыт.").arg(Months->value(QStringLiteral("caption")).toString()), ReopenCaption);
}

bool TForm26::asAdministrator(const std::function<void(const AdminLogin&)>& action)
{
    AdminLoginDialog dialog(this);
    for (;;) {
        AdminLogin login;
        if (!dialog.ask(login))
            return false;
        try {
            BusyCursor busy;
            action(login);
            return true;
        } catch (const AdminLoginRefused& refused) {
            // Asked again at once: the month and the question stay as they were answered.
            MessageBox::stop(refused.message(), QStringLiteral("Ошибка"), refused.detail);
        }
    }
}

void TForm26::Button4Click()
{
    close();
}
