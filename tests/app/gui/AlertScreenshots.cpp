// Saves pictures of the outage log and the alert settings for the README. Run under Xvfb:
//     xvfb-run -a -s "-screen 0 1280x1024x24" alert_screenshots docs
#include "alerts/OutageLogModel.h"
#include "app/gui/AlertSettingsDialog.h"
#include "app/gui/OutageLogWindow.h"
#include "tests/fakes/FakeClock.h"
#include "tests/fakes/FakeFileDialogs.h"
#include "tests/fakes/FakeMessageBoxes.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    FakeClock clock;
    FakeFileDialogs dialogs;
    FakeMessageBoxes boxes;
    const QDateTime now = clock.current;
    auto at = [&](int minutesAgo) { return now.addSecs(-60 * minutesAgo); };
    const QString timedOut = QStringLiteral("Request timed out");
    const QString unreachable = QStringLiteral("Destination host unreachable");
    const QString success = QStringLiteral("Success");
    OutageLogModel model;
    model.setEvents({
        {"gateway.branch-2.lab", HostState::Down, at(2900), {}, timedOut},
        {"gateway.branch-2.lab", HostState::Up, at(2861), 39 * 60, success},
        {"10.77.2.2", HostState::Down, at(1500), {}, unreachable},
        {"10.77.2.2", HostState::Up, at(1496), 4 * 60 + 12, success},
        {"printer-3f.lab", HostState::Down, at(620), {}, timedOut},
        {"printer-3f.lab", HostState::Up, at(540), 80 * 60, success},
        {"nas.lab", HostState::Down, at(95), {}, timedOut},
        {"nas.lab", HostState::Up, at(88), 7 * 60 + 3, success},
        {"gateway.branch-2.lab", HostState::Down, at(31), {}, timedOut},
        {"camera-entrance.lab", HostState::Down, at(12), {}, unreachable},
    });
    OutageLogWindow log(model, clock, dialogs, boxes);
    log.resize(820, 520);
    log.show();

    AlertSettings settings;
    settings.onChange = QStringLiteral("/usr/local/bin/page-oncall --team net");
    AlertSettingsDialog dialog(settings);
    dialog.show();

    int failures = 0;
    QTimer::singleShot(500, &app, [&] {
        failures += !log.grab().save(folder + QStringLiteral("/outage-log.png"));
        failures += !dialog.grab().save(folder + QStringLiteral("/alert-settings.png"));
        app.exit(failures);
    });
    return app.exec();
}
