#include "core/ErrorBox.h"

#include "core/AppTexts.h"
#include "platform/MessageBoxes.h"

QString ErrorBox::messageText(const QString& description, const QString& location, int line)
{
    return description + QStringLiteral("\r\n") + location + QStringLiteral("at line ") + QString::number(line) +
           QStringLiteral("\r\r") + QStringLiteral("Please email screenshot of this message to ") +
           AppTexts::SupportAddress;
}

void ErrorBox::show(const QString& description, const QString& location, int line)
{
    m_boxes.warning(title(), messageText(description, location, line));
}
