#include "tests/export/WorkbookReader.h"

#include <QProcess>
#include <QStringList>
#include <QXmlStreamReader>

WorkbookReader::WorkbookReader(const QString& path) : m_path(path)
{
    QStringList strings;
    const QByteArray shared = part(QStringLiteral("xl/sharedStrings.xml"));
    QXmlStreamReader s(shared);
    while (!s.atEnd()) {
        if (s.readNext() == QXmlStreamReader::StartElement && s.name() == QLatin1String("t"))
            strings.append(s.readElementText());
    }

    QXmlStreamReader x(part(QStringLiteral("xl/worksheets/sheet1.xml")));
    QString reference;
    QString type;
    while (!x.atEnd()) {
        if (x.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (x.name() == QLatin1String("col")) {
            const int first = x.attributes().value(QLatin1String("min")).toInt();
            const int last = x.attributes().value(QLatin1String("max")).toInt();
            for (int c = first; c <= last; ++c)
                m_widths.insert(c, x.attributes().value(QLatin1String("width")).toDouble());
        } else if (x.name() == QLatin1String("c")) {
            reference = x.attributes().value(QLatin1String("r")).toString();
            type = x.attributes().value(QLatin1String("t")).toString();
        } else if (x.name() == QLatin1String("v")) {
            const QString value = x.readElementText();
            Cell cell;
            if (type == QLatin1String("s")) {
                cell.text = strings.value(value.toInt());
            } else {
                cell.number = type.isEmpty() || type == QLatin1String("n");
                cell.text = value;
            }
            m_cells.insert(reference, cell);
        }
    }
    if (x.hasError()) {
        m_valid = false;
        m_error = x.errorString();
    }
}

QByteArray WorkbookReader::part(const QString& name)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), m_path, name});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0) {
        m_valid = false;
        m_error = QStringLiteral("unzip -p %1 %2 failed: %3")
                      .arg(m_path, name, QString::fromLocal8Bit(unzip.readAllStandardError()));
        return {};
    }
    return unzip.readAllStandardOutput();
}
