#pragma once

#include "hostlist/HostRange.h"

#include <QByteArray>
#include <QStringList>

// Reads host list files: one entry per line, every line kept exactly as it stands, except that a line that
// is an address range stands for its addresses (see HostRange).
namespace ListFileReader
{

// Turns a list file's bytes into entries. Lines end at CR LF, at a lone CR and at every LF; a CR, LF or
// CR LF at the very end ends the last line and adds no entry after it. Empty lines before it are kept
// as empty entries. Text is
// UTF-8 (a byte-order mark is dropped), UTF-16 with its byte-order mark, or Latin-1 when the bytes are
// not valid UTF-8, so no line is ever lost.
QStringList parse(const QByteArray& bytes);

// Replaces each entry that is an address range by its addresses, where it stood. A refused range refuses the
// whole list: it returns "line N: reason" (N counting from 1) and leaves the entries as they were, so a file
// never loads with part of it missing. Lines that cannot be ranges cost one quick look each.
QString expandRanges(QStringList& entries, int limit = HostRange::DefaultLimit);

struct FileResult {
    enum Outcome { Read, NotFound, Failed };
    QString path;
    Outcome outcome = Read;
    QStringList entries;
    QString error; // for Failed: the system's reason, or "line N: " and why its range is refused
};

// Reads one list file and expands its ranges. Safe to call from a worker thread.
FileResult readFile(const QString& path);

} // namespace ListFileReader
