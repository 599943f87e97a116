#include "app/gui/ResultsOrder.h"

#include "ping/EchoStatus.h"
#include "results/HostTable.h"
#include "results/ResultsModel.h"

#include <algorithm>

ResultsOrder::ResultsOrder(const HostTable& results, int column, Qt::SortOrder order)
    : m_count(results.rowCount()), m_sorted(column >= 0), m_descending(order == Qt::DescendingOrder)
{
    if (!m_sorted)
        return;
    m_keys.resize(static_cast<std::size_t>(m_count));
    for (int i = 0; i < m_count; ++i) {
        const HostTable::Slot s = results.slotAt(i);
        Key& key = m_keys[static_cast<std::size_t>(i)];
        const auto number = [&key](double value) {
            key.rank = 1;
            key.number = value;
        };
        const bool counted = results.counted(s);
        const bool answered = results.succeeded(s) > 0;
        switch (column) {
        case ResultsModel::HostName:
            if (results.target(s) == HostTable::Target::Address && results.address(s).address.isIpv4()) {
                number(results.address(s).address.toIpv4()); // addresses in number order
            } else {
                key.rank = 2;
                key.text = results.hostText(s);
            }
            break;
        case ResultsModel::ReplyAddress: {
            const IpAddress& reply = results.replyAddress(s);
            if (reply.isIpv4()) {
                number(reply.toIpv4()); // numbers sort IPv4 addresses, and before any IPv6 text key
            } else if (reply.isIpv6()) {
                // IPv6 as 32 hex digits: as texts they sort in number order, after every number
                key.rank = 2;
                key.text =
                    QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(reply.bytes().data()), 16).toHex());
            }
            break;
        }
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
                key.rank = 2;
                key.text = statusText(results.lastStatus(s));
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
}

bool ResultsOrder::less(int left, int right) const
{
    const Key& l = m_keys[static_cast<std::size_t>(left)];
    const Key& r = m_keys[static_cast<std::size_t>(right)];
    if (l.rank != r.rank)
        return m_descending ? r.rank < l.rank : l.rank < r.rank;
    if (l.rank == 1 && l.number != r.number)
        return m_descending ? r.number < l.number : l.number < r.number;
    if (l.rank == 2) {
        if (const int c = l.text.compare(r.text, Qt::CaseInsensitive); c != 0)
            return m_descending ? c > 0 : c < 0;
    }
    return left < right; // equal cells: the order the rows were added in, both ways
}

QList<int> ResultsOrder::rows(const std::function<bool(int)>& accept) const
{
    QList<int> rows;
    rows.reserve(m_count);
    for (int i = 0; i < m_count; ++i) {
        if (!accept || accept(i))
            rows.append(i);
    }
    if (m_sorted)
        std::sort(rows.begin(), rows.end(), [this](int l, int r) { return less(l, r); });
    return rows;
}
