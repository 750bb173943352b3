#include "core/build_stamp.h"

#include "build_stamp_now.h"

namespace {
QString& pretendedDate() { static QString s; return s; }
QString& pretendedTime() { static QString s; return s; }

int monthOf(const QString& text)
{
    const QChar first = text.at(0), second = text.at(1), third = text.at(2);
    switch (third.toLatin1()) {
    case 'n': return second == QLatin1Char('a') ? 1 : 6;
    case 'b': return 2;
    case 'r': return first == QLatin1Char('M') ? 3 : 4;
    case 'y': return 5;
    case 'l': return 7;
    case 'g': return 8;
    case 'p': return 9;
    case 't': return 10;
    case 'v': return 11;
    default: return 12;
    }
}
}

QString BuildStamp::dateText()
{
    return pretendedDate().isEmpty() ? QStringLiteral(TABEL_BUILD_DATE) : pretendedDate();
}

QString BuildStamp::timeText()
{
    return pretendedTime().isEmpty() ? QStringLiteral(TABEL_BUILD_TIME) : pretendedTime();
}

void BuildStamp::pretend(const QString& date, const QString& time)
{
    pretendedDate() = date;
    pretendedTime() = time;
}

int BuildStamp::dateNumber(const QString& text)
{
    if (text.size() < 11 || text.startsWith(QLatin1Char('?')))
        return 19000101;
    const int month = monthOf(text);
    QString dayText = text.mid(4, 2);
    dayText.replace(QLatin1Char(' '), QLatin1Char('0'));
    const int day = dayText.toInt();
    const int year = text.mid(7, 4).toInt();
    return year * 10000 + month * 100 + day;
}

int BuildStamp::timeNumber(const QString& text)
{
    return text.mid(0, 2).toInt() * 3600 + text.mid(3, 2).toInt() * 60 + text.mid(6, 2).toInt();
}

int BuildStamp::dateNumber()
{
    return dateNumber(dateText());
}

int BuildStamp::timeNumber()
{
    return timeNumber(timeText());
}
