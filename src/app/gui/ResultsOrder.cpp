#include "app/gui/ResultsOrder.h"

#include "ping/EchoStatus.h"
#include "results/HostTable.h"
#include "results/ResultsModel.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <bit>
#include <utility>

namespace
{

constexpr quint32 Number = 1;
constexpr quint32 Text = 2;

// The bits of a double, turned so that unsigned order is number order.
quint64 orderedBits(double value)
{
    const auto bits = std::bit_cast<quint64>(value == 0 ? 0.0 : value); // -0 and 0 are equal
    constexpr quint64 Sign = quint64(1) << 63;
    return bits & Sign ? ~bits : bits | Sign;
}

QString replyText(const IpAddress& reply)
{
    // IPv6 as 32 hex digits: as texts they sort in number order, after every number
    return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(reply.bytes().data()), 16).toHex());
}

} // namespace

ResultsOrder::ResultsOrder(const HostTable& results, int column, Qt::SortOrder order)
    : m_sorted(column >= 0), m_count(results.rowCount())
{
    if (!m_sorted)
        return;
    m_keys.resize(static_cast<std::size_t>(m_count));
    for (int i = 0; i < m_count; ++i) {
        const HostTable::Slot s = results.slotAt(i);
        Key& key = m_keys[static_cast<std::size_t>(i)];
        key.row = i;
        const auto number = [&key](double value) {
            key.kind = Number;
            key.value = orderedBits(value);
        };
        const bool counted = results.counted(s);
        const bool answered = results.succeeded(s) > 0;
        switch (column) {
        case ResultsModel::HostName:
            if (results.target(s) == HostTable::Target::Address && results.address(s).address.isIpv4())
                number(results.address(s).address.toIpv4()); // addresses in number order
            else
                key.kind = Text;
            break;
        case ResultsModel::ReplyAddress:
            if (results.replyAddress(s).isIpv4())
                number(results.replyAddress(s).toIpv4()); // before any IPv6 address
            else if (results.replyAddress(s).isIpv6())
                key.kind = Text;
            break;
        case ResultsModel::SucceedCount:
            if (counted)
                number(double(results.succeeded(s)));
            break;
        case ResultsModel::FailedCount:
            if (counted)
                number(double(results.failed(s)));
            break;
        case ResultsModel::PercentFailed:
            if (counted)
                number(double(results.failed(s)) / double(results.succeeded(s) + results.failed(s)));
            break;
        case ResultsModel::LastStatus:
            if (counted) {
                key.kind = Text;
                key.value = static_cast<quint64>(results.lastStatus(s));
            }
            break;
        case ResultsModel::LastTime:
            if (answered)
                number(double(results.lastRttUs(s) / 1000)); // as the cell shows it
            break;
        case ResultsModel::LastTtl:
            if (answered)
                number(results.lastTtl(s));
            break;
        case ResultsModel::AverageTime:
            if (answered)
                number(double(results.rttSumMs(s)) / double(results.succeeded(s)));
            break;
        case ResultsModel::LastSucceedOn:
            if (answered)
                number(double(results.lastSuccessUs(s)));
            break;
        case ResultsModel::LastFailedOn:
            if (results.failed(s) > 0)
                number(double(results.lastFailureUs(s)));
            break;
        default:
            break;
        }
    }
    rankTexts(results, column);
    if (order == Qt::DescendingOrder) {
        for (Key& key : m_keys) {
            key.kind = Text - key.kind;
            key.value = ~key.value;
        }
    }
}

// Replaces each text cell's value by the rank of its text among the column's texts, equal texts (ignoring
// case) sharing a rank.
void ResultsOrder::rankTexts(const HostTable& results, int column)
{
    std::vector<std::pair<QString, quint64*>> texts;
    std::vector<quint64> statuses; // a handful: ranked once each, not once a row
    std::vector<quint64> statusRanks;
    if (column == ResultsModel::LastStatus) {
        for (const Key& key : m_keys) {
            if (key.kind == Text && std::find(statuses.begin(), statuses.end(), key.value) == statuses.end())
                statuses.push_back(key.value);
        }
        statusRanks.resize(statuses.size());
        for (std::size_t i = 0; i < statuses.size(); ++i)
            texts.emplace_back(statusText(static_cast<EchoStatus>(statuses[i])), &statusRanks[i]);
    } else {
        for (Key& key : m_keys) {
            if (key.kind != Text)
                continue;
            const HostTable::Slot s = results.slotAt(key.row);
            texts.emplace_back(column == ResultsModel::HostName ? results.hostText(s)
                                                                : replyText(results.replyAddress(s)),
                               &key.value);
        }
    }
    std::sort(texts.begin(), texts.end(),
              [](const auto& l, const auto& r) { return l.first.compare(r.first, Qt::CaseInsensitive) < 0; });
    quint64 rank = 0;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0 && texts[i - 1].first.compare(texts[i].first, Qt::CaseInsensitive) != 0)
            ++rank;
        *texts[i].second = rank;
    }
    for (Key& key : m_keys) {
        if (key.kind == Text && !statuses.empty())
            key.value =
                statusRanks[std::size_t(std::find(statuses.begin(), statuses.end(), key.value) - statuses.begin())];
    }
}

QList<int> ResultsOrder::rows(const std::function<bool(int)>& accept) const
{
    QList<int> rows;
    rows.reserve(m_count);
    if (!m_sorted) {
        for (int i = 0; i < m_count; ++i) {
            if (!accept || accept(i))
                rows.append(i);
        }
        return rows;
    }
    std::vector<Key> keys;
    keys.reserve(m_keys.size());
    for (const Key& key : m_keys) {
        if (!accept || accept(key.row))
            keys.push_back(key);
    }
    // The row last: equal cells keep the order the rows were added in, both ways.
    std::sort(keys.begin(), keys.end(), [](const Key& l, const Key& r) {
        return l.kind != r.kind ? l.kind < r.kind : l.value != r.value ? l.value < r.value : l.row < r.row;
    });
    for (const Key& key : keys)
        rows.append(key.row);
    return rows;
}
