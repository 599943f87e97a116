#pragma once

#include <memory>

class Clock;
class EventStore;
class FileDialogs;
class InputBox;
class MessageBoxes;
class NotificationSender;
class RandomSource;
class SettingsStore;

// What the alerts reach outside the program through. main() passes the real ones; tests pass fakes.
struct AlertServices {
    NotificationSender& notifications;
    SettingsStore& settings;
    Clock& clock;
    MessageBoxes& messageBoxes;
    FileDialogs& fileDialogs;
    std::unique_ptr<EventStore> store;
    InputBox& input;
    RandomSource& random;
};
