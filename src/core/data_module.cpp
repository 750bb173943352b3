#include "core/data_module.h"

#include "core/change_notices.h"
#include "toolkit/connections.h"
#include "toolkit/message_box.h"

#include <QSqlDatabase>

TDataModule6* DataModule6 = nullptr;

namespace {
// The ERP persons of an entry's worker: the person whose id is the worker number, then every
// other person whose code is that number (an entry matched both ways is listed once per
// person). Each half is an index probe per entry; a code that is not plain digits names no
// worker, where casting it would stop the whole list.
const char* const WorkerPersons =
    "lateral (select p.s_caption from cmn_contractor.person p where p.id=smena.w_id union all \n"
    "select p.s_caption from cmn_contractor.person p where p.id<>smena.w_id and \n"
    "case when p.s_code ~ '^ *[0-9]{1,15} *$' then p.s_code::t_id end=smena.w_id) person \n";
}

QString journalStatement(int shift)
{
    if (shift == 1)
        return QStringLiteral(
            "select smena.id, smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, \n"
            "smena.cena,person.s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen,  smena.brak, smena.kol_vo::numeric,\n"
            "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, color,time, smena.ok, vvod, smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use\n"
            "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper, \n")
            + QLatin1String(WorkerPersons)
            + QStringLiteral(
            "where smena.i_id=izdel.id and smena.o_id=oper.id and \n"
            "oper.vid=vid_oper.id and smena.smena=1 and smena.data=:data and ok!=:ok order by \n"
            "fio, izdel.marka, vid_oper.vid, oper.naimen, color");
    return QString(QStringLiteral(
               "select smena.data, smena.smena, smena.i_id, smena.o_id, smena.w_id, \n"
               "smena.cena, s_caption fio, izdel.marka, vid_oper.vid, (SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.naimen, smena.kol_vo::numeric, smena.brak, \n"
               "round((kol_vo-brak)*smena.cena::numeric, 2) as summa, smena.prize, smena.id, color,time,smena.ok,vvod, smena.id_doc, smena.id_doc_item, smena.f_gds_qty_use, smena.id_gds_use, smena.id_cons_use  \n"
               "from accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper, \n")
           + QLatin1String(WorkerPersons)
           + QStringLiteral(
               "where smena.i_id=izdel.id and smena.o_id=oper.id and \n"
               "oper.vid=vid_oper.id and smena.smena=%1 and smena.data=:data and ok<>:ok order by fio"))
        .arg(shift);
}

namespace {
const char* const OperStatement =
    "select izdel.MARKA, vid_oper.VID, oper.NAIMEN, (SELECT (CASE naimen WHEN 0 THEN 'Готовая продукция' ELSE 'Заготовки' END)) as nmn,\n"
    "count(o_id) norma, min(price)::numeric cena,\n"
    "oper.id, oper.i_id, oper.VID as oper_vid from accounts_dep.norm,accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER where OPER.i_id=IZDEL.id and norm.o_id=oper.id\n"
    "and oper.vid=vid_oper.id group by izdel.MARKA, vid_oper.VID, oper.NAIMEN, oper.id, oper.i_id, oper.VID order by izdel.marka, vid_oper.vid, oper.naimen";
}

TDataModule6::TDataModule6(QObject* parent) : QObject(parent)
{
    setObjectName(QStringLiteral("DataModule6"));
    Smena1 = dataset(QStringLiteral("Smena1"), journalStatement(1));
    Smena2 = dataset(QStringLiteral("Smena2"), journalStatement(2));
    Smena3 = dataset(QStringLiteral("Smena3"), journalStatement(3));
    Smena4 = dataset(QStringLiteral("Smena4"), journalStatement(4));
    Workers = dataset(QStringLiteral("Workers"), QStringLiteral("select * from accounts_dep.person order by fio"));
    Izdel = dataset(QStringLiteral("Izdel"), QStringLiteral("select *  from accounts_dep.IZDEL order by marka"));
    Vid_oper = dataset(QStringLiteral("Vid_oper"), QStringLiteral("select * from accounts_dep.VID_OPER order by vid"));
    Vid_oper->setUpdateTable(QStringLiteral("accounts_dep.vid_oper"));
    Oper = dataset(QStringLiteral("Oper"), QString::fromUtf8(OperStatement));
    H_Tabel_1 = dataset(QStringLiteral("H_Tabel_1"));
    H_Tabel_2 = dataset(QStringLiteral("H_Tabel_2"));
    H_Tabel_3 = dataset(QStringLiteral("H_Tabel_3"));
    H_Tabel_4 = dataset(QStringLiteral("H_Tabel_4"));
    Control = dataset(QStringLiteral("Control"));

    DelSmena = command(QStringLiteral("DelSmena"));
    H_Tabel_ins = command(QStringLiteral("H_Tabel_ins"));
    Oper_ins = command(QStringLiteral("Oper_ins"));
    Oper_ed = command(QStringLiteral("Oper_ed"));
    Oper_del = command(QStringLiteral("Oper_del"), QStringLiteral("delete from accounts_dep.oper where id=:id"));
    SQL_exec = command(QStringLiteral("SQL_exec"));
    Changes = new ChangeNotices(QLatin1String(ConnectionName), this);
}

TDataModule6::~TDataModule6()
{
    closeConnection();
}

Dataset* TDataModule6::dataset(const QString& name, const QString& statement)
{
    auto* set = new Dataset(QLatin1String(ConnectionName), name, this);
    set->setSql(statement);
    return set;
}

Command* TDataModule6::command(const QString& name, const QString& statement)
{
    auto* cmd = new Command(QLatin1String(ConnectionName), name, this);
    cmd->setSql(statement);
    return cmd;
}

void TDataModule6::openConnection(const QString& connectionString)
{
    closeConnection();
    openServerConnection(QLatin1String(ConnectionName), connectionString);
}

void TDataModule6::closeConnection()
{
    for (Dataset* set : findChildren<Dataset*>())
        set->close();
    closeNamedConnection(QLatin1String(ConnectionName));
}

bool TDataModule6::isConnected() const
{
    return QSqlDatabase::contains(QLatin1String(ConnectionName))
        && QSqlDatabase::database(QLatin1String(ConnectionName), false).isOpen();
}

bool TDataModule6::CheckDuplicate(const QString& statement, const QString& message)
{
    Control->setSql(statement);
    Control->open();
    const int count = Control->value(QStringLiteral("cnt")).toInt();
    if (count > 0) {
        MessageBox::stop(message, QStringLiteral("Ошибка"));
        Control->close();
        return true;
    }
    Control->close();
    return false;
}

QString replaceDecimalSeparator(const QString& text, const QString& delimiter)
{
    int at = text.indexOf(QLatin1Char(','));
    if (at < 0)
        at = text.indexOf(QLatin1Char('.'));
    if (at < 0)
        return text;
    QString out = text;
    out.replace(at, 1, delimiter);
    return out;
}

QString TDataModule6::ReplaceDecimalSeparator(const QString& text) const
{
    // Without a known separator (before the first version check, or an empty one stored) the
    // point is used, so that 1,5 never turns into 15.
    return replaceDecimalSeparator(text, DecimalDelimiter.isEmpty() ? QStringLiteral(".") : DecimalDelimiter);
}

Dataset* TDataModule6::shiftDataset(int shift) const
{
    switch (shift) {
    case 2: return Smena2;
    case 3: return Smena3;
    case 4: return Smena4;
    default: return Smena1;
    }
}
