#include "export/JsonLinesWriter.h"

#include "core/ResultsFormat.h"
#include "core/ResultsModel.h"
#include "ping/EchoStatus.h"
#include "ping/HostAddress.h"

#include <QIODevice>

namespace
{
template <typename T> QByteArray numberOrNull(const std::optional<T>& value)
{
    return value ? QByteArray::number(*value) : QByteArrayLiteral("null");
}
} // namespace

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

QByteArray JsonLinesWriter::line(const ResultRow& r, qint64 round, const QDateTime& at)
{
    const quint64 total = static_cast<quint64>(r.succeeded) + static_cast<quint64>(r.failed);
    QByteArray percent = QByteArrayLiteral("null");
    if (total > 0) {
        const qint64 hundredths = ResultsFormat::divideHalfEven(static_cast<quint64>(r.failed) * 10000u, total);
        percent =
            QByteArray::number(hundredths / 100) + '.' + QByteArray::number(hundredths % 100).rightJustified(2, '0');
    }
    QByteArray out;
    out.reserve(400);
    out.append("{\"round\":").append(QByteArray::number(round));
    out.append(",\"time\":").append(timestamp(at));
    out.append(",\"host\":").append(quoted(r.host));
    out.append(",\"reply_address\":").append(!r.replyAddress.isNull() ? quoted(r.replyAddress.toString()) : "null");
    out.append(",\"succeeded\":").append(QByteArray::number(r.succeeded));
    out.append(",\"failed\":").append(QByteArray::number(r.failed));
    out.append(",\"failed_percent\":").append(percent);
    out.append(",\"status\":").append(numberOrNull(r.lastStatus));
    out.append(",\"status_text\":")
        .append(r.lastStatus ? quoted(statusText(static_cast<EchoStatus>(*r.lastStatus))) : "null");
    out.append(",\"rtt_ms\":").append(numberOrNull(r.lastRtt));
    out.append(",\"ttl\":").append(r.lastTtl ? QByteArray::number(*r.lastTtl) : "null");
    out.append(",\"average_rtt_ms\":")
        .append(r.rttCount ? QByteArray::number(ResultsFormat::divideHalfEven(r.rttSum, r.rttCount)) : "null");
    out.append(",\"description\":\"\"");
    out.append(",\"last_succeeded_on\":").append(timestamp(r.lastSucceedOn));
    out.append(",\"last_failed_on\":").append(timestamp(r.lastFailedOn));
    out.append("}\n");
    return out;
}

bool JsonLinesWriter::write(const ResultsModel& results, qint64 round, const QDateTime& at, QIODevice& device)
{
    m_errorString.clear();
    QByteArray chunk;
    for (int i = 0; i < results.count(); ++i) {
        chunk.append(line(results.row(i), round, at));
        // Whole lines in chunks of about 64 KiB: few writes, little memory.
        if (chunk.size() >= 65536 || i + 1 == results.count()) {
            if (device.write(chunk) != chunk.size()) {
                m_errorString = device.errorString();
                return false;
            }
            chunk.clear();
        }
    }
    return true;
}
