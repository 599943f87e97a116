#include "export/AlignedTextWriter.h"

#include "export/ColumnWidths.h"

#include <QBuffer>
#include <QSaveFile>

QByteArray AlignedTextWriter::line(const QStringList& cells, const QList<int>& widths)
{
    QByteArray out;
    out.reserve(widths.size() * 16);
    for (qsizetype c = 0; c < widths.size(); ++c)
        appendCell(out, c < cells.size() ? QStringView(cells.at(c)) : QStringView(), widths.at(c));
    out.append("\r\n", 2);
    return out;
}

void AlignedTextWriter::appendCell(QByteArray& out, QStringView text, int width)
{
    // Cells are mostly ASCII (numbers, addresses, times): copied straight in, without a UTF-8 copy of each.
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* to = out.data() + start;
    bool ascii = true;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            ascii = false;
            break;
        }
        *to++ = static_cast<char>(c.unicode());
    }
    if (!ascii) {
        out.truncate(start);
        out.append(text.toUtf8());
    }
    const int pad = width - (ascii ? static_cast<int>(text.size()) : ColumnWidths::characterCount(text));
    if (pad > 0)
        out.append(pad, ' ');
    out.append('\t');
}

QByteArray AlignedTextWriter::toByteArray(const ResultsSnapshot& snapshot)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(snapshot, buffer);
    return bytes;
}

bool AlignedTextWriter::write(const ResultsSnapshot& snapshot, QIODevice& device)
{
    m_failure = Failure::None;
    m_errorString.clear();
    const QList<int> widths = ColumnWidths::measure(snapshot, true);
    auto put = [&](const QStringList& cells) {
        const QByteArray bytes = line(cells, widths);
        if (device.write(bytes) == bytes.size())
            return true;
        m_failure = Failure::Write;
        m_errorString = device.errorString();
        return false;
    };
    if (!put(snapshot.headers))
        return false;
    if (m_lineWritten)
        m_lineWritten(0);
    int row = 0;
    for (const QStringList& cells : snapshot.rows) {
        if (!put(cells))
            return false;
        if (m_lineWritten)
            m_lineWritten(++row);
    }
    return true;
}

bool AlignedTextWriter::writeFile(const ResultsSnapshot& snapshot, const QString& fileName)
{
    // QSaveFile writes beside the target and renames on commit, so the old file survives every failure.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_failure = Failure::Open;
        m_errorString = QStringLiteral("Cannot create %1: %2").arg(fileName, file.errorString());
        return false;
    }
    if (!write(snapshot, file)) {
        // A write refused while Qt empties its buffer reads "Unknown error"; flushing again names the cause.
        if (!file.flush())
            m_errorString = file.errorString();
        m_errorString = QStringLiteral("Cannot write %1: %2").arg(fileName, m_errorString);
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_failure = Failure::Commit;
        m_errorString = QStringLiteral("Cannot save %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}
