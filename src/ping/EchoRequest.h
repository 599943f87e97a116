#pragma once

#include "ping/HostAddress.h"

#include <QtGlobal>

// One echo asked of the engine. A request whose text was no address is still made (valid false): the engine
// answers it with "Bad destination" like any other outcome.
struct EchoRequest {
    quint64 tag = 0;
    HostAddress::Target target;
    bool valid = false;

    static EchoRequest forText(quint64 tag, const QString& addressText)
    {
        EchoRequest request;
        request.tag = tag;
        if (const std::optional<HostAddress::Target> target = HostAddress::parseLiteral(addressText)) {
            request.target = *target;
            request.valid = true;
        }
        return request;
    }
};
