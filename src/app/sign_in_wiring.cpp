#include "app/sign_in_wiring.h"

#include "app/overview_wiring.h"
#include "core/data_module.h"
#include "core/sign_in_window.h"
#include "journal/journal_window.h"
#include "reports/report_statements.h"
#include "reports/reports_window.h"
#include "toolkit/session.h"

#include <QSysInfo>

void wireSignIn()
{
    SignInHooks hooks;
    hooks.checkVersion = [] { Form1->CheckVersion(); };
    hooks.codeTyped = [](const QString& code) {
        Form1->FShift = 1;
        Form1->FSignInCode = code;
    };
    hooks.signedIn = [](Role role) {
        // The history records who writes: the role and the desktop.
        const QString host = QSysInfo::machineHostName();
        Session::nameClient(QLatin1String(TDataModule6::ConnectionName), clientName(role, host), clientAsciiName(role, host));
        disableControls(Form1, journalControlsOff(role));
        withdrawActions(Form1, journalControlsHidden(role));
        disableControls(Form18, reportsControlsOff(role));
        if (reportsFinishedProductsOnly(role))
            Form18->RadioGroup1->setItemIndex(FinishedProducts);
        scopeOverview(role);
        Form1->exec();
    };
    TForm23::setHooks(std::move(hooks));
}
