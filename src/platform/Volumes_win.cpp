#include "platform/Volumes.h"

#include <windows.h>

// Windows has no mount table and no udev: its drive letters carry their names.
QByteArray Platform::mountTable()
{
    return {};
}

QHash<QString, QString> Platform::deviceLabels()
{
    return {};
}

// A bit mask, answered without asking any drive.
QList<Mount> Platform::listedVolumes()
{
    QList<Mount> drives;
    const DWORD letters = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i) {
        if (letters & (DWORD(1) << i))
            drives.append({ QChar(u'A' + i) + QStringLiteral(":/"), {}, {}, {}, false });
    }
    return drives;
}

std::optional<Mount> Platform::probeVolume(const Mount &listed)
{
    const std::wstring root = QString(listed.root).replace(u'/', u'\\').toStdWString();
    wchar_t name[MAX_PATH + 1] = {};
    wchar_t fileSystem[MAX_PATH + 1] = {};
    DWORD flags = 0;
    if (!::GetVolumeInformationW(root.c_str(), name, MAX_PATH + 1, nullptr, nullptr, &flags,
                                 fileSystem, MAX_PATH + 1))
        return std::nullopt;
    Mount mount = listed;
    mount.label = QString::fromWCharArray(name);
    mount.fsType = QString::fromWCharArray(fileSystem);
    mount.readOnly = flags & FILE_READ_ONLY_VOLUME;
    return mount;
}
