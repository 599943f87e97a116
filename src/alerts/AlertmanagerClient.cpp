#include "alerts/AlertmanagerClient.h"

#include "platform/Clock.h"
#include "platform/RandomSource.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <memory>
#include <vector>

namespace
{
using Alert = AlertmanagerClient::Alert;

QString rfc3339(const QDateTime& when)
{
    return when.toUTC().toString(Qt::ISODateWithMs);
}

QJsonObject labelsOf(const Alert& alert, const QString& instance)
{
    QJsonObject labels;
    for (auto it = alert.labels.cbegin(); it != alert.labels.cend(); ++it)
        labels.insert(it.key(), it.value());
    const std::pair<const char*, QString> ours[] = {
        {"alertname", alert.alertName}, {"host", alert.host}, {"instance", instance}, {"severity", alert.severity}};
    for (const auto& [name, value] : ours) {
        if (!value.isEmpty())
            labels.insert(QLatin1String(name), value);
        else
            labels.remove(QLatin1String(name));
    }
    return labels;
}

// Alertmanager tells alerts apart by their labels, so the client does too.
QString keyOf(const QJsonObject& labels)
{
    QString key;
    for (auto it = labels.constBegin(); it != labels.constEnd(); ++it) // sorted by name
        key += it.key() + u'\x1f' + it.value().toString() + u'\x1e';
    return key;
}

QString describe(QNetworkReply* reply, int timeoutMs)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status > 0) {
        QString text = QStringLiteral("HTTP %1").arg(status);
        const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        if (!reason.isEmpty())
            text += u' ' + reason;
        const QString body = QString::fromUtf8(reply->readAll()).section(u'\n', 0, 0).trimmed().left(200);
        return body.isEmpty() ? text : text + QStringLiteral(": ") + body;
    }
    if (reply->error() == QNetworkReply::OperationCanceledError)
        return QStringLiteral("no answer within %1 s").arg(timeoutMs / 1000.0);
    QString text = reply->errorString();
    if (!text.isEmpty())
        text[0] = text.at(0).toLower();
    return text;
}
} // namespace

struct AlertmanagerClient::Worker : QObject {
    struct Resolved {
        QJsonObject alert; // as posted while active
        QDateTime endsAt;
    };
    struct Target {
        QString name; // for messages: the address without credentials
        QUrl postUrl;
        QNetworkReply* reply = nullptr;
        std::unique_ptr<QTimer> retry;
        std::unique_ptr<QTimer> repost;
        bool dirty = false;
        bool failing = false;
        int failures = 0;
        QHash<QString, Resolved> owed;      // gone away, not yet known to have been posted as resolved
        QHash<QString, QDateTime> sentOwed; // those of them in the post under way
    };

    AlertmanagerClient* client;
    Options options;
    RandomSource& random;
    std::unique_ptr<QNetworkAccessManager> network;
    std::vector<std::unique_ptr<Target>> targets;
    QHash<QString, QJsonObject> active; // by key: labels, annotations, startsAt
    QHash<QString, QDateTime> activeSince;

    Worker(AlertmanagerClient* c, Options o, RandomSource& r) : client(c), options(std::move(o)), random(r) {}

    void start()
    {
        network = std::make_unique<QNetworkAccessManager>();
        for (const QUrl& url : std::as_const(options.urls)) {
            auto t = std::make_unique<Target>();
            Target* target = t.get();
            t->name = url.toDisplayString(QUrl::RemoveUserInfo | QUrl::StripTrailingSlash);
            t->postUrl = url.adjusted(QUrl::StripTrailingSlash);
            t->postUrl.setPath(t->postUrl.path() + QStringLiteral("/api/v2/alerts"));
            t->retry = std::make_unique<QTimer>();
            t->retry->setSingleShot(true);
            connect(t->retry.get(), &QTimer::timeout, this, [this, target] { send(*target); });
            t->repost = std::make_unique<QTimer>();
            t->repost->setSingleShot(true);
            connect(t->repost.get(), &QTimer::timeout, this, [this, target] {
                target->dirty = true;
                kick(*target);
            });
            targets.push_back(std::move(t));
        }
    }

    void stop()
    {
        for (const auto& t : targets) {
            if (QNetworkReply* reply = std::exchange(t->reply, nullptr)) {
                reply->disconnect(this);
                reply->abort();
                delete reply;
            }
        }
        targets.clear();
        network.reset();
    }

    void setActive(const QList<Alert>& alerts, const QDateTime& now)
    {
        QHash<QString, QJsonObject> next;
        QHash<QString, QDateTime> nextSince;
        bool urgent = false;
        for (const Alert& a : alerts) {
            QJsonObject o;
            const QJsonObject labels = labelsOf(a, options.instance);
            o.insert(QLatin1String("labels"), labels);
            QJsonObject annotations;
            if (!a.summary.isEmpty())
                annotations.insert(QLatin1String("summary"), a.summary);
            if (!a.status.isEmpty())
                annotations.insert(QLatin1String("status"), a.status);
            if (a.since.isValid()) {
                annotations.insert(QLatin1String("since"), rfc3339(a.since));
                o.insert(QLatin1String("startsAt"), rfc3339(a.since));
            }
            o.insert(QLatin1String("annotations"), annotations);
            if (options.generatorUrl.isValid())
                o.insert(QLatin1String("generatorURL"), options.generatorUrl.toString());
            const QString key = keyOf(labels);
            next.insert(key, o);
            nextSince.insert(key, a.since);
            const auto was = activeSince.constFind(key);
            urgent = urgent || was == activeSince.cend() || was.value() != a.since;
        }
        for (auto it = active.cbegin(); it != active.cend(); ++it) {
            if (next.contains(it.key()))
                continue;
            urgent = true;
            for (const auto& t : targets)
                t->owed.insert(it.key(), Resolved{it.value(), now});
        }
        for (const auto& t : targets) {
            for (auto it = t->owed.begin(); it != t->owed.end();)
                it = next.contains(it.key()) ? t->owed.erase(it) : std::next(it);
        }
        active = std::move(next);
        activeSince = std::move(nextSince);
        if (urgent) {
            for (const auto& t : targets) {
                t->dirty = true;
                kick(*t);
            }
        }
    }

    // Posts now unless a post is under way (its end looks at dirty) or a retry is waiting (it posts the newest).
    void kick(Target& t)
    {
        if (t.reply == nullptr && !t.retry->isActive())
            send(t);
    }

    void send(Target& t)
    {
        t.dirty = false;
        t.sentOwed.clear();
        QJsonArray posted;
        for (const QJsonObject& o : std::as_const(active))
            posted.append(o);
        for (auto it = t.owed.cbegin(); it != t.owed.cend(); ++it) {
            QJsonObject o = it->alert;
            o.insert(QLatin1String("endsAt"), rfc3339(it->endsAt));
            posted.append(o);
            t.sentOwed.insert(it.key(), it->endsAt);
        }
        if (posted.isEmpty()) {
            t.repost->stop();
            return;
        }
        QNetworkRequest request(t.postUrl);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        request.setTransferTimeout(options.timeoutMs);
        t.reply = network->post(request, QJsonDocument(posted).toJson(QJsonDocument::Compact));
        connect(t.reply, &QNetworkReply::finished, this, [this, target = &t] { finished(*target); });
    }

    void finished(Target& t)
    {
        QNetworkReply* reply = std::exchange(t.reply, nullptr);
        reply->deleteLater(); // it is still emitting
        if (reply->error() == QNetworkReply::NoError) {
            for (auto it = t.sentOwed.cbegin(); it != t.sentOwed.cend(); ++it) {
                const auto owed = t.owed.constFind(it.key());
                if (owed != t.owed.cend() && owed->endsAt == it.value())
                    t.owed.remove(it.key());
            }
            t.failures = 0;
            if (t.failing) {
                t.failing = false;
                tell(News::Recovered, QStringLiteral("delivering alerts again"), t);
            }
            if (t.dirty)
                send(t);
            else if (!active.isEmpty() || !t.owed.isEmpty())
                t.repost->start(options.repostMs);
            return;
        }
        if (!t.failing) {
            t.failing = true;
            tell(News::Failed, describe(reply, options.timeoutMs) + QStringLiteral("; retrying"), t);
        }
        t.repost->stop();
        t.retry->start(retryDelayMs(t.failures++));
    }

    int retryDelayMs(int failures)
    {
        qint64 delay = std::max(options.firstRetryMs, 1);
        for (int i = 0; i < failures && delay < options.maxRetryMs; ++i)
            delay *= 2;
        delay = std::min<qint64>(delay, options.maxRetryMs);
        // Spread out, so that many probes an outage hit together do not retry in step.
        return static_cast<int>(delay + static_cast<qint64>(random.next() * static_cast<double>(delay) / 4));
    }

    enum class News { Failed, Recovered };
    void tell(News news, const QString& what, const Target& t)
    {
        const QString message = QStringLiteral("alertmanager %1: %2").arg(t.name, what);
        QMetaObject::invokeMethod(
            client,
            [c = client, news, message] {
                if (news == News::Failed)
                    Q_EMIT c->failed(message);
                else
                    Q_EMIT c->recovered(message);
            },
            Qt::QueuedConnection);
    }
};

AlertmanagerClient::AlertmanagerClient(Options options, Clock& clock, RandomSource& random, QObject* parent)
    : QObject(parent), m_clock(clock), m_worker(new Worker(this, std::move(options), random))
{
    m_worker->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("alertmanager"));
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker] { w->start(); }, Qt::QueuedConnection);
}

AlertmanagerClient::~AlertmanagerClient()
{
    // Alerts still firing are left to Alertmanager: the hosts are not known to be back.
    QMetaObject::invokeMethod(
        m_worker,
        [w = m_worker] {
            w->stop();
            QThread::currentThread()->quit();
        },
        Qt::QueuedConnection);
    m_thread.wait();
    delete m_worker;
}

void AlertmanagerClient::setActive(const QList<Alert>& alerts)
{
    QMetaObject::invokeMethod(
        m_worker, [w = m_worker, alerts, now = m_clock.now()] { w->setActive(alerts, now); }, Qt::QueuedConnection);
}
