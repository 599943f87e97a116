#pragma once

#include <QByteArray>
#include <QDateTime>

class QIODevice;
class HostTable;

// The results as JSON lines: one object per row, one line each (LF), with typed fields in this order:
//   round, time (when the line was written), host, reply_address, succeeded, failed, failed_percent,
//   status, status_text, rtt_ms, ttl, average_rtt_ms, description, last_succeeded_on, last_failed_on.
// Times are RFC 3339 in UTC with milliseconds; milliseconds and counts are numbers; a cell with no value
// yet is null. failed_percent is rounded as the table rounds it; rtt_ms and average_rtt_ms keep three
// decimals (microseconds), the average rounded to the microsecond halves to even.
class JsonLinesWriter
{
public:
    static QByteArray line(const HostTable& results, quint32 slot, qint64 round, const QDateTime& at);
    // Every row of the table; false (and errorString) when the device refuses a line.
    bool write(const HostTable& results, qint64 round, const QDateTime& at, QIODevice& device);
    QString errorString() const { return m_errorString; }

    static QByteArray quoted(const QString& text);
    static QByteArray timestamp(const QDateTime& when);
    // Microseconds as milliseconds with three decimals: 40 is "0.040".
    static QByteArray milliseconds(quint64 us);

private:
    QString m_errorString;
};
