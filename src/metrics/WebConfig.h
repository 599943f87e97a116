#pragma once

#include "metrics/TlsClientAuth.h"

#include <QByteArray>
#include <QHash>
#include <QSslConfiguration>
#include <QString>
#include <optional>

// The web configuration file of Prometheus exporters (exporter-toolkit's --web.config.file): TLS for the metrics
// endpoint and the users basic auth lets in. The certificate files it names are read once, when it is loaded;
// relative names are taken from the file's own folder, as exporter-toolkit does.
class WebConfig
{
public:
    // The settings, or nullopt and *error set to one line naming the file, the line when known, and the key.
    static std::optional<WebConfig> load(const QString& path, QString* error);

    bool usesTls() const { return m_tls.has_value(); }
    // Certificate chain, key, lowest TLS version and the client certificate policy; meaningful with usesTls().
    QSslConfiguration sslConfiguration() const { return m_tls.value_or(QSslConfiguration()); }
    TlsClientAuth::Type clientAuth() const { return m_clientAuth; }
    // User name to bcrypt hash; empty when the file asks for no basic auth.
    const QHash<QByteArray, QByteArray>& users() const { return m_users; }

private:
    std::optional<QSslConfiguration> m_tls;
    TlsClientAuth::Type m_clientAuth = TlsClientAuth::Type::NoClientCert;
    QHash<QByteArray, QByteArray> m_users;
};
