#pragma once

#include <QByteArray>
#include <QString>

// One field of a CSV record after RFC 4180, for every CSV the program writes: the text as UTF-8, put in
// double quotes with its double quotes doubled when it holds a comma, a double quote, CR or LF.
namespace CsvField
{
QByteArray encode(const QString& text);
} // namespace CsvField
