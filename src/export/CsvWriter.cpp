#include "export/CsvWriter.h"

#include "core/CsvField.h"

#include <QBuffer>
#include <QSaveFile>

QByteArray CsvWriter::record(const QStringList& fields)
{
    QByteArray out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i > 0)
            out.append(',');
        out.append(CsvField::encode(fields.at(i)));
    }
    out.append("\r\n", 2);
    return out;
}

QByteArray CsvWriter::toByteArray(const ResultsSnapshot& snapshot)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    write(snapshot, buffer);
    return bytes;
}

bool CsvWriter::write(const ResultsSnapshot& snapshot, QIODevice& device)
{
    m_errorString.clear();
    auto put = [&](const QStringList& fields) {
        if (device.write(record(fields)) >= 0)
            return true;
        m_errorString = device.errorString();
        return false;
    };
    if (!put(snapshot.headers))
        return false;
    for (const QStringList& row : snapshot.rows) {
        if (!put(row))
            return false;
    }
    return true;
}

bool CsvWriter::writeFile(const ResultsSnapshot& snapshot, const QString& fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        m_errorString = file.errorString();
        return false;
    }
    if (!write(snapshot, file)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        m_errorString = file.errorString();
        return false;
    }
    return true;
}
