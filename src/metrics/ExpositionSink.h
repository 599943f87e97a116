#pragma once

#include <QByteArray>
#include <algorithm>
#include <charconv>
#include <cstring>

// The pieces every text exposition is written with.
namespace MetricsExposition
{

// Appends into a buffer grown ahead of time, with memcpy: a scrape of 100,000 hosts is over a million lines,
// and QByteArray::append's checks per call cost more than the copying.
class ExpositionSink
{
public:
    void reserve(qsizetype bytes) { grow(bytes); }
    void append(const char* data, qsizetype size)
    {
        if (m_used + size > m_buffer.size())
            grow(std::max(m_buffer.size() * 2, m_used + size + 4096));
        std::memcpy(m_buffer.data() + m_used, data, static_cast<std::size_t>(size));
        m_used += size;
    }
    template <std::size_t N> ExpositionSink& operator<<(const char (&literal)[N])
    {
        append(literal, N - 1);
        return *this;
    }
    ExpositionSink& operator<<(const QByteArray& bytes)
    {
        append(bytes.constData(), bytes.size());
        return *this;
    }
    ExpositionSink& operator<<(char c)
    {
        append(&c, 1);
        return *this;
    }
    ExpositionSink& operator<<(quint64 value)
    {
        char buffer[24];
        append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr - buffer);
        return *this;
    }
    ExpositionSink& operator<<(double value)
    {
        char buffer[32];
        append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr - buffer);
        return *this;
    }
    QByteArray take()
    {
        m_buffer.truncate(m_used);
        return std::move(m_buffer);
    }

private:
    void grow(qsizetype size) { m_buffer.resize(std::max(size, m_buffer.size())); }
    QByteArray m_buffer;
    qsizetype m_used = 0;
};

inline void family(ExpositionSink& out, const QByteArray& name, const char* type, const char* help)
{
    out << "# HELP " << name << ' ' << QByteArray(help) << '\n';
    out << "# TYPE " << name << ' ' << QByteArray(type) << '\n';
}

} // namespace MetricsExposition
