#pragma once

#include <QString>
#include <functional>

class ErrorBox;

// Runs a procedure as its list of numbered steps. A step that fails shows the error box with the number
// of the last step reached, and the procedure goes on with its next step: nothing is retried or undone.
//
//     GuardedProcedure g(box, ErrorLocations::AddHost);
//     g.step(100, [&] { text = input.getText(...); });
//     if (text.isEmpty()) return;
//     g.step(104, [&] { hosts.append(text); });
class GuardedProcedure
{
public:
    GuardedProcedure(ErrorBox& box, QString location);

    // Runs body as step `line`; false when it failed (the box has then been shown).
    bool step(int line, const std::function<void()>& body);
    // Runs body under the number last reached (0 before the first step).
    bool run(const std::function<void()>& body);
    // Marks a numbered statement reached inside a step, e.g. inside a loop.
    void reach(int line) { m_line = line; }
    int line() const { return m_line; }
    int failures() const { return m_failures; }

private:
    ErrorBox& m_box;
    QString m_location;
    int m_line = 0;
    int m_failures = 0;
};
