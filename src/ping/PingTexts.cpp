#include "PingTexts.h"

#include <QByteArray>
#include <QHash>

QString statusText(qint64 status)
{
    static const QHash<qint64, const char*> texts = {
        {0, "Success"},
        {200, "Ping timeout"},
        {11001, "Buffer too small"},
        {11002, "Destination network unreachable"},
        {11003, "Destination host unreachable"},
        {11004, "Destination protocol unreachable"},
        {11005, "Destination port unreachable"},
        {11006, "No resources"},
        {11007, "Bad option"},
        {11008, "Hardware error"},
        {11009, "Packet too big"},
        {11010, "Request timed out"},
        {11011, "Bad request"},
        {11012, "Bad route"},
        {11013, "TTL expired transit"},
        {11014, "TTL expired reassem"},
        {11015, "Parameter problem"},
        {11016, "Source quench"},
        {11017, "Option too big"},
        {11018, "Bad destination"},
        {11019, "Address deleted"},
        {11020, "Specific MTU change"},
        {11021, "MTU change"},
        {11022, "Unload"},
        {11023, "Address added"},
        {11050, "General failure"},
        {11255, "Pending"},
    };
    const auto found = texts.constFind(status);
    return QString::fromLatin1(found == texts.constEnd() ? "Unknown message returned" : *found);
}

bool isHostName(const QString& text)
{
    for (const QChar c : text) {
        if (!(c >= QLatin1Char('0') && c <= QLatin1Char('9')) && c != QLatin1Char('.'))
            return true;
    }
    return false;
}

QString AddressBytesToText(const QByteArray& bytes)
{
    QString text;
    for (qsizetype i = 0; i < 4; ++i) {
        if (i > 0)
            text += QLatin1Char('.');
        text += QString::number(i < bytes.size() ? static_cast<quint8>(bytes.at(i)) : 0);
    }
    return text;
}

QString ipv4Text(quint32 address)
{
    return QStringLiteral("%1.%2.%3.%4")
        .arg(address >> 24)
        .arg((address >> 16) & 0xFF)
        .arg((address >> 8) & 0xFF)
        .arg(address & 0xFF);
}

int HighByte(quint16 value)
{
    return (value / 256) & 0xFF;
}

int LowByte(quint16 value)
{
    return value & 0xFF;
}

bool SocketsStartup()
{
    return true;
}

bool SocketsCleanup()
{
    return true;
}
