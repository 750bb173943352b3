#include "timesheet/timesheet_statements.h"

#include "toolkit/dataset.h"

QString shiftGridStatement(int shift)
{
    return QStringLiteral(
               "select person.s_caption fio, h_tabel.*,(d1+d2+d3+d4+d5+d6+d7+d8+d9+d10+d11\n"
               "+d12+d13+d14+d15+d16+d17+d18+d19+d20+d21+d22+d23+d24+d25\n"
               "+d26+d27+d28+d29+d30+d31) as summ from accounts_dep.h_tabel, cmn_contractor.person where \n"
               "h_tabel.w_id=person.s_code::integer and h_tabel.smena=%1 and month=:mnth and \n"
               "year=:yea order by fio")
        .arg(shift);
}

QString monthTotalsStatement()
{
    return QStringLiteral(
        "select person.s_caption fio,sum(d1) as sd1,sum(d2) as sd2,sum(d3) as sd3,sum(d4) as sd4,\n"
        "sum(d5) as sd5,sum(d6) as sd6,sum(d7) as sd7,sum(d8) as sd8,sum(d9) as sd9,\n"
        "sum(d10) as sd10,sum(d11) as sd11,sum(d12) as sd12,sum(d13) as sd13,\n"
        "sum(d14) as sd14,sum(d15) as sd15,sum(d16) as sd16,sum(d17) as sd17,\n"
        "sum(d18) as sd18,sum(d19) as sd19,sum(d20) as sd20,sum(d21) as sd21,\n"
        "sum(d22) as sd22,sum(d23) as sd23,sum(d24) as sd24,sum(d25) as sd25,\n"
        "sum(d26) as sd26,sum(d27) as sd27,sum(d28) as sd28,sum(d29) as sd29,\n"
        "sum(d30) as sd30,sum(d31) as sd31 from accounts_dep.h_tabel, cmn_contractor.person person where\n"
        "h_tabel.w_id=person.s_code::t_integer and month=:mnth and\n"
        "year=:yea group by fio order by fio");
}

void setMonthParams(Dataset& set, int month, int year)
{
    set.setParam(QStringLiteral("mnth"), month);
    set.setParam(QStringLiteral("yea"), year);
}
