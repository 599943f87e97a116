#include "export/ClipboardTextWriter.h"

#include "export/ColumnWidths.h"

#include <QIODevice>

QString ClipboardTextWriter::line(const QStringList& cells, const QList<int>& widths)
{
    QString out;
    const qsizetype columns = widths.size();
    for (qsizetype c = 0; c + 1 < columns; ++c) {
        const QString text = cells.value(c);
        out.append(text);
        const int pad = widths.at(c) - ColumnWidths::characterCount(text);
        if (pad > 0)
            out.append(QString(pad, QLatin1Char(' ')));
        out.append(QLatin1Char('\t'));
    }
    if (columns > 0)
        out.append(cells.value(columns - 1));
    qsizetype end = out.size();
    while (end > 0 && out.at(end - 1) == QLatin1Char(' '))
        --end;
    out.truncate(end);
    out.append(QLatin1String("\r\n"));
    return out;
}

QString ClipboardTextWriter::toText(const ResultsSnapshot& snapshot)
{
    const QList<int> widths = ColumnWidths::measure(snapshot, false);
    QString text;
    for (const QStringList& cells : snapshot.rows)
        text.append(line(cells, widths));
    return text;
}

bool ClipboardTextWriter::write(const ResultsSnapshot& snapshot, QIODevice& device, QString* errorString)
{
    const QByteArray bytes = toText(snapshot).toUtf8();
    if (device.write(bytes) == bytes.size())
        return true;
    if (errorString)
        *errorString = device.errorString();
    return false;
}
