#include "metrics/TlsClientAuth.h"

#include <QStringList>
#include <algorithm>
#include <array>
#include <utility>

namespace
{
using Type = TlsClientAuth::Type;
const std::array<std::pair<Type, const char*>, 5> byName{{
    {Type::NoClientCert, "NoClientCert"},
    {Type::RequestClientCert, "RequestClientCert"},
    {Type::RequireAnyClientCert, "RequireAnyClientCert"},
    {Type::VerifyClientCertIfGiven, "VerifyClientCertIfGiven"},
    {Type::RequireAndVerifyClientCert, "RequireAndVerifyClientCert"},
}};

bool isNoCertificate(const QSslError& error)
{
    return error.error() == QSslError::NoPeerCertificate;
}
} // namespace

std::optional<TlsClientAuth::Type> TlsClientAuth::fromName(const QString& name)
{
    for (const auto& [type, text] : byName) {
        if (name == QLatin1String(text))
            return type;
    }
    return std::nullopt;
}

QString TlsClientAuth::names()
{
    QStringList list;
    for (const auto& entry : byName)
        list << QLatin1String(entry.second);
    return list.join(QStringLiteral(", "));
}

bool TlsClientAuth::verifiesChain(Type type)
{
    return type == Type::VerifyClientCertIfGiven || type == Type::RequireAndVerifyClientCert;
}

QSslSocket::PeerVerifyMode TlsClientAuth::verifyMode(Type type)
{
    switch (type) {
    case Type::NoClientCert:
        return QSslSocket::VerifyNone;
    case Type::RequestClientCert:
        return QSslSocket::QueryPeer; // asks, takes whatever comes
    case Type::RequireAnyClientCert:
    case Type::VerifyClientCertIfGiven:
    case Type::RequireAndVerifyClientCert:
        break;
    }
    return QSslSocket::VerifyPeer;
}

bool TlsClientAuth::forgives(Type type, const QList<QSslError>& errors)
{
    switch (type) {
    case Type::NoClientCert:
    case Type::RequestClientCert:
        return true;
    case Type::RequireAnyClientCert: // a certificate must come, whoever signed it
        return std::none_of(errors.begin(), errors.end(), isNoCertificate);
    case Type::VerifyClientCertIfGiven: // none is fine, a bad one is not
        return std::all_of(errors.begin(), errors.end(), isNoCertificate);
    case Type::RequireAndVerifyClientCert:
        break;
    }
    return false;
}
