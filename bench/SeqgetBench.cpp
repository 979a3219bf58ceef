// Runs one series the way the START button does, without a window:
//   seqget_bench <url> <folder> <prefix> <digits> <first> <last> <ext> <local base> [proxy:port]
// With SEQGET_BENCH_CA_FILE naming a PEM file, an https server is trusted by
// the certificates in it instead of the system's (the benchmark's own server
// has a certificate made for the run).
// Exits 0 when the run has ended, 1 on bad arguments.
#include "run/DownloadRun.h"
#include "run/SystemRunPlatform.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

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

    RunJob job;
    MainState &s = job.state;
    s.URL = args.at(1);
    s.FLD = args.at(2);
    s.FNTOP = args.at(3);
    s.KETA = args.at(4);
    s.START = args.at(5);
    s.STOP = args.at(6);
    s.EXT = args.at(7);
    s.SYNC = 1;
    job.baseDirectory = args.at(8);
    if (args.size() == 10) {
        const qsizetype colon = args.at(9).lastIndexOf(QLatin1Char(':'));
        s.PROXY = true;
        s.PROXYIP = args.at(9).left(colon);
        s.PORT = args.at(9).mid(colon + 1);
    }
    // LOG and BEEP stay off, so the platform only makes the folder.
    SystemRunPlatform platform;
    TransferOptions options;
    options.certificateAuthorities = qEnvironmentVariable("SEQGET_BENCH_CA_FILE");
    DownloadRun run(platform, options);
    QObject::connect(&run, &DownloadRun::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    run.StartStop(job);
    return run.state() == DownloadRun::State::Idle ? 0 : app.exec();
}
