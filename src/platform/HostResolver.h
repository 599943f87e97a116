#pragma once

#include <QObject>
#include <QString>
#include <functional>

// Resolves host names to address texts without blocking the caller's thread.
class HostResolver
{
public:
    virtual ~HostResolver() = default;

    using Done = std::function<void(const QString& addressText)>;
    // done runs once on the caller's thread with the address to ping: the first IPv4 address of the answer,
    // else its first IPv6 address (a resolver may be limited to one family), or the empty text when the name
    // does not resolve; never when context is destroyed first.
    virtual void resolve(const QString& name, QObject* context, Done done) = 0;
};
