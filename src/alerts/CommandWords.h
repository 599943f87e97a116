#pragma once

#include <QStringList>

// Splits a command line into words the way a POSIX shell quotes them ('…' literal, "…" with \" \\ \$ \`
// escaped, a backslash outside quotes escaping the next character), without expanding anything.
namespace CommandWords
{

// ok is false for an unterminated quote or a trailing backslash; the words are then what was read.
QStringList split(const QString& command, bool* ok = nullptr);

} // namespace CommandWords
