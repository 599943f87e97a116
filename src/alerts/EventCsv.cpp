#include "EventCsv.h"

#include "EventTexts.h"

#include <QIODevice>

namespace
{

QByteArray field(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n'))
        return bytes;
    bytes.replace("\"", "\"\"");
    return '"' + bytes + '"';
}

} // namespace

namespace EventCsv
{

QByteArray text(const HostEvents& events)
{
    QByteArray out = "Time,Host,State,Outage (s),Status\r\n";
    for (const HostEvent& e : events) {
        out += field(EventTexts::isoTime(e.when)) + ',' + field(e.host) + ',' + field(hostStateName(e.state)) + ',' +
               (e.durationSecs ? QByteArray::number(*e.durationSecs) : QByteArray()) + ',' + field(e.status) + "\r\n";
    }
    return out;
}

bool write(const HostEvents& events, QIODevice& device)
{
    const QByteArray bytes = text(events);
    return device.write(bytes) == bytes.size();
}

} // namespace EventCsv
