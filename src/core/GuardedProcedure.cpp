#include "core/GuardedProcedure.h"

#include "core/ErrorBox.h"
#include "platform/AppError.h"

#include <exception>
#include <new>

GuardedProcedure::GuardedProcedure(ErrorBox& box, QString location) : m_box(box), m_location(std::move(location)) {}

bool GuardedProcedure::step(int line, const std::function<void()>& body)
{
    m_line = line;
    return run(body);
}

bool GuardedProcedure::run(const std::function<void()>& body)
{
    QString description;
    try {
        body();
        return true;
    } catch (const AppError& error) {
        description = error.description();
    } catch (const std::bad_alloc&) {
        description = QStringLiteral("Out of memory");
    } catch (const std::exception& error) {
        description = QString::fromLocal8Bit(error.what());
    } catch (...) {
        description = QStringLiteral("Unexpected failure");
    }
    ++m_failures;
    m_box.show(description, m_location, m_line);
    return false;
}
