#pragma once

#include "platform/FileDialogs.h"

#include <QPointer>
#include <QWidget>

class QtFileDialogs : public FileDialogs
{
public:
    void setParent(QWidget* parent) { m_parent = parent; }
    QStringList openFiles(const QString& title, const QStringList& filters) override;
    QString saveFile(const QString& title, const QStringList& filters) override;

private:
    QPointer<QWidget> m_parent;
};
