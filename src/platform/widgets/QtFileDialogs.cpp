#include "platform/widgets/QtFileDialogs.h"

#include <QFileDialog>

QStringList QtFileDialogs::openFiles(const QString& title, const QStringList& filters)
{
    QFileDialog dialog(m_parent, title);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString QtFileDialogs::saveFile(const QString& title, const QStringList& filters)
{
    QFileDialog dialog(m_parent, title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    // No default suffix: the file gets exactly the name the user typed. Replacing one is confirmed.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}
