#pragma once

#include "platform/UrlOpener.h"

#include <QDesktopServices>

class DesktopUrlOpener : public UrlOpener
{
public:
    void open(const QUrl& url) override { QDesktopServices::openUrl(url); }
};
