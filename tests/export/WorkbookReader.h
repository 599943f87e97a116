#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>

// Reads back the first sheet of an .xlsx file for the tests: unzips its parts with the unzip tool and
// parses their XML.
class WorkbookReader
{
public:
    struct Cell {
        bool number = false;
        QString text; // the shared string, or the number as the file writes it
    };

    explicit WorkbookReader(const QString& path);

    bool isValid() const { return m_valid; }
    QString error() const { return m_error; }
    // Cells by reference ("A1"); a blank cell has no entry.
    const QMap<QString, Cell>& cells() const { return m_cells; }
    // Column widths by 1-based column number, as <col> elements give them.
    const QMap<int, double>& columnWidths() const { return m_widths; }

private:
    QByteArray part(const QString& name);

    QString m_path;
    bool m_valid = true;
    QString m_error;
    QMap<QString, Cell> m_cells;
    QMap<int, double> m_widths;
};
