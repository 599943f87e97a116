#include "platform/widgets/QtMessageBoxes.h"

#include <QMessageBox>

namespace
{
void show(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}
} // namespace

void QtMessageBoxes::information(const QString& title, const QString& text)
{
    show(m_parent, QMessageBox::NoIcon, title, text);
}

void QtMessageBoxes::warning(const QString& title, const QString& text)
{
    show(m_parent, QMessageBox::Warning, title, text);
}

bool QtMessageBoxes::question(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}
