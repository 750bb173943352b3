#include "reports/reports_window.h"

#include "core/data_module.h"
#include "reports/report_layouts.h"
#include "reports/report_spreadsheet.h"
#include "reports/report_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"

#include <QRadioButton>
#include <QScopeGuard>

TForm18* Form18 = nullptr;

TForm18::TForm18(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    setFixedSize(180, height());   // a narrow column beside the journal; captions fit at the program's font

    XLS_Rep = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("XLS_Rep"), this);
    XLS_Rep->setSql(reportSpreadsheetStatement());

    on(Button4, &QPushButton::clicked, this, &TForm18::Button4Click);
    on(Button2, &QPushButton::clicked, this, &TForm18::Button2Click);
    on(Button1, &QPushButton::clicked, this, &TForm18::Button1Click);
    on(Button3, &QPushButton::clicked, this, &TForm18::Button3Click);
    on(Button6, &QPushButton::clicked, this, &TForm18::Button6Click);
    on(Button5, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm18::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QWidget* chosen = RadioGroup1->button(RadioGroup1->itemIndex()); chosen && chosen->isEnabled())
        chosen->setFocus();   // the first control of the tab order
}

void TForm18::runReport(ProductionReport* report)
{
    report->Run(DTPicker1->date(), DTPicker2->date(), RadioGroup1->itemIndex());
}

void TForm18::Button4Click()
{
    runReport(Form16);
}

void TForm18::Button2Click()
{
    runReport(Form17);
}

void TForm18::Button1Click()
{
    runReport(Form20);
}

void TForm18::Button3Click()
{
    runReport(Form21);
}

void TForm18::Button6Click()
{
    BusyCursor busy;
    prepareReportQuery(*XLS_Rep, DTPicker1->date(), DTPicker2->date(), RadioGroup1->itemIndex());
    XLS_Rep->open();
    const auto closeQuery = qScopeGuard([this] { XLS_Rep->close(); });
    fillReportSpreadsheet(*XLS_Rep, reportSpreadsheetTitle(DTPicker1->date(), DTPicker2->date()),
                          [this](int written, int total) { Button6->setText(spreadsheetProgressCaption(written, total)); });
}
