#include "export/JsonLinesWriter.h"

#include "ping/EchoStatus.h"
#include "ping/HostAddress.h"
#include "results/HostTable.h"
#include "results/ResultsFormat.h"

#include <QIODevice>

QByteArray JsonLinesWriter::quoted(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray out;
    out.reserve(utf8.size() + 2);
    out.append('"');
    for (const char c : utf8) {
        switch (c) {
        case '"':
            out.append("\\\"");
            break;
        case '\\':
            out.append("\\\\");
            break;
        case '\n':
            out.append("\\n");
            break;
        case '\r':
            out.append("\\r");
            break;
        case '\t':
            out.append("\\t");
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                out.append(QByteArray("\\u00") +
                           QByteArray::number(static_cast<unsigned char>(c), 16).rightJustified(2, '0'));
            else
                out.append(c);
        }
    }
    out.append('"');
    return out;
}

QByteArray JsonLinesWriter::timestamp(const QDateTime& when)
{
    if (!when.isValid())
        return QByteArrayLiteral("null");
    return '"' + when.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ")).toLatin1() + '"';
}

QByteArray JsonLinesWriter::milliseconds(quint64 us)
{
    return QByteArray::number(us / 1000) + '.' + QByteArray::number(us % 1000).rightJustified(3, '0');
}

QByteArray JsonLinesWriter::line(const HostTable& results, quint32 slot, qint64 round, const QDateTime& at)
{
    const quint64 succeeded = results.succeeded(slot);
    const quint64 failed = results.failed(slot);
    const bool counted = succeeded + failed > 0;
    QByteArray percent = QByteArrayLiteral("null");
    if (counted) {
        const qint64 hundredths = ResultsFormat::divideHalfEven(failed * 10000u, succeeded + failed);
        percent =
            QByteArray::number(hundredths / 100) + '.' + QByteArray::number(hundredths % 100).rightJustified(2, '0');
    }
    const auto time = [](bool present, qint64 us) {
        return present ? timestamp(QDateTime::fromMSecsSinceEpoch(us / 1000, Qt::UTC)) : QByteArrayLiteral("null");
    };
    const IpAddress& reply = results.replyAddress(slot);
    QByteArray out;
    out.reserve(400);
    out.append("{\"round\":").append(QByteArray::number(round));
    out.append(",\"time\":").append(timestamp(at));
    out.append(",\"host\":").append(quoted(results.hostText(slot)));
    out.append(",\"reply_address\":").append(!reply.isNull() ? quoted(reply.toString()) : "null");
    out.append(",\"succeeded\":").append(QByteArray::number(succeeded));
    out.append(",\"failed\":").append(QByteArray::number(failed));
    out.append(",\"failed_percent\":").append(percent);
    out.append(",\"status\":").append(counted ? QByteArray::number(quint32(results.lastStatus(slot))) : "null");
    out.append(",\"status_text\":").append(counted ? quoted(statusText(results.lastStatus(slot))) : "null");
    out.append(",\"rtt_ms\":").append(succeeded > 0 ? milliseconds(results.lastRttUs(slot)) : "null");
    out.append(",\"ttl\":").append(succeeded > 0 ? QByteArray::number(results.lastTtl(slot)) : "null");
    out.append(",\"average_rtt_ms\":")
        .append(succeeded > 0 ? milliseconds(static_cast<quint64>(
                                    ResultsFormat::divideHalfEven(results.rttSumUs(slot), succeeded)))
                              : "null");
    out.append(",\"description\":\"\"");
    out.append(",\"last_succeeded_on\":").append(time(succeeded > 0, results.lastSuccessUs(slot)));
    out.append(",\"last_failed_on\":").append(time(failed > 0, results.lastFailureUs(slot)));
    out.append("}\n");
    return out;
}

bool JsonLinesWriter::write(const HostTable& results, qint64 round, const QDateTime& at, QIODevice& device)
{
    m_errorString.clear();
    QByteArray chunk;
    for (int i = 0; i < results.rowCount(); ++i) {
        chunk.append(line(results, results.slotAt(i), round, at));
        // Whole lines in chunks of about 64 KiB: few writes, little memory.
        if (chunk.size() >= 65536 || i + 1 == results.rowCount()) {
            if (device.write(chunk) != chunk.size()) {
                m_errorString = device.errorString();
                return false;
            }
            chunk.clear();
        }
    }
    return true;
}
