#pragma once

#include <QString>
#include <stdexcept>

// An unexpected failure inside a guarded procedure. Its description is what the error box shows.
class AppError : public std::runtime_error
{
public:
    explicit AppError(const QString& description) : std::runtime_error(description.toStdString()) {}
    QString description() const { return QString::fromStdString(what()); }
};
