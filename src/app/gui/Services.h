#pragma once

class Clipboard;
class Clock;
class FileDialogs;
class InputBox;
class MessageBoxes;
class ProcessRunner;
class RandomSource;
class SettingsStore;
class SpreadsheetLauncher;
class UrlOpener;

// Everything the window reaches outside the program through, beside what its monitoring session reaches.
// main() passes the real ones; tests pass fakes.
struct Services {
    MessageBoxes& messageBoxes;
    InputBox& inputBox;
    FileDialogs& fileDialogs;
    Clipboard& clipboard;
    SettingsStore& settings;
    ProcessRunner& processRunner;
    UrlOpener& urlOpener;
    Clock& clock;
    RandomSource& random;
    SpreadsheetLauncher& spreadsheet;
};
