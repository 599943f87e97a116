#pragma once

#include "platform/MessageBoxes.h"

#include <QPointer>
#include <QWidget>

class QtMessageBoxes : public MessageBoxes
{
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    void information(const QString& title, const QString& text) override;
    void warning(const QString& title, const QString& text) override;
    bool question(const QString& title, const QString& text) override;

private:
    QPointer<QWidget> m_parent;
};
