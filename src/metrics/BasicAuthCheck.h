#pragma once

#include <QByteArray>
#include <QFuture>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QThreadPool>
#include <atomic>
#include <optional>

// Checks the Authorization header of a request against bcrypt hashes (a web config's basic_auth_users).
// bcrypt is slow on purpose, so a pair that passed once is remembered (a SHA-256 of it, not the password)
// and later requests with it pass at once; only new or wrong pairs pay for a bcrypt run.
class BasicAuthCheck
{
public:
    explicit BasicAuthCheck(QHash<QByteArray, QByteArray> bcryptByUser);
    ~BasicAuthCheck(); // waits for the checks under way

    // The answer when it needs no bcrypt run: false for a missing or malformed header, true for a pair that
    // passed before; nullopt when only verify() can tell.
    std::optional<bool> quickVerdict(const QByteArray& authorization) const;
    // The whole check, bcrypt included; any thread.
    bool verify(const QByteArray& authorization);
    // verify() on a worker thread of this check's own. Past a few checks waiting, the answer is false at
    // once: a flood of wrong passwords must not queue up minutes of bcrypt work.
    QFuture<bool> verifyLater(const QByteArray& authorization);

private:
    QHash<QByteArray, QByteArray> m_bcryptByUser;
    mutable QMutex m_mutex;
    QSet<QByteArray> m_passed;
    std::atomic<int> m_waiting{0};
    QThreadPool m_pool; // last, so it is emptied before the rest goes
};
