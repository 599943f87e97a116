#pragma once

#include "FakeClipboard.h"
#include "FakeClock.h"
#include "FakeEchoService.h"
#include "FakeFileDialogs.h"
#include "FakeHostResolver.h"
#include "FakeInputBox.h"
#include "FakeMessageBoxes.h"
#include "FakeProcessRunner.h"
#include "FakeRandom.h"
#include "FakeSettingsStore.h"
#include "FakeSpreadsheetLauncher.h"
#include "FakeUrlOpener.h"
#include "MainWindow.h"

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
