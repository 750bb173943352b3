#include "journal/journal_window.h"

#include "core/build_stamp.h"
#include "core/data_module.h"
#include "core/sign_in_window.h"
#include "core/version_check.h"
#include "toolkit/error_guard.h"
#include "toolkit/message_box.h"

#include <QCoreApplication>

TForm1* Form1 = nullptr;

TForm1::TForm1(QWidget* parent) : QDialog(parent)
{
    setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(1281, 585);

    ver = new Dataset(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("ver"), this);
    verWrite = new Command(QLatin1String(TDataModule6::ConnectionName), QStringLiteral("verWrite"), this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(30000);
    on(Timer1, &QTimer::timeout, this, &TForm1::CheckVersion);
    Timer1->start();

    DBGrid2->setDataset(DataModule6->Smena1);
}

void TForm1::CheckVersion()
{
    FBuildDate = BuildStamp::dateNumber(BuildStamp::dateText());
    FBuildTime = BuildStamp::timeNumber(BuildStamp::timeText());
    const VersionCheckResult result = checkVersionStamp(*ver, *verWrite, FBuildDate, FBuildTime);
    DataModule6->DecimalDelimiter = result.delimiter;
    if (result.verdict == VersionVerdict::Outdated) {
        Form23->Timer1->start();
        MessageBox::stop(QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."),
                         QStringLiteral("Ошибка"));
        QCoreApplication::quit();
    }
}
