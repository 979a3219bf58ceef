#include "RunRig.h"

#include <QDir>
#include <QSignalSpy>

RunRig::RunRig()
    : platform(root.filePath(QStringLiteral("Seqget.log")))
    , run(std::make_unique<DownloadRun>(state, view, platform))
{
    server.listen();
    QDir(root.path()).mkdir(QStringLiteral("base"));
    view.setBaseDirectory(root.filePath(QStringLiteral("base")));
    const QStringList texts { server.baseUrl(), "s", "hana", "jpg", "3", "1", "3", "" };
    for (const JobField &job : jobFields)
        view.setJobText(job.box, texts.at(int(job.box)));
    state.SYNC = 1;
    run->setStallLimit(std::chrono::seconds(1));
}

QString RunRig::folder() const
{
    return view.baseDirectory() + QStringLiteral("/s");
}

QString RunRig::localFile(const QString &name) const
{
    return folder() + QLatin1Char('/') + name;
}

void RunRig::serve(const QString &name, const QByteArray &body, bool hold)
{
    TestResponse response = reply(200, body);
    response.hold = hold;
    server.responses.insert("/s/" + name.toUtf8(), response);
}

bool RunRig::runToEnd()
{
    QSignalSpy spy(run.get(), &DownloadRun::finished);
    run->StartStop();
    return !spy.isEmpty() || spy.wait(30000);
}
