#pragma once

#include "alerts/EventStore.h"

#include <QSqlDatabase>

// The outage log in an SQLite file, in WAL mode so a commit is one append and readers never wait.
class SqliteEventStore : public EventStore
{
public:
    explicit SqliteEventStore(QString path = defaultPath());
    ~SqliteEventStore() override;

    // $XDG_DATA_HOME/vantrel/events.sqlite, else ~/.local/share/vantrel/events.sqlite.
    static QString defaultPath();
    QString path() const { return m_path; }

    bool open(QString* error) override;
    bool append(const HostEvents& events, QString* error) override;
    HostEvents newestFirst(const QDateTime& from, int limit) override;
    int pruneBefore(const QDateTime& before) override;
    void close() override;

private:
    bool exec(const QString& statement, QString* error, QString* firstValue = nullptr);

    QString m_path;
    QString m_connection;
    QSqlDatabase m_db;
};
