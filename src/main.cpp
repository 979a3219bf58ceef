#include "Seqget_FRM.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Seqget"));
    QApplication::setOrganizationName(QStringLiteral("Seqget"));

    Seqget_FRM window;
    window.show();
    return app.exec();
}
