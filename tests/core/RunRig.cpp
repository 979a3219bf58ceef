#include "RunRig.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>

RunRig::RunRig()
    : platform(root.path() + QStringLiteral("/Seqget.log"))
    , run(state, view, platform)
{
    server.listen();
    QDir(root.path()).mkdir(QStringLiteral("base"));
    view.setBaseDirectory(root.path() + QStringLiteral("/base"));
    const QStringList texts { server.baseUrl(), "s", "hana", "jpg", "3", "1", "3", "" };
    for (const JobField &job : jobFields)
        view.setJobText(job.box, texts.at(int(job.box)));
    state.SYNC = 1;
    run.setStallLimit(std::chrono::milliseconds(1000));
}

void RunRig::serve(const QString &name, const QByteArray &body)
{
    TestResponse response;
    response.body = body;
    server.setResponse("/s/" + name.toUtf8(), response);
}

bool RunRig::runToEnd()
{
    QSignalSpy spy(&run, &DownloadRun::finished);
    run.StartStop();
    return !spy.isEmpty() || spy.wait(20000);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QStringList entriesBelow(const QString &folder)
{
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(QDir(folder).relativeFilePath(it.next()));
    entries.sort();
    return entries;
}
