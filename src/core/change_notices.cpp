#include "core/change_notices.h"

#include "toolkit/server_notices.h"

#include <QStringList>

std::optional<ShiftNotice> shiftNotice(const QString& payload)
{
    if (payload == QLatin1String("*"))
        return ShiftNotice{};
    const QStringList parts = payload.split(QLatin1Char(' '));
    if (parts.size() != 2)
        return std::nullopt;
    bool ok = false;
    ShiftNotice notice{QDate::fromString(parts.at(0), Qt::ISODate), parts.at(1).toInt(&ok)};
    if (!ok || !notice.day.isValid())
        return std::nullopt;
    return notice;
}

std::optional<MonthNotice> monthNotice(const QString& payload)
{
    if (payload == QLatin1String("*"))
        return MonthNotice{};
    const QStringList parts = payload.split(QLatin1Char(' '));
    bool yearOk = false, monthOk = false;
    if (parts.size() != 2)
        return std::nullopt;
    MonthNotice notice{parts.at(0).toInt(&yearOk), parts.at(1).toInt(&monthOk)};
    if (!yearOk || !monthOk || notice.year == 0)
        return std::nullopt;
    return notice;
}

ChangeNotices::ChangeNotices(const QString& connectionName, QObject* parent)
    : QObject(parent),
      m_notices(new ServerNotices(connectionName,
                                  {QLatin1String(JournalChannel), QLatin1String(HoursChannel), QLatin1String(ClosingChannel)},
                                  this))
{
    connect(m_notices, &ServerNotices::notice, this, &ChangeNotices::decode);
    // What was committed while the connection was away was announced to no one.
    connect(m_notices, &ServerNotices::resumed, this, [this] {
        emit journalChanged(ShiftNotice{});
        emit hoursChanged(MonthNotice{});
    });
}

void ChangeNotices::decode(const QString& channel, const QString& payload)
{
    if (channel == QLatin1String(JournalChannel)) {
        if (const std::optional<ShiftNotice> notice = shiftNotice(payload))
            emit journalChanged(*notice);
    } else if (const std::optional<MonthNotice> notice = monthNotice(payload)) {
        if (channel == QLatin1String(ClosingChannel))
            emit closingChanged(*notice);
        else
            emit hoursChanged(*notice);
    }
}
