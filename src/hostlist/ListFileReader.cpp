#include "hostlist/ListFileReader.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

namespace ListFileReader
{

namespace
{

QString decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decode(bytes.mid(3)); // the mark is not part of the first entry
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return utf16(QByteArrayView(bytes).sliced(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes);
}

} // namespace

QStringList parse(const QByteArray& bytes)
{
    const QString text = decode(bytes);
    QStringList entries;
    const qsizetype n = text.size();
    const QChar* data = text.constData();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = data[i];
        if (c == QLatin1Char('\r')) {
            entries.append(QString(data + start, i - start));
            if (i + 1 < n && data[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        } else if (c == QLatin1Char('\n')) {
            entries.append(QString(data + start, i - start));
            start = i + 1;
        }
    }
    // A terminator at the very end ends the last line; it does not start another one.
    if (start < n)
        entries.append(QString(data + start, n - start));
    return entries;
}

QString expandRanges(QStringList& entries, int limit)
{
    QStringList expanded; // built only once the first range turns up
    bool changed = false;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString& entry = entries.at(i);
        if (HostRange::looksLikeRange(entry)) {
            HostRange::Expansion range = HostRange::expand(entry, limit);
            if (!range.error.isEmpty())
                return QStringLiteral("line %1: %2").arg(i + 1).arg(range.error);
            if (range.wasRange) {
                if (!changed) {
                    expanded.reserve(entries.size() + range.entries.size());
                    expanded.append(entries.first(i));
                    changed = true;
                }
                expanded.append(std::move(range.entries));
                continue;
            }
        }
        if (changed)
            expanded.append(entry);
    }
    if (changed)
        entries = std::move(expanded);
    return {};
}

FileResult readFile(const QString& path)
{
    FileResult result;
    result.path = path;
    // "File not found" also for a path whose times cannot be read, such as a broken link.
    const QFileInfo info(path);
    if (!info.exists() || !info.lastModified().isValid()) {
        result.outcome = FileResult::NotFound;
        return result;
    }
    QFile file(path); // closed by its destructor on every way out
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = FileResult::Failed;
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFile::NoError) {
        result.outcome = FileResult::Failed;
        result.error = file.errorString();
        return result;
    }
    result.entries = parse(bytes);
    if (const QString refused = expandRanges(result.entries); !refused.isEmpty()) {
        result.outcome = FileResult::Failed;
        result.error = refused;
        result.entries.clear();
    }
    return result;
}

} // namespace ListFileReader
