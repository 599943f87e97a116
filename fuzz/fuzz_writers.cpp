#include "export/AlignedTextWriter.h"
#include "export/ClipboardTextWriter.h"

#include <cstddef>
#include <cstdint>

// Arbitrary cell texts: the writers never crash, the text file has one CR LF-ended line per row plus the
// header, and every clipboard row ends in CR LF.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int columns = 1 + data[0] % 12;
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    const QStringList cells = text.split(QChar(0x1F)); // unit separator: cell boundaries in the input

    ResultsSnapshot snapshot;
    for (int c = 0; c < columns; ++c)
        snapshot.headers.append(cells.value(c));
    for (qsizetype i = columns; i + columns <= cells.size(); i += columns)
        snapshot.rows.append(cells.mid(i, columns));

    AlignedTextWriter writer;
    const QByteArray file = writer.toByteArray(snapshot);
    if (!file.endsWith("\t\r\n"))
        __builtin_trap();
    const QString clip = ClipboardTextWriter::toText(snapshot);
    if (!snapshot.rows.isEmpty() && !clip.endsWith(QStringLiteral("\r\n")))
        __builtin_trap();
    return 0;
}
