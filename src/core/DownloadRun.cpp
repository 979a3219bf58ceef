#include "core/DownloadRun.h"

#include "core/MainState.h"
#include "core/NamingRules.h"
#include "core/NumberParse.h"
#include "core/ProxyAddress.h"
#include "core/RunPlatform.h"
#include "core/RunView.h"

#include <QFile>
#include <limits>

namespace {

void readInto(qint16 &field, const QString &text)
{
    // A number outside the 16-bit range leaves the field as the last run had it.
    if (const auto value = ReadNumber(text))
        field = *value;
}

} // namespace

DownloadRun::DownloadRun(MainState &state, RunView &view, RunPlatform &platform, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_view(view)
    , m_platform(platform)
{
    connect(&m_transfer, &HttpTransfer::finished, this, &DownloadRun::onFetchFinished);
}

// The transfer and the saver go with the run: the fetch is aborted and the
// partial body dropped, and neither the view nor the state is touched again.
DownloadRun::~DownloadRun() = default;

void DownloadRun::setStallLimit(std::chrono::milliseconds limit)
{
    m_transfer.setStallLimit(limit);
}

void DownloadRun::setCertificateAuthorities(const QString &pemFile)
{
    m_transfer.setCertificateAuthorities(pemFile);
}

void DownloadRun::StartStop()
{
    if (m_state.Running) {
        // Seen by the run at its next loop test, after the file in progress.
        m_state.Running = false;
        return;
    }
    // A stopped run still saving its last file: a second run would share the
    // transfer and could write the same file, so the press is ignored.
    if (m_active)
        return;

    m_view.setButtonCaption(QStringLiteral("STOP"));
    m_state.Running = true;
    m_active = true;
    m_saver.startSeries();

    for (const JobField &job : jobFields)
        m_state.*job.field = m_view.jobText(job.box);

    const QString base = m_view.baseDirectory();
    if (folderIsSafe(base))
        m_platform.createFolder(LocalFolder(m_state, base));

    setUpProxy();

    readInto(m_state.Digits, m_state.KETA);
    readInto(m_state.CurrentNo, m_state.START);
    readInto(m_state.LastNo, m_state.STOP);

    nextFile();
}

void DownloadRun::setUpProxy()
{
    if (!m_state.PROXY) {
        m_proxyPort = 80;
        m_transfer.setProxy(QString(), m_proxyPort);
        return;
    }
    if (const auto port = readPort(m_state.PORT))
        m_proxyPort = *port;
    const ProxyAddress proxy = proxyAddress(m_state.PROXYIP, m_proxyPort);
    m_transfer.setProxy(proxy.host, proxy.port);
}

bool DownloadRun::folderIsSafe(const QString &baseDirectory) const
{
    // Without a base directory the folder would hang off the file system's
    // root, outside anything the user chose.
    return !baseDirectory.isEmpty() && isPlainPathComponent(localFolderName(m_state), true);
}

void DownloadRun::nextFile()
{
    if (m_state.CurrentNo > m_state.LastNo || !m_state.Running) {
        endRun();
        return;
    }
    m_fileName = FileNameFor(m_state, m_state.CurrentNo);
    const QString base = m_view.baseDirectory();
    m_view.setStatusText(1, LocalPathFor(m_state, base, m_fileName));
    const QString url = RemoteUrlFor(m_state, m_fileName);
    m_view.setStatusText(0, url);

    // A name that would leave the local folder gets no file, but the fetch
    // still happens: every number of the series is requested in turn whatever
    // becomes of its body, as with a name the file system refuses. The body
    // waits in the base directory when the local folder cannot take it (its
    // name is being edited), since the folder may be right again by the end.
    const QString folder = folderIsSafe(base) ? LocalFolder(m_state, base) : QString();
    QIODevice *sink = nullptr;
    if (isPlainPathComponent(m_fileName, false) && m_saver.begin(folder, base))
        sink = m_saver.device();
    // The referer is the series' folder: the address of a file with no name.
    m_transfer.fetch(url, RemoteUrlFor(m_state, QString()), sink);
}

void DownloadRun::onFetchFinished(const FetchResult &result)
{
    if (!m_active)
        return;
    saveFile(result);
    if (m_state.CurrentNo == std::numeric_limits<qint16>::max()) {
        endRun();
        return;
    }
    ++m_state.CurrentNo;
    nextFile();
}

void DownloadRun::saveFile(const FetchResult &result)
{
    // The user may have edited a job box or picked another folder meanwhile.
    const QString base = m_view.baseDirectory();
    // A body that had nowhere to go is lost: the step fails, rather than
    // passing an empty file off as what the server sent.
    const bool bodyLost = !m_saver.isPending() && result.ok && result.bytes > 0;
    if (bodyLost || !folderIsSafe(base) || !isPlainPathComponent(m_fileName, false)) {
        m_saver.discard();
        return;
    }
    m_saver.commit(LocalPathFor(m_state, base, m_fileName), result.ok);
}

void DownloadRun::endRun()
{
    if (m_state.LOG)
        writeLogLine();
    m_view.setButtonCaption(QStringLiteral("START"));
    if (m_state.BEEP)
        m_platform.beep();
    m_state.Running = false;
    m_active = false;
    Q_EMIT finished();
}

void DownloadRun::writeLogLine()
{
    // A log that cannot be opened costs the line and nothing else.
    QFile log(m_platform.logFilePath());
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    const QString line = QLatin1Char('"') + m_view.statusText(0) + QStringLiteral(",\"\r\n");
    log.write(line.toLocal8Bit());
}
