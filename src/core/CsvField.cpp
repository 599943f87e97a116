#include "core/CsvField.h"

namespace CsvField
{

QByteArray encode(const QString& text)
{
    QByteArray bytes = text.toUtf8();
    if (!bytes.contains(',') && !bytes.contains('"') && !bytes.contains('\r') && !bytes.contains('\n'))
        return bytes;
    bytes.replace('"', "\"\"");
    return '"' + bytes + '"';
}

} // namespace CsvField
