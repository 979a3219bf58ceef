#include "disk/VolumeList.h"
#include "run/DownloadRun.h"
#include "run/SystemRunPlatform.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"
#include "ui/QtJapanese.h"
#include "ui/Seqget_FRM.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Seqget"));
    QApplication::setOrganizationName(QStringLiteral("Seqget"));
    installQtJapanese(app);

    SettingsStore store;
    SystemRunPlatform platform([] { QApplication::beep(); });
    // Goes after the window, which reports what it does.
    DownloadRun run(platform);
    Seqget_FRM window(run, &VolumeList::fromSystem, StoredSettings::load(store));
    QObject::connect(&window, &Seqget_FRM::saveRequested,
                     [&store](const StoredSettings &settings) { settings.save(store); });
    window.show();
    return app.exec();
}
