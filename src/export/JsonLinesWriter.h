#pragma once

#include <QByteArray>
#include <QDateTime>

class QIODevice;
class ResultsModel;
struct ResultRow;

// The results as JSON lines: one object per row, one line each (LF), with typed fields in this order:
//   round, time (when the line was written), host, reply_address, succeeded, failed, failed_percent,
//   status, status_text, rtt_ms, ttl, average_rtt_ms, description, last_succeeded_on, last_failed_on.
// Times are RFC 3339 in UTC with milliseconds; milliseconds and counts are numbers; a cell with no value
// yet is null. failed_percent and average_rtt_ms are rounded as the table rounds them.
class JsonLinesWriter
{
public:
    static QByteArray line(const ResultRow& row, qint64 round, const QDateTime& at);
    // Every row of the table; false (and errorString) when the device refuses a line.
    bool write(const ResultsModel& results, qint64 round, const QDateTime& at, QIODevice& device);
    QString errorString() const { return m_errorString; }

    static QByteArray quoted(const QString& text);
    static QByteArray timestamp(const QDateTime& when);

private:
    QString m_errorString;
};
