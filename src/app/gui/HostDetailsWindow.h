#pragma once

#include <QHash>
#include <QTimer>
#include <QWidget>

class HistoryRecorder;
class LatencyChart;
class QComboBox;
class QLabel;

// The kept history of one results row: its statistics and a live chart. It follows the row by its tag, so
// sorting or filtering the table does not move it to another host, and it closes itself when the row is
// deleted or the results are cleared.
class HostDetailsWindow : public QWidget
{
    Q_OBJECT
public:
    enum Range { LastFiveMinutes, LastHour, EverythingKept };

    // tag names the row (HostTable::tagOf).
    HostDetailsWindow(HistoryRecorder& recorder, quint64 tag, QWidget* parent = nullptr);

    quint64 tag() const { return m_tag; }
    void setRange(Range range);
    // Brings the window up to date at once rather than with the next coalesced refresh.
    void refresh();
    LatencyChart& chart() { return *m_chart; }

    // After an outcome, the window waits this long for more before it redraws.
    static constexpr int RefreshDelayMs = 100;

private:
    QLabel* addFigure(const char* name);
    void setFigure(const char* name, const QString& text);
    void rowGone(quint64 tag);
    void recorded();

    HistoryRecorder& m_recorder;
    quint64 m_tag;
    quint32 m_slot;
    qint64 m_shownNewestMs = -1; // the newest outcome shown, to tell whether a batch touched this row
    int m_shownSize = -1;
    quint64 m_shownStrays = 0;
    Range m_range = EverythingKept;
    QLabel* m_host;
    QComboBox* m_rangeBox;
    LatencyChart* m_chart;
    QLabel* m_readout;
    QHash<QString, QLabel*> m_figures;
    QTimer m_refreshTimer;
};
