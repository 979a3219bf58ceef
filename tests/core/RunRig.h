#pragma once

#include "DownloadRun.h"
#include "MainState.h"
#include "MemoryRunView.h"
#include "RecordingRunPlatform.h"
#include "TestFiles.h"
#include "TestHttpServer.h"

#include <QTemporaryDir>
#include <memory>

// A whole run without a window: the test server, a temporary base directory,
// the in-memory view filled with the series /s/hana001.jpg .. hana003.jpg,
// and the real transfer and run, which gives up after a second without progress.
class RunRig
{
public:
    RunRig();

    QString folder() const;
    QString localFile(const QString &name) const;
    // Serves body for /s/<name>; a held one waits for server.release().
    void serve(const QString &name, const QByteArray &body, bool hold = false);
    // Presses the button and waits for the run's end; false on a hang.
    bool runToEnd();

    QTemporaryDir root;
    TestHttpServer server;
    MainState state;
    MemoryRunView view;
    RecordingRunPlatform platform;
    std::unique_ptr<DownloadRun> run;
};
