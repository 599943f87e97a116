#pragma once

#include "alerts/HostEvent.h"

#include <QAbstractTableModel>

// The outage log as a table, newest first, filtered by host text, state and period; it also sums up the
// outages of each host within the period.
class OutageLogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Time, Host, State, Outage, Status, ColumnCount };

    struct HostSummary {
        QString host;
        int outages = 0;
        qint64 downtimeSecs = 0;
        bool operator==(const HostSummary&) const = default;
    };

    // The window holds no more events than this; older ones stay in the database only.
    static constexpr int MaxEvents = 200000;

    explicit OutageLogModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces every event (any order).
    void setEvents(const HostEvents& events);
    // Live events, as they are recorded.
    void addEvents(const HostEvents& events);

    // Shows the events whose host holds hostText (any case), of one name (HostEvent::name(); empty: all), from `from`
    // on (invalid: all).
    void setFilter(const QString& hostText, const QString& eventName, const QDateTime& from);
    QDateTime from() const { return m_from; }

    const HostEvent& eventAt(int row) const;
    HostEvents shownEvents() const;
    // Outages begun and downtime within the period per host matching the host text, whatever the state
    // filter; an outage still going counts until now. Sorted by downtime, longest first.
    QList<HostSummary> summary(const QDateTime& now) const;

private:
    bool matchesHostAndPeriod(const HostEvent& e) const;
    void refilter();

    HostEvents m_all; // oldest first
    QList<int> m_shown;
    QString m_hostText;
    QString m_eventName;
    QDateTime m_from;
};
