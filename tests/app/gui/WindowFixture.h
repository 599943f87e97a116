#pragma once

#include "app/gui/HostDetailsWindows.h"
#include "app/gui/MainWindow.h"
#include "app/gui/ResultsViewProxy.h"
#include "core/HostListAutosave.h"
#include "core/HostListModel.h"
#include "core/SessionState.h"
#include "monitor/Monitor.h"
#include "results/ResultsModel.h"
#include "session/MonitorSession.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeCommandRunner.h"
#include "tests/fakes/FakeEchoService.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeHostResolver.h"
#include "tests/fakes/FakeInputBox.h"
#include "tests/fakes/FakeMessageBoxes.h"
#include "tests/fakes/FakeProcessRunner.h"
#include "tests/fakes/FakeRandom.h"
#include "tests/fakes/FakeSettingsStore.h"
#include "tests/fakes/FakeSpreadsheetLauncher.h"
#include "tests/fakes/FakeUrlOpener.h"

#include <QTemporaryDir>
#include <memory>

// A window over scripted fakes, for the window tests: every answer it gets from outside comes from here.
struct WindowFixture {
    FakeMessageBoxes boxes;
    FakeInputBox input;
    FakeFileDialogs dialogs;
    FakeClipboard clipboard;
    FakeSettingsStore settings;
    FakeProcessRunner runner;
    FakeUrlOpener opener;
    FakeClock clock;
    FakeRandom random{0.5};
    FakeSpreadsheetLauncher spreadsheet;
    FakeEchoService echo{&clock};
    FakeHostResolver resolver;
    FakeCommandRunner commands;
    QTemporaryDir folder;
    std::unique_ptr<MonitorSession> session;
    std::unique_ptr<MainWindow> window;

    // As main() makes it: the history kept as the settings say.
    MainWindow& makeWindow()
    {
        MonitorSession::Options options;
        options.history = HistoryLimits::load(settings);
        return makeWindow(options);
    }
    MainWindow& makeWindow(const MonitorSession::Options& options)
    {
        session = std::make_unique<MonitorSession>(SessionServices{echo, resolver, boxes, commands, clock}, options);
        window = std::make_unique<MainWindow>(
            *session, Services{boxes, input, dialogs, clipboard, settings, runner, opener, clock, random, spreadsheet},
            folder.path());
        return *window;
    }

    HostListModel& hostList() { return session->hostList(); }
    Monitor& monitor() { return session->monitor(); }
    ResultsModel& results() { return session->results(); }
    HostTable& table() { return session->table(); }
    SessionState& state() { return session->state(); }
    HostDetailsWindows& detailsWindows()
    {
        return *window->findChild<HostDetailsWindows*>(QStringLiteral("hostDetailsWindows"));
    }
    ResultsViewProxy& resultsView()
    {
        return *window->findChild<ResultsViewProxy*>(QStringLiteral("resultsViewProxy"));
    }
    HostListAutosave& autosave() { return *window->findChild<HostListAutosave*>(); }
};
