#pragma once

#include "app/gui/MainWindow.h"
#include "tests/fakes/FakeClipboard.h"
#include "tests/fakes/FakeClock.h"
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
    FakeEchoService echo;
    FakeHostResolver resolver;
    QTemporaryDir folder;
    std::unique_ptr<MainWindow> window;

    MainWindow& makeWindow()
    {
        window = std::make_unique<MainWindow>(Services{boxes, input, dialogs, clipboard, settings, runner, opener,
                                                       clock, random, spreadsheet, echo, resolver},
                                              folder.path());
        return *window;
    }
};
