#pragma once

#include <QByteArray>
#include <crypt.h>
#include <memory>

// A bcrypt hash of password made by libxcrypt itself, as htpasswd -B would: prefix "$2y$", "$2b$" or "$2a$".
inline QByteArray bcryptHash(const QByteArray& password, const char* prefix, unsigned long cost)
{
    char salt[CRYPT_GENSALT_OUTPUT_SIZE];
    if (!crypt_gensalt_rn(prefix, cost, nullptr, 0, salt, sizeof salt))
        return {};
    auto data = std::make_unique<crypt_data>();
    const char* hash = crypt_rn(password.constData(), salt, data.get(), sizeof(crypt_data));
    return hash ? QByteArray(hash) : QByteArray();
}
