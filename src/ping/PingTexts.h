#pragma once

#include <QString>

// Status texts and address texts of the ping engine.
QString statusText(qint64 status);
// True when some character is neither a decimal digit nor a dot.
bool isHostName(const QString& text);
// Four address bytes, one per character, as dotted decimal.
QString AddressBytesToText(const QByteArray& bytes);
// An IPv4 address in host byte order as dotted decimal.
QString ipv4Text(quint32 address);
int HighByte(quint16 value);
int LowByte(quint16 value);
// Sockets on Linux need no start-up or clean-up.
bool SocketsStartup();
bool SocketsCleanup();
