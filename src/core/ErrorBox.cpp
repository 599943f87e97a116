#include "core/ErrorBox.h"

#include "core/AppTexts.h"
#include "platform/MessageBoxes.h"

QString ErrorBox::messageText(const QString& description, const QString& location, int line)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") +
           AppTexts::SupportAddress;
}

QString ErrorBox::lineText(const QString& description, const QString& location, int line)
{
    QString where = location.trimmed();
    if (where.startsWith(QLatin1String("in ")))
        where.remove(0, 3);
    return QStringLiteral("error: %1 (%2, line %3)").arg(description.simplified(), where).arg(line);
}

void ErrorBox::show(const QString& description, const QString& location, int line)
{
    if (m_style == Style::Line)
        m_boxes.warning(title(), lineText(description, location, line));
    else
        m_boxes.warning(title(), messageText(description, location, line));
}
