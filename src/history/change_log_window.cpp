#include "history/change_log_window.h"

#include "core/data_module.h"
#include "history/change_log.h"
#include "history/entry_history_window.h"
#include "history/history_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/message_box.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QScopeGuard>
#include <QTimer>
#include <utility>

TForm25* Form25 = nullptr;

TForm25::TForm25(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    Changes = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("Changes"), this);
    DBGrid1->setColumns(changeLogColumns());
    DBGrid1->setDataset(Changes);
    // The changes take the room that is left.
    DBGrid1->horizontalHeader()->setStretchLastSection(true);
    ComboBox2->addItem(QStringLiteral("Все"), int(LoggedAction::Any));
    ComboBox2->addItem(QStringLiteral("Добавление"), int(LoggedAction::Added));
    ComboBox2->addItem(QStringLiteral("Изменение"), int(LoggedAction::Changed));
    ComboBox2->addItem(QStringLiteral("Удаление"), int(LoggedAction::Deleted));
    ComboBox2->addItem(QStringLiteral("Закрытие месяца"), int(LoggedAction::Closed));
    ComboBox2->addItem(QStringLiteral("Открытие месяца"), int(LoggedAction::Reopened));
    ComboBox2->addItem(QStringLiteral("Отметки неявок"), int(LoggedAction::Marked));
    ComboBox3->addItem(QStringLiteral("по дате позиции"), int(LogPeriod::EntryDate));
    ComboBox3->addItem(QStringLiteral("по дате изменения"), int(LogPeriod::ChangeDate));

    // A date counts once it is chosen: picked in the calendar (after the picker took it) or
    // typed and left; a date half typed reads nothing.
    for (QDateEdit* picker : {DTPicker1, DTPicker2}) {
        on(picker, &QDateEdit::editingFinished, this, &TForm25::FilterChange);
        connect(picker->calendarWidget(), &QCalendarWidget::clicked, this,
                [this] { QTimer::singleShot(0, this, [this] { guarded([this] { FilterChange(); }); }); });
    }
    on(ComboBox1, &QComboBox::activated, this, &TForm25::FilterChange);
    on(ComboBox3, &QComboBox::activated, this, &TForm25::FilterChange);
    on(ComboBox2, &QComboBox::activated, this, &TForm25::FilterChange);
    on(DBGrid1, &QAbstractItemView::doubleClicked, this, &TForm25::Button1Click);
    on(Button1, &QPushButton::clicked, this, &TForm25::Button1Click);
    on(Button2, &QPushButton::clicked, this, &TForm25::Button2Click);
    on(Button4, &QPushButton::clicked, this, &TForm25::Button4Click);
}

void TForm25::fillWorkers()
{
    Dataset workers(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("LogWorkers"));
    workers.setSql(QStringLiteral("select id, fio from accounts_dep.person order by fio"));
    workers.open();
    ComboBox1->clear();
    ComboBox1->addItem(QStringLiteral("Все"), 0);
    for (int row = 0; row < workers.recordCount(); ++row)
        ComboBox1->addItem(workers.value(row, 1).toString(), workers.value(row, 0).toInt());
}

void TForm25::ShowPeriod(const QDate& from, const QDate& to, int workerId)
{
    DTPicker1->setDate(from);
    DTPicker2->setDate(to);
    ComboBox2->setCurrentIndex(0);
    ComboBox3->setCurrentIndex(0);
    fillWorkers();
    ComboBox1->setCurrentIndex(qMax(0, ComboBox1->findData(workerId)));
    FilterChange();
    exec();
    Changes->close();
}

void TForm25::FilterChange()
{
    if (DTPicker1->date() > DTPicker2->date()) {
        // Leaving a date picker for the message box would finish its editing once more.
        if (std::exchange(m_refusing, true))
            return;
        const auto done = qScopeGuard([this] { m_refusing = false; });
        MessageBox::stop(QStringLiteral("Дата «с» (%1) позже даты «по» (%2): такого периода нет.")
                             .arg(DTPicker1->date().toString(QStringLiteral("dd.MM.yyyy")),
                                  DTPicker2->date().toString(QStringLiteral("dd.MM.yyyy"))),
                         QStringLiteral("Ошибка"));
        return;
    }
    BusyCursor busy;
    Changes->close();
    const LogPeriod period = LogPeriod(ComboBox3->currentData().toInt());
    Changes->setSql(periodLogStatement(DTPicker1->date(), DTPicker2->date(), ComboBox1->currentData().toInt(),
                                       LoggedAction(ComboBox2->currentData().toInt()), period));
    Changes->open();
    Label5->setText(changeCountText(Changes->recordCount(), period));
}

void TForm25::Button1Click()
{
    if (Changes->isEmpty())
        return;
    const QVariant entry = Changes->value(QStringLiteral("smena_id"));
    // A closing or a reopening of a month belongs to no entry.
    if (entry.isNull())
        return;
    Form24->ShowEntry(entry.toInt());
}

void TForm25::Button2Click()
{
    BusyCursor busy;
    exportChangeLog(*Changes, QStringLiteral("Журнал изменений %1 - %2 %3")
                                  .arg(DTPicker1->date().toString(QStringLiteral("dd.MM.yyyy")),
                                       DTPicker2->date().toString(QStringLiteral("dd.MM.yyyy")), ComboBox3->currentText()));
}

void TForm25::Button4Click()
{
    close();
}
