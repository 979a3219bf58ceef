#pragma once

#include "transfer/FetchResult.h"
#include "disk/FileSaver.h"
#include "transfer/HttpTransfer.h"
#include "job/ProxyAddress.h"
#include "transfer/RequestAddresses.h"
#include "job/RunJob.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QTimer>
#include <QString>

class RunPlatform;

// The run behind the START/STOP button. The window hands it the job as a
// value with every press and every edit; the run fetches the files of the
// series one after the other, driven by the transfer's signals on the
// caller's thread, and says what happened: its state, each file begun, its
// end. StartStop() returns at once and the run goes on from the event loop.
class DownloadRun final : public QObject
{
    Q_OBJECT

public:
    // Idle: no run. Active: fetching. StopRequested: a press asked it to end,
    // and it still finishes the file in progress. Ending: the end steps.
    enum class State { Idle, Active, StopRequested, Ending };
    Q_ENUM(State)

    // The platform must outlive the run.
    explicit DownloadRun(RunPlatform &platform, const TransferOptions &options = {},
                         QObject *parent = nullptr);
    // Aborts a run in progress and says nothing more.
    ~DownloadRun() override;

    DownloadRun(const DownloadRun &) = delete;
    DownloadRun &operator=(const DownloadRun &) = delete;

    // One press of the button: an idle run starts with job; an active one
    // is asked to stop after the file in progress; a run already stopping
    // ignores it.
    void StartStop(const RunJob &job);

    // The job as it stands after an edit. The run reads the names, the folder
    // choice and the base directory again for every file and BEEP and LOG at
    // its end, so such edits count for the rest of the run; the numbers and
    // the proxy were taken when it started and stay.
    void jobChanged(const RunJob &job);

    State state() const { return m_state; }

Q_SIGNALS:
    void stateChanged(DownloadRun::State state);
    // Before the fetch of each file.
    void fileStarted(const QString &url, const QString &localPath);
    // After the end steps of a run.
    void finished();

private:
    // The numbers a run reads from the job when it starts; a number that does
    // not read keeps what the last run had, so they live as long as the run.
    struct Numbers
    {
        qint16 Digits = 0;
        qint16 CurrentNo = 0;
        qint16 LastNo = 0;
    };

    void setState(State state);
    void nextFile();
    void onFetchFinished(const FetchResult &result);
    void commitFile();
    void fileDone();
    void endRun();
    void writeLogLine();
    void setUpProxy();
    QStringList localFolderSteps() const;
    bool folderIsSafe() const;
    bool nameIsSafe() const;

    RunPlatform &m_platform;
    // The saver goes after the transfer that writes into it.
    FileSaver m_saver;
    HttpTransfer m_transfer;
    RunJob m_job;
    Numbers m_numbers;
    State m_state = State::Idle;
    // The file in progress as it is stored, its path once saved, and whether
    // its body came whole.
    QString m_localName;
    QString m_destination;
    bool m_bodyOk = false;
    QDeadlineTimer m_holdDeadline;
    QTimer m_retry;
    // The address of the last file begun, in this run or an earlier one: the
    // log line's text.
    QString m_lastUrl;
    RequestAddresses m_addresses;
    // The proxy as last set: a host or port box that holds no proxy's
    // address keeps it.
    ProxyAddress m_proxy { QString(), 80 };
};
