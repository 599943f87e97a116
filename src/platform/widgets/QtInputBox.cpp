#include "platform/widgets/QtInputBox.h"

#include <QInputDialog>

QString QtInputBox::getText(const QString& title, const QString& prompt)
{
    bool ok = false;
    const QString text = QInputDialog::getText(m_parent, title, prompt, QLineEdit::Normal, QString(), &ok);
    return ok ? text : QString();
}
