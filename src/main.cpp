#include "Seqget_FRM.h"
#include "SettingsStore.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Seqget"));
    QApplication::setOrganizationName(QStringLiteral("Seqget"));

    SettingsStore store;
    Seqget_FRM window(nullptr, &store);
    window.show();
    return app.exec();
}
