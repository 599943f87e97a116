#include "hostlist/HostListActions.h"

#include "core/AppTexts.h"
#include "core/ErrorBox.h"
#include "core/ErrorLocations.h"
#include "core/GuardedProcedure.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "hostlist/HostRange.h"
#include "hostlist/ListFileReader.h"
#include "platform/AppError.h"
#include "platform/FileDialogs.h"
#include "platform/InputBox.h"
#include "platform/MessageBoxes.h"
#include "results/ResultsModel.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <functional>
#include <memory>

HostListActions::HostListActions(HostListModel& hosts, ResultsModel& results, SessionState& state, ErrorBox& errorBox,
                                 MessageBoxes& boxes, InputBox& input, FileDialogs& dialogs, QObject* parent)
    : QObject(parent), m_hosts(hosts), m_results(results), m_state(state), m_errorBox(errorBox), m_boxes(boxes),
      m_input(input), m_dialogs(dialogs)
{
}

QStringList HostListActions::sampleHosts()
{
    return {AppTexts::MakerWebHost, AppTexts::SampleAddress, AppTexts::SearchEngineHost};
}

void HostListActions::addHost()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::AddHost);
    QString text;
    g.step(AddHostStep::AskHost,
           [&] { text = m_input.getText(m_state.applicationTitle, QStringLiteral("Enter one host or IP address:")); });
    if (text.isEmpty()) // Cancel and OK on an empty field both end here
        return;
    QStringList entries;
    g.step(AddHostStep::ExpandRange, [&] {
        HostRange::Expansion range = HostRange::expand(text);
        if (!range.error.isEmpty()) {
            m_boxes.warning(m_state.applicationTitle, range.error);
            return;
        }
        if (range.entries.size() > AskAboveHosts &&
            !m_boxes.question(m_state.applicationTitle,
                              QStringLiteral("%1 stands for %2 hosts. Add them all to the list?")
                                  .arg(text.trimmed(), HostRange::groupedNumber(quint64(range.entries.size())))))
            return;
        entries = std::move(range.entries);
    });
    if (entries.isEmpty()) // a refused range, or No
        return;
    g.step(AddHostStep::AppendHost, [&] { m_hosts.append(entries); });
    g.step(AddHostStep::ClearResults, [&] { m_results.clear(); });
    g.step(AddHostStep::MarkHostListChanged, [&] { m_state.hostListChanged = true; });
}

void HostListActions::clearList()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::ClearList);
    g.step(ClearListStep::ClearHosts, [&] {
        if (!m_state.isBusy())
            m_hosts.clear();
    });
}

void HostListActions::loadSampleData()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::LoadSampleData);
    const QStringList samples = sampleHosts();
    g.step(SampleDataStep::AppendFirst, [&] { m_hosts.append(samples.at(0)); });
    g.step(SampleDataStep::AppendSecond, [&] { m_hosts.append(samples.at(1)); });
    g.step(SampleDataStep::AppendThird, [&] { m_hosts.append(samples.at(2)); });
}

void HostListActions::removeSelected(int row)
{
    if (m_state.isBusy() || m_hosts.count() == 0 || row < 0 || row >= m_hosts.count())
        return;
    m_hosts.removeAt(row);
}

void HostListActions::removeRows(QList<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<>()); // from the end, so the others keep their numbers
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : std::as_const(rows))
        removeSelected(row);
}

void HostListActions::chooseListFiles()
{
    GuardedProcedure g(m_errorBox, ErrorLocations::LoadListFiles);
    QStringList paths;
    // The dialog reports full paths, so a multiple selection needs no joining or repair.
    g.step(LoadListStep::AskFiles, [&] { paths = m_dialogs.openFiles(loadDialogTitle(), fileFilters()); });
    if (paths.isEmpty()) // cancelled: nothing changes
        return;
    loadFiles(paths);
}

void HostListActions::loadFiles(const QStringList& paths)
{
    // The files are read off the window's thread so that a huge list does not freeze it; their entries
    // are appended here, in the dialog's order, once all are read.
    m_state.beginBusy();
    ++m_loads;
    auto* watcher = new QFutureWatcher<QList<ListFileReader::FileResult>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, paths] {
        watcher->deleteLater();
        GuardedProcedure g(m_errorBox, ErrorLocations::LoadListFiles);
        QList<ListFileReader::FileResult> files;
        g.step(LoadListStep::CollectFiles, [&] { files = watcher->result(); });
        auto load = [&](const ListFileReader::FileResult& file) {
            if (file.outcome == ListFileReader::FileResult::NotFound)
                m_boxes.information(m_state.applicationTitle, QStringLiteral("File not found"));
            else if (file.outcome == ListFileReader::FileResult::Failed)
                throw AppError(QStringLiteral("Cannot read %1: %2").arg(file.path, file.error));
            else
                m_hosts.append(file.entries);
        };
        if (files.size() == 1) {
            g.step(LoadListStep::LoadOneFile, [&] { load(files.first()); });
        } else if (files.size() > 1) {
            g.reach(LoadListStep::LoadSeveralFiles);
            for (const ListFileReader::FileResult& file : std::as_const(files)) {
                g.step(LoadListStep::LoadFile, [&] { load(file); });
                g.step(LoadListStep::ClearResults, [&] { m_results.clear(); });
                g.step(LoadListStep::MarkHostListChanged, [&] { m_state.hostListChanged = true; });
            }
        }
        g.reach(LoadListStep::Finish);
        --m_loads;
        m_state.endBusy();
        Q_EMIT loadFinished();
    });
    watcher->setFuture(QtConcurrent::run([paths] {
        QList<ListFileReader::FileResult> results;
        for (const QString& path : paths)
            results.append(ListFileReader::readFile(path));
        return results;
    }));
}
