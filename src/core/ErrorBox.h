#pragma once

#include <QString>

class MessageBoxes;

// The "Application Error" box that reports an unexpected failure of a guarded procedure. Without a window
// (headless mode, the probe) the same report is one plain line instead of the box's text.
class ErrorBox
{
public:
    enum class Style { Box, Line };
    explicit ErrorBox(MessageBoxes& boxes, Style style = Style::Box) : m_boxes(boxes), m_style(style) {}

    static QString title() { return QStringLiteral("Application Error"); }
    static QString messageText(const QString& description, const QString& location, int line);
    // "error: <description> (Vantrel2021/08/31.Form1.Timer1_Timer, line 150)"
    static QString lineText(const QString& description, const QString& location, int line);

    // Returns when the user has pressed OK.
    void show(const QString& description, const QString& location, int line);

private:
    MessageBoxes& m_boxes;
    Style m_style;
};
