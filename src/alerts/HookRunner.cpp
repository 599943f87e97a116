#include "alerts/HookRunner.h"

#include "alerts/CommandWords.h"
#include "alerts/EventTexts.h"
#include "platform/CommandRunner.h"

HookRunner::HookRunner(CommandRunner& runner, QObject* parent) : QObject(parent), m_runner(runner) {}

void HookRunner::setCommand(const QString& command)
{
    m_command = command.trimmed();
    m_words = CommandWords::split(m_command);
}

QMap<QString, QString> HookRunner::environmentFor(const HostEvent& event)
{
    return {
        {QStringLiteral("VANTREL_HOST"), event.host},
        {QStringLiteral("VANTREL_STATE"), event.name()},
        {QStringLiteral("VANTREL_SINCE"), EventTexts::isoTime(event.when)},
        {QStringLiteral("VANTREL_DURATION_S"), event.durationSecs ? QString::number(*event.durationSecs) : QString()},
        {QStringLiteral("VANTREL_STATUS"), event.status}};
}

void HookRunner::run(const HostEvents& events)
{
    if (m_words.isEmpty())
        return;
    for (const HostEvent& e : events) {
        if (m_waiting.size() >= MaxWaiting) {
            if (!m_dropReported)
                Q_EMIT failed(QStringLiteral("on-change command: more than %1 events waiting, later ones dropped")
                                  .arg(MaxWaiting));
            m_dropReported = true;
            break;
        }
        m_waiting.enqueue(e);
    }
    startNext();
}

void HookRunner::startNext()
{
    while (m_running < MaxRunning && !m_waiting.isEmpty()) {
        const HostEvent e = m_waiting.dequeue();
        ++m_running;
        m_runner.run(m_words.first(), m_words.mid(1), environmentFor(e), TimeoutMs,
                     [this, host = e.host, state = e.name()](const QString& failure) {
                         --m_running;
                         if (!failure.isEmpty())
                             Q_EMIT failed(QStringLiteral("on-change command for %1 %2: %3").arg(host, state, failure));
                         if (m_waiting.isEmpty())
                             m_dropReported = false;
                         if (isIdle())
                             Q_EMIT idle();
                         // Not from inside the runner's own answer: start the next one afresh.
                         QMetaObject::invokeMethod(this, &HookRunner::startNext, Qt::QueuedConnection);
                     });
    }
}
