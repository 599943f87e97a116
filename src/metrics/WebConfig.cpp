#include "metrics/WebConfig.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QSslCertificate>
#include <QSslKey>
#include <yaml-cpp/yaml.h>

namespace
{
// Thrown from deep in the file and caught in load(): the one line the user reads.
struct Refusal {
    QString reason;
};

// Where the keys come from, for messages and for file names relative to the file.
struct Source {
    QString path;
    QDir folder;

    QString fileNamed(const QString& name) const { return QFileInfo(folder, name).absoluteFilePath(); }

    [[noreturn]] void refuse(const YAML::Mark& mark, const QString& key, const QString& problem) const
    {
        const QString line = mark.is_null() ? QString() : QStringLiteral(":%1").arg(mark.line + 1);
        throw Refusal{QStringLiteral("%1%2: %3: %4").arg(path, line, key, problem)};
    }
};

QString text(const YAML::Node& node)
{
    return QString::fromStdString(node.Scalar());
}

// A mapping's keys, each once and each a plain name; the keys listed as unsupported are known to
// exporter-toolkit but not served here, so they get a clearer refusal than an unknown key.
template <typename Use>
void eachKey(const Source& source, const YAML::Node& map, const QString& prefix, const QStringList& unsupported,
             Use use)
{
    QSet<QString> seen;
    for (const auto& entry : map) {
        if (!entry.first.IsScalar())
            source.refuse(entry.first.Mark(), prefix.isEmpty() ? QStringLiteral("key") : prefix,
                          QStringLiteral("keys must be plain names"));
        const QString name = text(entry.first);
        const QString key = prefix.isEmpty() ? name : prefix + QLatin1Char('.') + name;
        if (seen.contains(name))
            source.refuse(entry.first.Mark(), key, QStringLiteral("given twice"));
        seen.insert(name);
        if (unsupported.contains(name))
            source.refuse(entry.first.Mark(), key, QStringLiteral("not supported by vantrel-probe"));
        if (!use(name, key, entry.first.Mark(), entry.second))
            source.refuse(entry.first.Mark(), key, QStringLiteral("unknown key"));
    }
}

struct Setting {
    QString value;
    YAML::Mark mark;
    QString key;
};

Setting scalar(const Source& source, const QString& key, const YAML::Mark& mark, const YAML::Node& value)
{
    if (value.IsNull())
        return {QString(), mark, key};
    if (!value.IsScalar())
        source.refuse(mark, key, QStringLiteral("must be a single value"));
    return {text(value), mark, key};
}

QByteArray readNamedFile(const Source& source, const Setting& setting)
{
    const QString path = source.fileNamed(setting.value);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        source.refuse(setting.mark, setting.key, QStringLiteral("cannot read %1 (%2)").arg(path, file.errorString()));
    return file.readAll();
}

QList<QSslCertificate> certificates(const Source& source, const Setting& setting)
{
    const QList<QSslCertificate> list = QSslCertificate::fromData(readNamedFile(source, setting), QSsl::Pem);
    if (list.isEmpty())
        source.refuse(setting.mark, setting.key,
                      QStringLiteral("no PEM certificate in %1").arg(source.fileNamed(setting.value)));
    return list;
}

QSslKey privateKey(const Source& source, const Setting& setting)
{
    const QByteArray pem = readNamedFile(source, setting);
    for (QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec, QSsl::Dsa}) {
        QSslKey key(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            return key;
    }
    source.refuse(
        setting.mark, setting.key,
        QStringLiteral("no unencrypted PEM private key (RSA, EC or DSA) in %1").arg(source.fileNamed(setting.value)));
}

void readTls(const Source& source, const YAML::Mark& sectionMark, const YAML::Node& section,
             QSslConfiguration* configuration, TlsClientAuth::Type* clientAuth)
{
    const QString prefix = QStringLiteral("tls_server_config");
    if (!section.IsNull() && !section.IsMap())
        source.refuse(sectionMark, prefix, QStringLiteral("must be a mapping of keys"));
    Setting certFile, keyFile, caFile, authType, minVersion;
    if (section.IsMap()) {
        const QStringList unsupported{
            "cert",        "key",           "client_ca",         "client_allowed_sans",
            "max_version", "cipher_suites", "curve_preferences", "prefer_server_cipher_suites"};
        eachKey(source, section, prefix, unsupported,
                [&](const QString& name, const QString& key, const YAML::Mark& mark, const YAML::Node& value) {
                    Setting* target = name == QLatin1String("cert_file")          ? &certFile
                                      : name == QLatin1String("key_file")         ? &keyFile
                                      : name == QLatin1String("client_ca_file")   ? &caFile
                                      : name == QLatin1String("client_auth_type") ? &authType
                                      : name == QLatin1String("min_version")      ? &minVersion
                                                                                  : nullptr;
                    if (target)
                        *target = scalar(source, key, mark, value);
                    return target != nullptr;
                });
    }
    if (certFile.value.isEmpty() || keyFile.value.isEmpty())
        source.refuse(sectionMark, prefix, QStringLiteral("needs cert_file and key_file"));

    *clientAuth = TlsClientAuth::Type::NoClientCert;
    if (!authType.value.isEmpty()) {
        const std::optional<TlsClientAuth::Type> type = TlsClientAuth::fromName(authType.value);
        if (!type)
            source.refuse(authType.mark, authType.key,
                          QStringLiteral("\"%1\" is not one of %2").arg(authType.value, TlsClientAuth::names()));
        *clientAuth = *type;
    }
    QSsl::SslProtocol protocol = QSsl::TlsV1_2OrLater; // exporter-toolkit's default too
    if (minVersion.value == QLatin1String("TLS13"))
        protocol = QSsl::TlsV1_3OrLater;
    else if (!minVersion.value.isEmpty() && minVersion.value != QLatin1String("TLS12"))
        source.refuse(minVersion.mark, minVersion.key,
                      QStringLiteral("\"%1\" is not TLS12 or TLS13").arg(minVersion.value));

    QList<QSslCertificate> clientCas;
    if (!caFile.value.isEmpty()) {
        if (*clientAuth == TlsClientAuth::Type::NoClientCert)
            source.refuse(caFile.mark, caFile.key,
                          QStringLiteral("given, but client_auth_type asks for no client certificate"));
        clientCas = certificates(source, caFile);
    } else if (TlsClientAuth::verifiesChain(*clientAuth)) {
        source.refuse(authType.mark, authType.key, QStringLiteral("%1 needs client_ca_file").arg(authType.value));
    }

    *configuration = QSslConfiguration::defaultConfiguration();
    configuration->setLocalCertificateChain(certificates(source, certFile));
    configuration->setPrivateKey(privateKey(source, keyFile));
    configuration->setProtocol(protocol);
    configuration->setPeerVerifyMode(TlsClientAuth::verifyMode(*clientAuth));
    // Exactly these and not the system's: a client is trusted because of client_ca_file, nothing else.
    configuration->setCaCertificates(clientCas);
}

QHash<QByteArray, QByteArray> readUsers(const Source& source, const YAML::Mark& sectionMark, const YAML::Node& section)
{
    const QString prefix = QStringLiteral("basic_auth_users");
    QHash<QByteArray, QByteArray> users;
    if (section.IsNull())
        return users;
    if (!section.IsMap())
        source.refuse(sectionMark, prefix, QStringLiteral("must map user names to bcrypt hashes"));
    static const QRegularExpression bcrypt(QStringLiteral("^\\$2[aby]\\$[0-3][0-9]\\$[./A-Za-z0-9]{53}$"));
    eachKey(source, section, prefix, {},
            [&](const QString& name, const QString& key, const YAML::Mark& mark, const YAML::Node& value) {
                if (name.isEmpty() || name.contains(QLatin1Char(':')))
                    source.refuse(mark, key, QStringLiteral("a user name must be non-empty and without ':'"));
                const Setting hash = scalar(source, key, mark, value);
                if (!bcrypt.match(hash.value).hasMatch())
                    source.refuse(mark, key, QStringLiteral("not a bcrypt hash ($2y$, $2a$ or $2b$)"));
                users.insert(name.toUtf8(), hash.value.toLatin1());
                return true;
            });
    return users;
}
} // namespace

std::optional<WebConfig> WebConfig::load(const QString& path, QString* error)
{
    const Source source{path, QFileInfo(path).absoluteDir()};
    try {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Refusal{QStringLiteral("%1: cannot read the web config (%2)").arg(path, file.errorString())};
        YAML::Node root;
        try {
            root = YAML::Load(file.readAll().toStdString());
        } catch (const YAML::Exception& e) {
            source.refuse(e.mark, QStringLiteral("YAML"), QString::fromStdString(e.msg));
        }
        WebConfig config;
        if (root.IsNull())
            return config; // an empty file asks for nothing: plain HTTP, no auth
        if (!root.IsMap())
            source.refuse(root.Mark(), QStringLiteral("the file"),
                          QStringLiteral("must be a mapping of tls_server_config and basic_auth_users"));
        eachKey(source, root, QString(), {"http_server_config", "rate_limit"},
                [&](const QString& name, const QString&, const YAML::Mark& mark, const YAML::Node& value) {
                    if (name == QLatin1String("tls_server_config")) {
                        QSslConfiguration tls;
                        readTls(source, mark, value, &tls, &config.m_clientAuth);
                        config.m_tls = tls;
                    } else if (name == QLatin1String("basic_auth_users")) {
                        config.m_users = readUsers(source, mark, value);
                    } else {
                        return false;
                    }
                    return true;
                });
        return config;
    } catch (const Refusal& refusal) {
        if (error)
            *error = refusal.reason;
    }
    return std::nullopt;
}
