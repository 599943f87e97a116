#pragma once

#include <QList>
#include <QSslError>
#include <QSslSocket>
#include <QString>
#include <optional>

// The client_auth_type values of an exporter-toolkit web config, and what each asks of a TLS handshake. Qt knows
// only "verify" or "don't": the policies in between verify the peer and forgive the errors they do not mind.
class TlsClientAuth
{
public:
    enum class Type {
        NoClientCert,
        RequestClientCert,
        RequireAnyClientCert,
        VerifyClientCertIfGiven,
        RequireAndVerifyClientCert
    };

    static std::optional<Type> fromName(const QString& name);
    static QString names(); // for messages: the accepted names, comma separated
    // Whether the policy checks client certificates against client_ca_file, and so needs one.
    static bool verifiesChain(Type type);
    static QSslSocket::PeerVerifyMode verifyMode(Type type);
    // Whether a handshake that reported these errors may go on.
    static bool forgives(Type type, const QList<QSslError>& errors);
};
