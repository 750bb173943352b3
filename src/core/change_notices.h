#pragma once

#include <QDate>
#include <QObject>
#include <optional>

class ServerNotices;

// A day and shift of the journal that another client changed; no day (and shift 0) when every
// day and shift may have changed.
struct ShiftNotice {
    QDate day;
    int shift = 0;
    bool concerns(const QDate& shownDay, int shownShift) const
    {
        return !day.isValid() || (day == shownDay && shift == shownShift);
    }
};

// A month of the hours grid that another client changed, or closed or reopened; year and month
// 0 for every month.
struct MonthNotice {
    int year = 0;
    int month = 0;
    bool concerns(int shownYear, int shownMonth) const
    {
        return year == 0 || (year == shownYear && month == shownMonth);
    }
};

// The payloads of the server's announcements ("2026-03-05 1", "2026 3", "*"); nothing for a
// payload of another form.
std::optional<ShiftNotice> shiftNotice(const QString& payload);
std::optional<MonthNotice> monthNotice(const QString& payload);

// Changes to journal entries and hours, and months closed or reopened, that other clients (or
// the ERP) committed, as the server announces them on the program's connection; once the
// connection is back after it was lost, everything counts as changed.
class ChangeNotices : public QObject {
    Q_OBJECT
public:
    static constexpr const char* JournalChannel = "tabel_smena";
    static constexpr const char* HoursChannel = "tabel_h_tabel";
    static constexpr const char* ClosingChannel = "tabel_closed_month";

    ChangeNotices(const QString& connectionName, QObject* parent = nullptr);

signals:
    void journalChanged(const ShiftNotice& notice);
    void hoursChanged(const MonthNotice& notice);
    void closingChanged(const MonthNotice& notice);

private:
    void decode(const QString& channel, const QString& payload);

    ServerNotices* m_notices;
};
