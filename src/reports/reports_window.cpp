#include "reports/reports_window.h"

#include "core/data_module.h"
#include "reports/report_layouts.h"
#include "reports/report_spreadsheet.h"
#include "reports/report_statements.h"
#include "toolkit/busy_cursor.h"
#include "toolkit/error_guard.h"
#include "toolkit/fixed_dialog.h"
#include "toolkit/reading_session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QRadioButton>
#include <optional>

TForm18* Form18 = nullptr;

TForm18::TForm18(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    makeFixedDialog(this);
    setFixedSize(180, height());   // a narrow column beside the journal; captions fit at the program's font

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
    // A year of lines is read where the printed reports read theirs: on a standby when one is
    // up to date, leaving the primary to the writers.
    auto busy = std::make_optional<BusyCursor>();
    const ReadingSession session(QLatin1String(TDataModule6::ConnectionName), ReadingSession::Server::PreferStandby);
    Dataset XLS_Rep(session.connectionName(), QStringLiteral("XLS_Rep"));
    XLS_Rep.setSql(reportSpreadsheetStatement());
    prepareReportQuery(XLS_Rep, DTPicker1->date(), DTPicker2->date(), RadioGroup1->itemIndex());
    XLS_Rep.open();
    busy.reset();
    const QString title = reportSpreadsheetTitle(DTPicker1->date(), DTPicker2->date());
    // A year of lines takes a while: the window repaints between slices of lines and "Отмена"
    // (or Esc) stops the export, leaving no file behind.
    QProgressDialog progress(QString(), QStringLiteral("Отмена"), 0, 0, this);
    progress.setObjectName(QStringLiteral("SpreadsheetProgress"));
    progress.setWindowTitle(title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    progress.setMinimumWidth(300);
    const int sliceMs = 50;
    QElapsedTimer slice;
    fillReportSpreadsheet(XLS_Rep, title, [&](int written, int total) {
        const QString caption = spreadsheetProgressCaption(written, total);
        Button6->setText(caption);
        if (written == 0 || written == total || slice.hasExpired(sliceMs)) {
            if (written == 0) {
                progress.setMaximum(qMax(total, 1));
                progress.show();
            }
            progress.setLabelText(caption);
            progress.setValue(written);
            QCoreApplication::processEvents();
            slice.start();
        }
        const bool goOn = !progress.wasCanceled();
        if (written == total)
            progress.hide();   // the file is written and handed on, or its question asked, without it
        return goOn;
    });
}
