#include "run/DownloadRun.h"

#include "disk/SafeNames.h"
#include "job/NamingRules.h"
#include "job/NumberParse.h"
#include "job/ProxyAddress.h"
#include "run/RunPlatform.h"

#include <QDir>
#include <QFile>
#include <limits>

namespace {

void readInto(qint16 &field, const QString &text)
{
    // A number outside the 16-bit range leaves the field as the last run had it.
    if (const auto value = ReadNumber(text))
        field = *value;
}

// How long a destination another program holds is waited for: a virus
// scanner looks into a file just written, or about to be replaced, for a
// moment, and into a large one (a video, an archive) for some seconds. The
// run already grants a silent server this long.
constexpr std::chrono::seconds holdLimit(30);
constexpr std::chrono::milliseconds holdRetry(200);

} // namespace

DownloadRun::DownloadRun(RunPlatform &platform, const TransferOptions &options, QObject *parent)
    : QObject(parent)
    , m_platform(platform)
    , m_transfer(options)
{
    connect(&m_transfer, &HttpTransfer::finished, this, &DownloadRun::onFetchFinished);
    m_retry.setSingleShot(true);
    m_retry.setInterval(holdRetry);
    connect(&m_retry, &QTimer::timeout, this, &DownloadRun::commitFile);
}

// The transfer and the saver go with the run: the fetch is aborted and the
// partial body dropped, and no signal follows.
DownloadRun::~DownloadRun() = default;

void DownloadRun::setState(State state)
{
    m_state = state;
    Q_EMIT stateChanged(state);
}

void DownloadRun::StartStop(const RunJob &job)
{
    if (m_state == State::Active) {
        // Seen by the run at its next loop test, after the file in progress.
        setState(State::StopRequested);
        return;
    }
    // A stopped run still saving its last file: a second run would share the
    // transfer and could write the same file, so the press is ignored.
    if (m_state != State::Idle)
        return;

    setState(State::Active);
    m_job = job;
    m_saver.startSeries();

    // Each folder of a nested folder box in turn, below a base directory
    // that is never made up on the way.
    QString folder = m_job.baseDirectory;
    for (const QString &step : folderIsSafe() ? localFolderSteps() : QStringList()) {
        folder += QDir::separator() + step;
        m_platform.createFolder(folder);
    }

    setUpProxy();

    readInto(m_numbers.Digits, m_job.state.KETA);
    readInto(m_numbers.CurrentNo, m_job.state.START);
    readInto(m_numbers.LastNo, m_job.state.STOP);

    nextFile();
}

void DownloadRun::jobChanged(const RunJob &job)
{
    // The numbers and the proxy were read from the job when the run started
    // and are not read again, so the whole value can be taken.
    m_job = job;
}

void DownloadRun::setUpProxy()
{
    const MainState &s = m_job.state;
    if (!s.PROXY) {
        m_proxy = { QString(), 80 };
        m_transfer.setProxy(m_proxy.host, m_proxy.port);
        return;
    }
    const quint16 port = readPort(s.PORT).value_or(m_proxy.port);
    if (const auto proxy = proxyAddress(s.PROXYIP, port))
        m_proxy = *proxy;
    m_transfer.setProxy(m_proxy.host, m_proxy.port);
}

QStringList DownloadRun::localFolderSteps() const
{
    return folderSteps(localFolderName(m_job.state), Platform::pathStyle()).value_or(QStringList());
}

bool DownloadRun::folderIsSafe() const
{
    // Without a base directory the folder would hang off the file system's
    // root, outside anything the user chose.
    return !m_job.baseDirectory.isEmpty()
        && folderSteps(localFolderName(m_job.state), Platform::pathStyle()).has_value();
}

bool DownloadRun::nameIsSafe() const
{
    return isPlainPathComponent(m_localName, false, Platform::pathStyle());
}

void DownloadRun::nextFile()
{
    if (m_numbers.CurrentNo > m_numbers.LastNo || m_state != State::Active) {
        endRun();
        return;
    }
    const MainState &s = m_job.state;
    const QString &base = m_job.baseDirectory;
    const QString fileName = FileNameFor(s, m_numbers.Digits, m_numbers.CurrentNo);
    m_localName = storedName(fileName, Platform::pathStyle());
    m_lastUrl = RemoteUrlFor(s, fileName);
    Q_EMIT fileStarted(m_lastUrl, LocalPathFor(s, base, m_localName));

    // A name that would leave the local folder gets no file, but the fetch
    // still happens: every number of the series is requested in turn whatever
    // becomes of its body, as with a name the file system refuses. The body
    // waits in the base directory when the local folder cannot take it (its
    // name is being edited), since the folder may be right again by the end.
    const QString folder = folderIsSafe() ? LocalFolder(s, base) : QString();
    QIODevice *sink = nullptr;
    if (nameIsSafe() && m_saver.begin(folder, base))
        sink = m_saver.device();
    // The referer is the series' folder: the address of a file with no name.
    m_transfer.fetch(m_addresses.url(m_lastUrl),
                     m_addresses.referer(RemoteUrlFor(s, QString())), sink);
}

void DownloadRun::onFetchFinished(const FetchResult &result)
{
    if (m_state == State::Idle)
        return;
    // The job is read afresh: a box may have been edited or another folder
    // picked while the body arrived.
    // A body that had nowhere to go is lost: the step fails, rather than
    // passing an empty file off as what the server sent.
    const bool bodyLost = !m_saver.isPending() && result.ok && result.bytes > 0;
    if (bodyLost || !folderIsSafe() || !nameIsSafe()) {
        m_saver.discard();
        fileDone();
        return;
    }
    m_destination = LocalPathFor(m_job.state, m_job.baseDirectory, m_localName);
    m_bodyOk = result.ok;
    m_holdDeadline.setRemainingTime(holdLimit);
    commitFile();
}

void DownloadRun::commitFile()
{
    // A destination another program holds is asked for again from a timer, so
    // that the window, and a STOP press, are answered meanwhile.
    if (m_saver.commit(m_destination, m_bodyOk) == FileSaver::Saved::Held) {
        if (!m_holdDeadline.hasExpired()) {
            m_retry.start();
            return;
        }
        m_saver.discard();
    }
    fileDone();
}

void DownloadRun::fileDone()
{
    if (m_numbers.CurrentNo == std::numeric_limits<qint16>::max()) {
        endRun();
        return;
    }
    ++m_numbers.CurrentNo;
    nextFile();
}

void DownloadRun::endRun()
{
    setState(State::Ending);
    if (m_job.state.LOG)
        writeLogLine();
    setState(State::Idle);
    if (m_job.state.BEEP)
        m_platform.beep();
    Q_EMIT finished();
}

void DownloadRun::writeLogLine()
{
    // A log that cannot be opened costs the line and nothing else.
    QFile log(m_platform.logFilePath());
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    // A run that began no file logs the address an earlier run showed last.
    const QString line = QLatin1Char('"') + m_lastUrl + QStringLiteral(",\"\r\n");
    log.write(line.toLocal8Bit());
}
