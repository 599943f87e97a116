#pragma once

#include <QByteArray>
#include <QStringList>

// Reads host list files: one entry per line, every line kept exactly as it stands.
namespace ListFileReader
{

// Turns a list file's bytes into entries. Lines end at CR LF, at a lone CR and at every LF; a CR, LF or
// CR LF at the very end ends the last line and adds no entry after it. Empty lines before it are kept
// as empty entries. Text is
// UTF-8 (a byte-order mark is dropped), UTF-16 with its byte-order mark, or Latin-1 when the bytes are
// not valid UTF-8, so no line is ever lost.
QStringList parse(const QByteArray& bytes);

struct FileResult {
    enum Outcome { Read, NotFound, Failed };
    QString path;
    Outcome outcome = Read;
    QStringList entries;
    QString error; // for Failed
};

// Reads one list file. Safe to call from a worker thread.
FileResult readFile(const QString& path);

} // namespace ListFileReader
