#pragma once

#include "FetchResult.h"
#include "FileSaver.h"

#include <QObject>
#include <QPointer>
#include <QString>

struct MainState;
class HttpTransfer;
class RunPlatform;
class RunView;

// The run behind the START/STOP button. It fetches the files of the series one
// after the other, driven by the transfer's signals on the caller's thread:
// StartStop() returns at once and the run goes on from the event loop.
class DownloadRun final : public QObject
{
    Q_OBJECT

public:
    // The state, the view and the platform must outlive the run; the transfer
    // may go first (the run then ends without touching anything).
    DownloadRun(MainState &state, RunView &view, RunPlatform &platform, HttpTransfer &transfer,
                QObject *parent = nullptr);
    // Aborts a run in progress without touching the view or the state again.
    ~DownloadRun() override;

    DownloadRun(const DownloadRun &) = delete;
    DownloadRun &operator=(const DownloadRun &) = delete;

    // One press of the button: starts a run, or asks the active one to stop
    // after the file in progress.
    void StartStop();

    // True from the start of a run until its end steps are done, also while a
    // stopped run still finishes its file.
    bool isActive() const { return m_active; }

    // Ends a run at once: the fetch is aborted and its partial body dropped,
    // no end step runs and the view is not touched; Running becomes False.
    void cancel();

Q_SIGNALS:
    // After the end steps of a run.
    void finished();

private:
    void nextFile();
    void onFetchFinished(const FetchResult &result);
    void saveFile(const FetchResult &result);
    void endRun();
    void writeLogLine();
    void abortQuietly();
    bool folderIsSafe(const QString &baseDirectory) const;

    MainState &m_state;
    RunView &m_view;
    RunPlatform &m_platform;
    QPointer<HttpTransfer> m_transfer;
    FileSaver m_saver;
    QString m_fileName;
    bool m_active = false;
};
