#include "alerts/SqliteEventStore.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <limits>

namespace
{

// An event the log holds under a word this version does not know reads back as an unknown state.
HostEvent eventFromName(const QString& text)
{
    return HostEvent::fromName(text).value_or(HostEvent());
}

} // namespace

SqliteEventStore::SqliteEventStore(QString path)
    : m_path(std::move(path)),
      m_connection(QStringLiteral("vantrel-events-%1").arg(reinterpret_cast<quintptr>(this), 0, 16))
{
}

SqliteEventStore::~SqliteEventStore()
{
    close();
}

QString SqliteEventStore::defaultPath()
{
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/vantrel/events.sqlite");
}

bool SqliteEventStore::exec(const QString& statement, QString* error, QString* firstValue)
{
    QSqlQuery query(m_db);
    if (!query.exec(statement)) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    if (firstValue)
        *firstValue = query.next() ? query.value(0).toString() : QString();
    return true;
}

bool SqliteEventStore::open(QString* error)
{
    QString reason;
    auto fail = [&](const QString& why) {
        if (error)
            *error = QStringLiteral("The outage log %1 cannot be used (%2). Monitoring goes on without it.")
                         .arg(QDir::toNativeSeparators(m_path), why);
        close();
        return false;
    };
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath()))
        return fail(QStringLiteral("its folder cannot be made"));
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_db.isValid())
        return fail(QStringLiteral("the SQLite driver of Qt is not installed"));
    m_db.setDatabaseName(m_path);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!m_db.open())
        return fail(m_db.lastError().text());
    QString mode;
    QString check;
    // A file that is not a database fails at the first statement; a damaged one fails the check.
    if (!exec(QStringLiteral("PRAGMA journal_mode=WAL"), &reason, &mode))
        return fail(reason);
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        return fail(QStringLiteral("WAL mode is refused"));
    if (!exec(QStringLiteral("PRAGMA quick_check"), &reason, &check))
        return fail(reason);
    if (check != QLatin1String("ok"))
        return fail(QStringLiteral("the file is damaged: %1").arg(check));
    // NORMAL in WAL mode: a commit survives the program's crash; only a power cut may lose the last ones.
    if (!exec(QStringLiteral("PRAGMA synchronous=NORMAL"), &reason) ||
        !exec(QStringLiteral("CREATE TABLE IF NOT EXISTS events (id INTEGER PRIMARY KEY, at_ms INTEGER NOT NULL, "
                             "host TEXT NOT NULL, state TEXT NOT NULL, duration_s INTEGER, status TEXT NOT NULL)"),
              &reason) ||
        !exec(QStringLiteral("CREATE INDEX IF NOT EXISTS events_at ON events (at_ms)"), &reason))
        return fail(reason);
    return true;
}

bool SqliteEventStore::append(const HostEvents& events, QString* error)
{
    if (!m_db.isOpen()) {
        if (error)
            *error = QStringLiteral("the outage log is not open");
        return false;
    }
    if (!m_db.transaction()) {
        if (error)
            *error = m_db.lastError().text();
        return false;
    }
    QSqlQuery insert(m_db);
    insert.prepare(
        QStringLiteral("INSERT INTO events (at_ms, host, state, duration_s, status) VALUES (?, ?, ?, ?, ?)"));
    for (const HostEvent& e : events) {
        insert.addBindValue(e.when.toMSecsSinceEpoch());
        insert.addBindValue(e.host);
        insert.addBindValue(e.name());
        insert.addBindValue(e.durationSecs ? QVariant(*e.durationSecs) : QVariant(QMetaType(QMetaType::LongLong)));
        insert.addBindValue(e.status);
        if (!insert.exec()) {
            if (error)
                *error = insert.lastError().text();
            m_db.rollback();
            return false;
        }
    }
    if (!m_db.commit()) {
        if (error)
            *error = m_db.lastError().text();
        m_db.rollback();
        return false;
    }
    return true;
}

HostEvents SqliteEventStore::newestFirst(const QDateTime& from, int limit)
{
    HostEvents events;
    if (!m_db.isOpen())
        return events;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT at_ms, host, state, duration_s, status FROM events WHERE at_ms >= ? "
                                 "ORDER BY at_ms DESC, id DESC LIMIT ?"));
    query.addBindValue(from.isValid() ? from.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min());
    query.addBindValue(limit);
    if (!query.exec())
        return events;
    while (query.next()) {
        HostEvent e = eventFromName(query.value(2).toString());
        e.when = QDateTime::fromMSecsSinceEpoch(query.value(0).toLongLong());
        e.host = query.value(1).toString();
        if (!query.value(3).isNull())
            e.durationSecs = query.value(3).toLongLong();
        e.status = query.value(4).toString();
        events.append(std::move(e));
    }
    return events;
}

int SqliteEventStore::pruneBefore(const QDateTime& before)
{
    if (!m_db.isOpen())
        return 0;
    QSqlQuery query(m_db);
    query.prepare(QStringLiteral("DELETE FROM events WHERE at_ms < ?"));
    query.addBindValue(before.toMSecsSinceEpoch());
    return query.exec() ? query.numRowsAffected() : 0;
}

void SqliteEventStore::close()
{
    if (!m_db.isValid())
        return;
    m_db.close();
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connection);
}
