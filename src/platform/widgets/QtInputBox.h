#pragma once

#include "platform/InputBox.h"

#include <QPointer>
#include <QWidget>

class QtInputBox : public InputBox
{
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    QString getText(const QString& title, const QString& prompt) override;

private:
    QPointer<QWidget> m_parent;
};
