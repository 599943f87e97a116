#pragma once

#include <QUrl>

class UrlOpener
{
public:
    virtual ~UrlOpener() = default;
    virtual void open(const QUrl& url) = 0;
};
