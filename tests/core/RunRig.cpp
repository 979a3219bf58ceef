#include "RunRig.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QSignalSpy>

RunRig::RunRig()
    : platform(root.path() + QStringLiteral("/Seqget.log"))
    , run(state, view, platform, transfer)
{
    server.listen();
    QDir(root.path()).mkdir(QStringLiteral("base"));
    view.setBaseDirectory(root.path() + QStringLiteral("/base"));
    view.setJobText(JobBox::URL, server.baseUrl());
    view.setJobText(JobBox::FLD, QStringLiteral("s"));
    view.setJobText(JobBox::FNTOP, QStringLiteral("hana"));
    view.setJobText(JobBox::EXT, QStringLiteral("jpg"));
    view.setJobText(JobBox::KETA, QStringLiteral("3"));
    view.setJobText(JobBox::START, QStringLiteral("1"));
    view.setJobText(JobBox::STOP, QStringLiteral("3"));
    state.SYNC = 1;
    transfer.setTransferTimeout(std::chrono::milliseconds(1000));
}

QString RunRig::folder() const
{
    return view.baseDirectory() + QStringLiteral("/s");
}

QString RunRig::localFile(const QString &name) const
{
    return folder() + QLatin1Char('/') + name;
}

QString RunRig::logFile() const
{
    return platform.logFilePath();
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
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && file.write(bytes) == bytes.size();
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
