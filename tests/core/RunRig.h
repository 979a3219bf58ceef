#pragma once

#include "DownloadRun.h"
#include "MainState.h"
#include "MemoryRunView.h"
#include "RecordingRunPlatform.h"
#include "TestHttpServer.h"

#include <QTemporaryDir>

// A whole run without a window: the test server, a temporary base directory,
// the in-memory view filled with the series /s/hana001.jpg .. hana003.jpg,
// and the real transfer and run.
class RunRig
{
public:
    RunRig();

    QString folder() const { return view.baseDirectory() + QStringLiteral("/s"); }
    QString localFile(const QString &name) const { return folder() + QLatin1Char('/') + name; }
    // Serves body for /s/<name>.
    void serve(const QString &name, const QByteArray &body);
    // Presses the button and waits for the run's end; false on a hang.
    bool runToEnd();

    QTemporaryDir root;
    TestHttpServer server;
    MainState state;
    MemoryRunView view;
    RecordingRunPlatform platform;
    DownloadRun run;
};

QByteArray readAll(const QString &path);
bool writeFile(const QString &path, const QByteArray &bytes);
// Every entry below folder, hidden ones included, as sorted relative paths.
QStringList entriesBelow(const QString &folder);
