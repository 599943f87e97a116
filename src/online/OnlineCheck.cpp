#include "online/OnlineCheck.h"

#include "platform/MessageBoxes.h"
#include "platform/ProcessRunner.h"

OnlineCheck::OnlineCheck(ProcessRunner& runner, MessageBoxes& boxes, QString applicationTitle)
    : m_runner(runner), m_boxes(boxes), m_title(std::move(applicationTitle))
{
}

bool OnlineCheck::looksOnline(const QString& captured)
{
    // " ttl=" stays untranslated in every language and shows only on a reply; "icmp_seq=" would not do,
    // as "Destination Host Unreachable" lines carry it too.
    return captured.contains(QStringLiteral("bytes from"), Qt::CaseInsensitive) ||
           captured.contains(QStringLiteral("bytes="), Qt::CaseInsensitive) ||
           captured.contains(QStringLiteral(" ttl="), Qt::CaseInsensitive);
}

void OnlineCheck::start()
{
    // -W 2 bounds ping's own wait; the runner's timeout covers a resolver that hangs. LC_ALL=C keeps
    // ping's words English on a translated desktop.
    m_runner.capture(QStringLiteral("ping"),
                     {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("2"),
                      QString::fromLatin1(CheckedHost)},
                     {QStringLiteral("LC_ALL=C")}, true, false, TimeoutMs, [this](const QString& output) {
                         if (!looksOnline(output))
                             m_boxes.information(m_title,
                                                 QStringLiteral("You must be online to use this software accurately."));
                     });
}
