#include "metrics/BasicAuthCheck.h"

#include <QCryptographicHash>
#include <QMutexLocker>
#include <QPromise>
#include <crypt.h>
#include <memory>

namespace
{
constexpr int MaxWaiting = 16;
constexpr qsizetype MaxRemembered = 1024;

struct Credentials {
    QByteArray user;
    QByteArray password;
};

std::optional<Credentials> credentials(const QByteArray& authorization)
{
    static const QByteArray scheme = QByteArrayLiteral("basic ");
    if (!authorization.toLower().startsWith(scheme))
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(authorization.mid(scheme.size()).trimmed(),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    const qsizetype colon = decoded.decoded.indexOf(':');
    if (!decoded || colon < 0)
        return std::nullopt;
    return Credentials{decoded.decoded.left(colon), decoded.decoded.mid(colon + 1)};
}

QByteArray passKey(const Credentials& c)
{
    return QCryptographicHash::hash(c.user + ':' + c.password, QCryptographicHash::Sha256);
}

// Every byte is looked at whatever the first difference, so the time taken tells nothing of where it is.
bool constantTimeEquals(const QByteArray& a, const QByteArray& b)
{
    if (a.size() != b.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < a.size(); ++i)
        difference |= static_cast<unsigned char>(a[i] ^ b[i]);
    return difference == 0;
}

bool bcryptMatches(const QByteArray& password, const QByteArray& hash)
{
    if (password.contains('\0'))
        return false;
    auto data = std::make_unique<crypt_data>(); // zeroed, as crypt_rn wants; 32 KiB, so not on the stack
    const char* result = crypt_rn(password.constData(), hash.constData(), data.get(), sizeof(crypt_data));
    return result && constantTimeEquals(QByteArray(result), hash);
}
} // namespace

BasicAuthCheck::BasicAuthCheck(QHash<QByteArray, QByteArray> bcryptByUser) : m_bcryptByUser(std::move(bcryptByUser))
{
    m_pool.setMaxThreadCount(1);
}

BasicAuthCheck::~BasicAuthCheck()
{
    m_pool.waitForDone();
}

std::optional<bool> BasicAuthCheck::quickVerdict(const QByteArray& authorization) const
{
    const std::optional<Credentials> c = credentials(authorization);
    if (!c)
        return false;
    QMutexLocker lock(&m_mutex);
    if (m_passed.contains(passKey(*c)))
        return true;
    return std::nullopt;
}

bool BasicAuthCheck::verify(const QByteArray& authorization)
{
    const std::optional<Credentials> c = credentials(authorization);
    if (!c || m_bcryptByUser.isEmpty())
        return false;
    const QByteArray key = passKey(*c);
    {
        QMutexLocker lock(&m_mutex);
        if (m_passed.contains(key))
            return true;
    }
    // An unknown user costs a bcrypt run as well, so the time taken does not tell which names exist.
    const auto user = m_bcryptByUser.constFind(c->user);
    const bool known = user != m_bcryptByUser.cend();
    const bool matches = bcryptMatches(c->password, known ? *user : *m_bcryptByUser.cbegin());
    if (!known || !matches)
        return false;
    QMutexLocker lock(&m_mutex);
    // Only right passwords get here, but bcrypt reads just 72 bytes of one, so longer ones can vary past it.
    if (m_passed.size() >= MaxRemembered)
        m_passed.clear();
    m_passed.insert(key);
    return true;
}

QFuture<bool> BasicAuthCheck::verifyLater(const QByteArray& authorization)
{
    if (m_waiting.fetch_add(1) >= MaxWaiting) {
        --m_waiting;
        return QtFuture::makeReadyFuture(false);
    }
    auto promise = std::make_shared<QPromise<bool>>();
    QFuture<bool> future = promise->future();
    promise->start();
    m_pool.start([this, promise, authorization] {
        promise->addResult(verify(authorization));
        --m_waiting;
        promise->finish();
    });
    return future;
}
