#pragma once

#include "core/FetchResult.h"
#include "core/FileSaver.h"
#include "core/HttpTransfer.h"

#include <QObject>
#include <QString>
#include <chrono>

struct MainState;
class RunPlatform;
class RunView;

// The run behind the START/STOP button. It fetches the files of the series one
// after the other, driven by the transfer's signals on the caller's thread:
// StartStop() returns at once and the run goes on from the event loop.
class DownloadRun final : public QObject
{
    Q_OBJECT

public:
    // The state, the view and the platform must outlive the run.
    DownloadRun(MainState &state, RunView &view, RunPlatform &platform, QObject *parent = nullptr);
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

    // How long a fetch may move less than a few bytes a second before it
    // fails (30 s unless set).
    void setStallLimit(std::chrono::milliseconds limit);

    // Trusts the certificate authorities in this PEM file instead of the
    // system's, for servers with certificates of their own making.
    void setCertificateAuthorities(const QString &pemFile);

Q_SIGNALS:
    // After the end steps of a run.
    void finished();

private:
    void nextFile();
    void onFetchFinished(const FetchResult &result);
    void saveFile(const FetchResult &result);
    void endRun();
    void writeLogLine();
    void setUpProxy();
    bool folderIsSafe(const QString &baseDirectory) const;

    MainState &m_state;
    RunView &m_view;
    RunPlatform &m_platform;
    // The saver goes after the transfer that writes into it.
    FileSaver m_saver;
    HttpTransfer m_transfer;
    QString m_fileName;
    // The proxy port as last set: a port box that holds no port keeps it.
    quint16 m_proxyPort = 80;
    bool m_active = false;
};
