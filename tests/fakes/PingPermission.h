#pragma once

#include <QFile>
#include <QList>
#include <sys/types.h>
#include <unistd.h>

// Whether net.ipv4.ping_group_range lets this group open the datagram ICMP socket.
inline bool datagramIcmpOpenTo(gid_t group)
{
    QFile range(QStringLiteral("/proc/sys/net/ipv4/ping_group_range"));
    if (!range.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> bounds = range.readAll().simplified().split(' ');
    return bounds.size() == 2 && bounds[0].toLongLong() <= group && group <= bounds[1].toLongLong();
}

// The program can ping here: as root through the raw socket, or where the datagram socket is allowed.
inline bool canPing()
{
    return ::geteuid() == 0 || datagramIcmpOpenTo(::getegid());
}
