#include "settings/SettingsStore.h"
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
    Seqget_FRM window(nullptr, &store);
    window.show();
    return app.exec();
}
