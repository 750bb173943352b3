#include "toolkit/reading_session.h"

#include "toolkit/connect_options.h"
#include "toolkit/connections.h"
#include "toolkit/dataset.h"
#include "toolkit/session.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <optional>

namespace {
int opened = 0;

// Where a session's server stands: no row on a primary. A standby's data stands at now while
// its WAL receiver runs and has replayed all it received, else at the last transaction it
// replayed (none before the first). Functions any user may call.
const char* const StandbyStateStatement =
    "select extract(epoch from at), extract(epoch from now() - at) from ("
    "select case when pg_last_wal_receive_lsn() = pg_last_wal_replay_lsn() "
    "and exists (select from pg_stat_wal_receiver where pid is not null) then now() "
    "else pg_last_xact_replay_timestamp() end at) s "
    "where pg_is_in_recovery()";

struct StandbyState {
    QDateTime dataTime;
    double lagSeconds = 0;
};

// Nothing on a primary.
std::optional<StandbyState> standbyState(const QString& connectionName)
{
    QSqlQuery query = runStatement(connectionName, QString::fromLatin1(StandbyStateStatement));
    if (!query.next())
        return std::nullopt;
    StandbyState state;
    if (query.value(0).isNull()) {
        state.lagSeconds = qInf();
        return state;
    }
    state.dataTime = QDateTime::fromMSecsSinceEpoch(qint64(query.value(0).toDouble() * 1000)).toLocalTime();
    state.lagSeconds = query.value(1).toDouble();
    return state;
}
}

ReadingSession::ReadingSession(const QString& connectionName, Server server)
    : m_name(connectionName + QStringLiteral(".reading.") + QString::number(++opened))
{
    const QString options = Session::live(connectionName).connectOptions();
    // The server the connection is on, straight: of several named, trying them in turn again
    // would wait on each that does not answer before it.
    const QString sameServer = Session::optionsOnSameServer(connectionName);
    // Only a connection that names several servers picks the primary among them; one server
    // named is read on as it stands.
    if (server == Server::PreferStandby && ConnectOptions(options).value(QStringLiteral("target_session_attrs")) == QLatin1String("read-write")
        && openOnStandby(connectionName, options, sameServer))
        return;
    openServerConnection(m_name, sameServer, connectionName);
}

bool ReadingSession::openOnStandby(const QString& connectionName, const QString& options,
                                   const QString& primaryOptions)
{
    // The standbys are the servers named but the connection's own; one that does not answer
    // within the connect timeout, or answers as a primary, is passed over.
    ConnectOptions standbys(options);
    const QList<ConnectOptions::Server> primary = ConnectOptions(primaryOptions).servers();
    QList<ConnectOptions::Server> others;
    for (const ConnectOptions::Server& named : standbys.servers())
        if (primary.isEmpty() || named.host != primary.first().host || named.port != primary.first().port)
            others << named;
    if (others.isEmpty())
        return false;
    standbys.setServers(others);
    standbys.set(QStringLiteral("target_session_attrs"), QStringLiteral("standby"));
    try {
        openServerConnection(m_name, standbys.text(), connectionName);
    } catch (const DatabaseError&) {
        return false;
    }
    std::optional<StandbyState> standby;
    try {
        standby = standbyState(m_name);
    } catch (...) {
        closeNamedConnection(m_name);
        throw;
    }
    if (standby && standby->lagSeconds <= Session::standbyMaxLagSeconds()) {
        m_standbyDataTime = standby->dataTime;
        return true;
    }
    closeNamedConnection(m_name);   // too far behind: the primary, as the connection has it
    return false;
}

ReadingSession::~ReadingSession()
{
    closeNamedConnection(m_name);
}

QString standbyDataNote(const QDateTime& standbyDataTime)
{
    if (!standbyDataTime.isValid())
        return {};
    return QStringLiteral("данные на ") + standbyDataTime.toString(QStringLiteral("HH:mm:ss"));
}
