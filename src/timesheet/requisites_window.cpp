#include "timesheet/requisites_window.h"

#include "timesheet/t13_sheet.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/message_box.h"

#include <QRegularExpressionValidator>

TForm27* Form27 = nullptr;

TForm27::TForm27(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    Edit2->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("\\d{0,10}")), Edit2));
    on(Button1, &QPushButton::clicked, this, &TForm27::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm27::ShowRequisites()
{
    fill(readRequisites());
    Edit1->setFocus();
    exec();
}

void TForm27::Button1Click()
{
    if (!okpoAccepted(Edit2->text())) {
        MessageBox::stop(QStringLiteral("ОКПО — 8 цифр (у индивидуального предпринимателя 10) или пусто."), QStringLiteral("Ошибка"));
        Edit2->setFocus();
        return;
    }
    writeRequisites(typed());
    accept();
}

bool okpoAccepted(const QString& text)
{
    const QString okpo = text.trimmed();
    static const QRegularExpression digits(QStringLiteral("^(\\d{8}|\\d{10})?$"));
    return digits.match(okpo).hasMatch();
}

void TForm27::fill(const Requisites& r)
{
    Edit1->setText(r.name);
    Edit2->setText(r.okpo);
    Edit3->setText(r.unit);
    Edit4->setText(r.responsiblePos);
    Edit5->setText(r.responsibleName);
    Edit6->setText(r.headPos);
    Edit7->setText(r.headName);
    Edit8->setText(r.personnelPos);
    Edit9->setText(r.personnelName);
    CBox1->setChecked(r.nightShift3);
    Edit10->setText(r.payCode);
    Edit11->setText(r.payAccount);
}

Requisites TForm27::typed() const
{
    Requisites r;
    r.name = Edit1->text();
    r.okpo = Edit2->text();
    r.unit = Edit3->text();
    r.responsiblePos = Edit4->text();
    r.responsibleName = Edit5->text();
    r.headPos = Edit6->text();
    r.headName = Edit7->text();
    r.personnelPos = Edit8->text();
    r.personnelName = Edit9->text();
    r.nightShift3 = CBox1->isChecked();
    r.payCode = Edit10->text();
    r.payAccount = Edit11->text();
    return r;
}
