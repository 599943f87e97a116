#pragma once

#include <QString>

class MessageBoxes;

// The "Application Error" box that reports an unexpected failure of a guarded procedure.
class ErrorBox
{
public:
    explicit ErrorBox(MessageBoxes& boxes) : m_boxes(boxes) {}

    static QString title() { return QStringLiteral("Application Error"); }
    static QString messageText(const QString& description, const QString& location, int line);

    // Returns when the user has pressed OK.
    void show(const QString& description, const QString& location, int line);

private:
    MessageBoxes& m_boxes;
};
