#include "journal/entry_editor.h"

#include "catalogs/operations_window.h"
#include "catalogs/workers_window.h"
#include "core/data_module.h"
#include "core/operation_names.h"
#include "journal/entry_statements.h"
#include "journal/journal_window.h"
#include "toolkit/clock.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"

#include <QKeyEvent>

TForm11* Form11 = nullptr;

namespace {
const char* const DuplicateMessage = "Позиция с такими параметрами уже заведена!";
// No entry holds more than a day, so no sum of a day's entries can overflow its cell.
const qint64 MaxEntryHours = 24;
}

TForm11::TForm11(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    SmenaIU = new Command(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("SmenaIU"), this);
    // The group box's caption is bold, its contents are not.
    for (QWidget* child : GroupBox1->findChildren<QWidget*>()) {
        QFont f = child->font();
        f.setBold(false);
        child->setFont(f);
    }
    // Boxes the user cannot type into look like it.
    for (QLineEdit* shown : {Edit1, Edit2, Edit7, Edit8, Edit9}) {
        QPalette p = shown->palette();
        p.setColor(QPalette::Base, p.color(QPalette::Window));
        shown->setPalette(p);
    }
    for (QLineEdit* digits : {Edit3, Edit4, Edit5, Edit6})
        digits->installEventFilter(this);
    Edit1->installEventFilter(this);
    Edit2->installEventFilter(this);

    on(Button1, &QPushButton::clicked, this, &TForm11::Button1Click);
    on(Button2, &QPushButton::clicked, this, &QDialog::reject);
    on(Button3, &QPushButton::clicked, this, &TForm11::Button3Click);
    on(Button4, &QPushButton::clicked, this, &TForm11::Button4Click);
}

bool TForm11::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && (watched == Edit3 || watched == Edit4 || watched == Edit5 || watched == Edit6)) {
        // Digits and Backspace only; other typed characters are dropped, keys that type
        // nothing (Tab, arrows, Enter) keep their meaning.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool types = !text.isEmpty() && text.at(0).isPrint();
        if (types && !(text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9')))
            return true;
    } else if (event->type() == QEvent::FocusOut && (watched == Edit3 || watched == Edit6)) {
        // Only leaving the field counts: the dialog closing or a message box on top is no
        // reason to fill in the fields that a save has just cleared.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            guarded([this] { Recalculate(); });
    } else if (event->type() == QEvent::MouseButtonRelease && (watched == Edit1 || watched == Edit2)) {
        guarded([this, watched] { watched == Edit1 ? Button3Click() : Button4Click(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TForm11::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (Form1 && Form1->isVisible())
        move(Form1->geometry().center() - rect().center());
    Button3->setFocus();
}

void TForm11::OpenAdd()
{
    DTimeP->setDate(Form1->DateT->date());
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit5})
        edit->clear();
    Edit4->setText(QStringLiteral("0"));
    Edit6->setText(QStringLiteral("0"));
    setWindowTitle(QStringLiteral("Заведение новой позиции"));
    Tag = 1;
    exec();
}

void TForm11::OpenChange()
{
    Dataset* shift = Form1->FShiftDataset;
    const int remembered = shift->recNo();
    if (shift->isEmpty())
        return;
    setWindowTitle(QStringLiteral("Изменение данных о позиции"));
    Tag = 2;
    FPrice = shift->value(QStringLiteral("cena")).toDouble();
    Edit7->setText(fourDecimalText(FPrice));
    Edit9->setText(fourDecimalText(shift->value(QStringLiteral("kol_vo")).toDouble() * FPrice));
    DTimeP->setDate(shift->value(QStringLiteral("data")).toDate());
    Edit1->setText(shift->value(QStringLiteral("fio")).toString().trimmed());
    const QString vid = shift->value(QStringLiteral("vid")).toString().trimmed();
    Edit2->setText(operationDescription(shift->value(QStringLiteral("marka")).toString(), vid,
                                        shift->value(QStringLiteral("naimen")).toInt()));
    Edit3->setText(QString::number(shift->value(QStringLiteral("kol_vo")).toLongLong()));
    Edit4->setText(shift->value(QStringLiteral("brak")).toString().trimmed());
    FWorkerId = shift->value(QStringLiteral("w_id")).toInt();
    FProductId = shift->value(QStringLiteral("i_id")).toInt();
    FOperationId = shift->value(QStringLiteral("o_id")).toInt();
    Edit6->setText(QString::number(shift->value(QStringLiteral("time")).toInt()));
    DataModule6->Oper->setFiltered(false);
    DataModule6->Oper->close();
    applyPaintCheck(isPaintText(vid));
    if (Edit5->isEnabled())
        Edit5->setText(shift->value(QStringLiteral("color")).toString());
    exec();
    shift->moveTo(remembered);
}

void TForm11::applyPaintCheck(bool paint)
{
    if (!paint)
        Edit5->clear();
    Edit5->setEnabled(paint);
    Label6->setEnabled(paint);
}

void TForm11::Button3Click()
{
    if (const std::optional<WorkerChoice> worker = Form5->ShowSelect()) {
        Edit1->setText(worker->name);
        FWorkerId = worker->id;
    }
}

void TForm11::Button4Click()
{
    Dataset* oper = DataModule6->Oper;
    Form4->Tag = 1;
    oper->open();
    if (Tag == 1)
        oper->first();
    else
        oper->locate(QStringLiteral("id"), Form1->FShiftDataset->value(QStringLiteral("o_id")));
    pickOperation();
    applyPaintCheck(isPaintText(Edit2->text()));
    Recalculate();
}

void TForm11::pickOperation()
{
    if (const std::optional<OperationChoice> operation = Form4->ShowSelect(Form1->FShift, Form1->CBox1->isChecked())) {
        FProductId = operation->productId;
        FOperationId = operation->operationId;
        FPrice = operation->price;
        Edit2->setText(operation->description);
    }
}

void TForm11::Recalculate()
{
    if (Edit6->text().isEmpty())
        Edit6->setText(QStringLiteral("0"));
    if (Edit3->text().isEmpty())
        Edit3->setText(QStringLiteral("0"));
    Edit7->setText(fourDecimalText(FPrice));
    Dataset* oper = DataModule6->Oper;
    Edit8->setText(fourDecimalText(oper->isOpen() && !oper->isEmpty() ? oper->value(QStringLiteral("cena")).toDouble() : 0.0));
    Edit9->setText(fourDecimalText(Edit3->text().toDouble() * FPrice));
}

QString TForm11::inputProblem() const
{
    const auto empty = [](const QLineEdit* e) { return e->text().trimmed().isEmpty(); };
    if (empty(Edit1) || empty(Edit2) || empty(Edit3) || empty(Edit4) || (isPaintText(Edit2->text()) && empty(Edit5))
        || empty(Edit6))
        return QStringLiteral("Все поля должны быть заполнены!");
    // Pasted text can hold anything; each number must fit its column before a statement runs.
    const struct {
        const QLineEdit* edit;
        const QLabel* label;
        qint64 largest;
    } digitFields[] = {{Edit3, Label3, 2147483647}, {Edit4, Label7, 32767}, {Edit6, Label4, MaxEntryHours}, {Edit5, Label6, 2147483647}};
    for (const auto& field : digitFields) {
        const QString text = field.edit->text().trimmed();
        if (!text.isEmpty()) {
            const QString problem = digitFieldProblem(field.label->text(), text, field.largest);
            if (!problem.isEmpty())
                return problem;
        }
    }
    return {};
}

EntryValues TForm11::entryValues() const
{
    EntryValues e;
    e.worker = FWorkerId;
    e.operation = FOperationId;
    e.product = FProductId;
    e.shift = Form1->FShift;
    e.price = FPrice;
    e.date = DTimeP->date();
    e.quantity = QString::number(Edit3->text().trimmed().toLongLong());
    e.defects = QString::number(Edit4->text().trimmed().toLongLong());
    e.hours = QString::number(Edit6->text().trimmed().toLongLong());
    e.color = Edit5->text().trimmed().isEmpty() ? 0 : Edit5->text().trimmed().toInt();
    e.today = Clock::today();
    if (Tag != 1)
        e.id = Form1->FShiftDataset->value(QStringLiteral("id")).toInt();
    return e;
}

void TForm11::Button1Click()
{
    const QString problem = inputProblem();
    if (!problem.isEmpty()) {
        MessageBox::stop(problem, QStringLiteral("Ошибка"));
        return;
    }
    const EntryValues entry = entryValues();
    Dataset* shift = Form1->FShiftDataset;
    if (DataModule6->CheckDuplicate(duplicateStatement(entry), QString::fromUtf8(DuplicateMessage)))
        return;
    // The server brings the hours of the cells the entry leaves and goes to in step within this
    // one statement; a failure leaves the dialog open with what was typed, to be saved again.
    // The entry and the list read again travel together.
    SmenaIU->setSql(Tag == 1 ? insertStatement(entry) : updateStatement(entry));
    const int remembered = shift->recNo();
    openTogether({shift}, {SmenaIU->boundSql()});
    if (!shift->isEmpty() && remembered >= 1)
        shift->moveTo(qMin(remembered, shift->recordCount()));
    for (Dataset* hours : {DataModule6->H_Tabel_1, DataModule6->H_Tabel_2, DataModule6->H_Tabel_3, DataModule6->H_Tabel_4})
        hours->close();
    clearEdits();
    accept();
}

void TForm11::clearEdits()
{
    for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9})
        edit->clear();
}
