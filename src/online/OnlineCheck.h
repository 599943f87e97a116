#pragma once

#include <QString>

class MessageBoxes;
class ProcessRunner;

// The start-up check: one echo through the system's ping, and a warning when no reply came back.
// It never delays start-up: the answer arrives later through the process runner.
class OnlineCheck
{
public:
    OnlineCheck(ProcessRunner& runner, MessageBoxes& boxes, QString applicationTitle);

    static constexpr const char* CheckedHost = "www.wikipedia.org";
    static constexpr int TimeoutMs = 5000;

    // True when the captured ping output holds an echo-reply line, in Linux's or Windows' words, in any
    // language.
    static bool looksOnline(const QString& captured);

    // start: starts the system ping; shows the warning when its output holds no reply.
    void start();
    void setApplicationTitle(const QString& title) { m_title = title; }

private:
    ProcessRunner& m_runner;
    MessageBoxes& m_boxes;
    QString m_title;
};
