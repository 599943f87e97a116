#include "OnlineCheck.h"

#include "MessageBoxes.h"
#include "ProcessRunner.h"

OnlineCheck::OnlineCheck(ProcessRunner& runner, MessageBoxes& boxes, QString applicationTitle)
    : m_runner(runner), m_boxes(boxes), m_title(std::move(applicationTitle))
{
}

bool OnlineCheck::looksOnline(const QString& captured)
{
    return captured.contains(QStringLiteral("bytes from"), Qt::CaseInsensitive) ||
           captured.contains(QStringLiteral("bytes="), Qt::CaseInsensitive);
}

void OnlineCheck::start()
{
    // -W 2 bounds ping's own wait; the runner's timeout covers a resolver that hangs.
    m_runner.capture(QStringLiteral("ping"),
                     {QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"), QStringLiteral("2"),
                      QString::fromLatin1(CheckedHost)},
                     true, false, TimeoutMs, [this](const QString& output) {
                         if (!looksOnline(output))
                             m_boxes.information(m_title,
                                                 QStringLiteral("You must be online to use this software accurately."));
                     });
}
