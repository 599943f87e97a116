#pragma once

#include <QWidget>

class Clock;
class FileDialogs;
class MessageBoxes;
class OutageLogModel;
class QComboBox;
class QLineEdit;
class QTreeView;
class QTreeWidget;

// The outage log: events newest first, filtered by host text, state and period, with the outages and
// downtime of each host in the period; it follows the log while monitoring runs.
class OutageLogWindow : public QWidget
{
    Q_OBJECT
public:
    OutageLogWindow(OutageLogModel& model, Clock& clock, FileDialogs& dialogs, MessageBoxes& boxes,
                    QWidget* parent = nullptr);

    // Writes the events shown to a CSV file the user names.
    void exportCsv();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void applyFilter();
    void refreshSummary();

    OutageLogModel& m_model;
    Clock& m_clock;
    FileDialogs& m_dialogs;
    MessageBoxes& m_boxes;
    QLineEdit* m_hostFilter;
    QComboBox* m_stateFilter;
    QComboBox* m_period;
    QTreeView* m_events;
    QTreeWidget* m_summary;
};
