#pragma once

#include "HostResolver.h"

// Resolves through QHostInfo, whose lookups run on Qt's own worker threads, many at once.
class QtHostResolver : public HostResolver {
public:
    void resolve(const QString& name, QObject* context, Done done) override;
};
