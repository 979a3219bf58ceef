// Runs one series the way the START button does, without a window:
//   seqget_bench <url> <folder> <prefix> <digits> <first> <last> <ext> <local base> [proxy:port]
// With SEQGET_BENCH_CA_FILE naming a PEM file, an https server is trusted by
// the certificates in it instead of the system's (the benchmark's own server
// has a certificate made for the run).
// Exits 0 when the run has ended, 1 on bad arguments.
#include "core/DownloadRun.h"
#include "core/MainState.h"
#include "core/RunView.h"
#include "core/SystemRunPlatform.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

namespace {

// The window's side of a run, reduced to what the run reads and writes: no
// widgets, nothing recorded, so that only the engine is measured.
class HeadlessView final : public RunView
{
public:
    QString texts[jobBoxCount];
    QString base;

    QString jobText(JobBox box) const override { return texts[std::size_t(box)]; }
    void setButtonCaption(const QString &) override { }
    void setStatusText(int index, const QString &text) override { m_status[index & 1] = text; }
    QString statusText(int index) const override { return m_status[index & 1]; }
    QString baseDirectory() const override { return base; }

private:
    QString m_status[2];
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 9 || args.size() > 10) {
        std::fprintf(stderr,
                     "usage: seqget_bench <url> <folder> <prefix> <digits> <first> <last> "
                     "<ext> <local base> [proxy:port]\n");
        return 1;
    }

    MainState state;
    state.SYNC = 1;
    HeadlessView view;
    const JobBox boxes[] = { JobBox::URL,   JobBox::FLD,  JobBox::FNTOP, JobBox::KETA,
                             JobBox::START, JobBox::STOP, JobBox::EXT };
    for (int i = 0; i < 7; ++i)
        view.texts[std::size_t(boxes[i])] = args.at(i + 1);
    view.base = args.at(8);
    if (args.size() == 10) {
        const qsizetype colon = args.at(9).lastIndexOf(QLatin1Char(':'));
        state.PROXY = true;
        state.PROXYIP = args.at(9).left(colon);
        state.PORT = args.at(9).mid(colon + 1);
    }
    // LOG and BEEP stay off, so the platform only makes the folder.
    SystemRunPlatform platform;
    DownloadRun run(state, view, platform);
    const QString caFile = qEnvironmentVariable("SEQGET_BENCH_CA_FILE");
    if (!caFile.isEmpty())
        run.setCertificateAuthorities(caFile);
    QObject::connect(&run, &DownloadRun::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    run.StartStop();
    return run.isActive() ? app.exec() : 0;
}
