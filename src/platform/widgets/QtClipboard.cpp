#include "platform/widgets/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void QtClipboard::setText(const QString& text)
{
    QGuiApplication::clipboard()->setText(text, QClipboard::Clipboard);
}

QString QtClipboard::text() const
{
    return QGuiApplication::clipboard()->text(QClipboard::Clipboard);
}
