#pragma once

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QSysInfo>
#include <QThread>
#include <QUrl>

class Clock;
class RandomSource;

// Hands the problems of the moment to one or more Prometheus Alertmanagers (POST {url}/api/v2/alerts). The
// caller says which alerts are active now; the client posts new ones at once, the ones that went away once as
// resolved, and all active ones again every repost interval, so that Alertmanager keeps them (its
// resolve_timeout is 5 minutes by default) and gets them back after a restart. Posting happens on a thread of
// its own and never holds up the caller; a failed post is retried with growing pauses, each time with the
// newest state, so nothing piles up.
class AlertmanagerClient : public QObject
{
    Q_OBJECT
public:
    struct Alert {
        QString alertName; // VantrelHostDown, VantrelHostDegraded, ...
        QString host;
        QString severity;
        QString summary; // "answer.lab is down"
        QString status;  // the status text
        QDateTime since;
        QMap<QString, QString> labels; // further labels, such as the host's own; ours win on a clash
        bool operator==(const Alert&) const = default;
    };
    struct Options {
        QList<QUrl> urls; // Alertmanager's base address: http://127.0.0.1:9093
        QString instance = QSysInfo::machineHostName();
        QUrl generatorUrl; // where the alerts come from, if anywhere to be seen
        int repostMs = 60 * 1000;
        int firstRetryMs = 1000; // doubling to maxRetryMs, each plus up to a quarter at random
        int maxRetryMs = 60 * 1000;
        int timeoutMs = 10 * 1000;
    };

    // The clock is read on the caller's thread; random is drawn on the client's own thread only.
    AlertmanagerClient(Options options, Clock& clock, RandomSource& random, QObject* parent = nullptr);
    ~AlertmanagerClient() override;

    // Every alert that is active now. Alerts are told apart by their labels; a change of status text alone
    // waits for the next repost.
    void setActive(const QList<Alert>& alerts);

Q_SIGNALS:
    // Once when posting to an Alertmanager stops working, with one line such as
    // "alertmanager http://127.0.0.1:9093: connection refused; retrying", not once per attempt.
    void failed(const QString& message);
    // Once when it works again: "alertmanager http://127.0.0.1:9093: delivering alerts again".
    void recovered(const QString& message);

private:
    struct Worker;
    Clock& m_clock;
    QThread m_thread;
    Worker* m_worker;
};
