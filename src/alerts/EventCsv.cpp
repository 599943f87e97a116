#include "alerts/EventCsv.h"

#include "alerts/EventTexts.h"
#include "core/CsvField.h"

#include <QIODevice>

namespace EventCsv
{

QByteArray text(const HostEvents& events)
{
    QByteArray out = "Time,Host,State,Outage (s),Status\r\n";
    for (const HostEvent& e : events) {
        out += CsvField::encode(EventTexts::isoTime(e.when)) + ',' + CsvField::encode(e.host) + ',' +
               CsvField::encode(e.name()) + ',' +
               (e.durationSecs ? QByteArray::number(*e.durationSecs) : QByteArray()) + ',' +
               CsvField::encode(e.status) + "\r\n";
    }
    return out;
}

bool write(const HostEvents& events, QIODevice& device)
{
    const QByteArray bytes = text(events);
    return device.write(bytes) == bytes.size();
}

} // namespace EventCsv
