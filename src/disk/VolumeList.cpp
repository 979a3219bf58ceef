#include "disk/VolumeList.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

// "/" becomes "" and "C:/" becomes "C:", so that a path lies on the volume
// exactly when it equals this or continues it with "/".
QString withoutTrailingSlash(const QString &root)
{
    QString r = root;
    while (r.endsWith(QLatin1Char('/')))
        r.chop(1);
    return r;
}

bool lies(const QString &cleanedPath, const QString &root, Qt::CaseSensitivity cs)
{
    const QString r = withoutTrailingSlash(root);
    if (r.isEmpty())
        return cleanedPath.startsWith(QLatin1Char('/'));
    return cleanedPath.compare(r, cs) == 0
        || (cleanedPath.startsWith(r, cs) && cleanedPath.size() > r.size()
            && cleanedPath.at(r.size()) == QLatin1Char('/'));
}

bool isAbsolute(const QString &cleanedPath, PathStyle style)
{
    if (style == PathStyle::Unix)
        return cleanedPath.startsWith(QLatin1Char('/'));
    // A drive letter, alone or with its root and what lies below; a network
    // path has no drive.
    return cleanedPath.size() >= 2 && cleanedPath.at(0).isLetter() && cleanedPath.at(1) == u':'
        && (cleanedPath.size() == 2 || cleanedPath.at(2) == u'/');
}

// mountinfo writes space, tab, newline and backslash as three octal digits.
QString unescapeMountField(QByteArrayView field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const char c = field.at(i);
        if (c == '\\' && i + 3 < field.size()) {
            const QByteArrayView digits = field.sliced(i + 1, 3);
            bool ok = std::all_of(digits.begin(), digits.end(),
                                  [](char d) { return d >= '0' && d <= '7'; });
            if (ok) {
                out.append(char(digits.toInt(&ok, 8)));
                i += 3;
                continue;
            }
        }
        out.append(c);
    }
    return QString::fromUtf8(out);
}

bool isAtOrBelow(const QString &root, QLatin1StringView place)
{
    return root == place
        || (root.startsWith(place) && root.size() > place.size()
            && root.at(place.size()) == QLatin1Char('/'));
}

// Types that never hold a user's files, or hold them only as a layer of
// something else (container overlays, snap images).
bool isSystemType(const QString &type)
{
    static const QSet<QString> types = {
        QStringLiteral("proc"),
        QStringLiteral("sysfs"),
        QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),
        QStringLiteral("devfs"),
        QStringLiteral("cgroup"),
        QStringLiteral("cgroup2"),
        QStringLiteral("securityfs"),
        QStringLiteral("pstore"),
        QStringLiteral("efivarfs"),
        QStringLiteral("bpf"),
        QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),
        QStringLiteral("configfs"),
        QStringLiteral("fusectl"),
        QStringLiteral("mqueue"),
        QStringLiteral("hugetlbfs"),
        QStringLiteral("binfmt_misc"),
        QStringLiteral("autofs"),
        QStringLiteral("rpc_pipefs"),
        QStringLiteral("nsfs"),
        QStringLiteral("selinuxfs"),
        QStringLiteral("nfsd"),
        QStringLiteral("overlay"),
        QStringLiteral("aufs"),
        QStringLiteral("squashfs"),
        QStringLiteral("fuse.gvfsd-fuse"),
        QStringLiteral("fuse.portal"),
        QStringLiteral("fuse.lxcfs"),
        QStringLiteral("fuse.snapfuse"),
    };
    return types.contains(type);
}

bool isMemoryType(const QString &type)
{
    return type == QLatin1String("tmpfs") || type == QLatin1String("ramfs");
}

bool isSystemPlace(const QString &root)
{
    if (isAtOrBelow(root, QLatin1StringView("/run/media")))
        return root == QLatin1String("/run/media");
    static const QLatin1StringView places[] = {
        QLatin1StringView("/proc"), QLatin1StringView("/sys"),     QLatin1StringView("/dev"),
        QLatin1StringView("/run"),  QLatin1StringView("/var/run"), QLatin1StringView("/var/lock"),
        QLatin1StringView("/snap"),
    };
    return std::any_of(std::begin(places), std::end(places),
                       [&](QLatin1StringView place) { return isAtOrBelow(root, place); });
}

QString cleanPathIn(const QString &path, PathStyle style)
{
    if (style == PathStyle::Unix)
        return QDir::cleanPath(path);
    QString clean = QDir::cleanPath(QString(path).replace(u'\\', u'/'));
    // A drive's root keeps its slash, as on Windows itself.
    if (clean.size() == 2 && clean.at(0).isLetter() && clean.at(1) == u':')
        clean += u'/';
    return clean;
}

// What the system lists as mounted, labelled where the listing tells, before
// any volume is asked itself.
QList<Mount> systemMounts(PathStyle style)
{
    QList<Mount> mounts = VolumeList::parseMountInfo(Platform::mountTable());
    if (mounts.isEmpty())
        mounts = Platform::listedVolumes();
    const QHash<QString, QString> labels = Platform::deviceLabels();
    for (Mount &mount : mounts) {
        if (mount.device.startsWith(QLatin1Char('/')))
            mount.label = VolumeList::labelFromUdevName(
                labels.value(QFileInfo(mount.device).canonicalFilePath()));
    }
    if (style == PathStyle::Unix
        && std::none_of(mounts.cbegin(), mounts.cend(),
                        [](const Mount &m) { return m.root == QLatin1String("/"); }))
        mounts.prepend({ QStringLiteral("/"), QString(), QString(), QString(), false });
    return mounts;
}

// One volume's answer, which may come after nobody waits for it any more.
struct Answer
{
    std::mutex mutex;
    std::condition_variable given;
    std::optional<std::optional<Mount>> mount;
};

} // namespace

VolumeList::VolumeList(PathStyle style)
    : m_style(style)
{
}

VolumeList::VolumeList(const QList<Mount> &mounts, PathStyle style)
    : m_style(style)
{
    // A later mount on the same point hides the earlier one; with Windows
    // paths c:/ is the point C:/ is.
    const auto point = [this](const QString &root) {
        const QString clean = cleanPath(root);
        return pathCase() == Qt::CaseInsensitive ? clean.toCaseFolded() : clean;
    };
    QHash<QString, qsizetype> lastByRoot;
    for (qsizetype i = 0; i < mounts.size(); ++i)
        lastByRoot.insert(point(mounts.at(i).root), i);

    for (qsizetype i = 0; i < mounts.size(); ++i) {
        const Mount &mount = mounts.at(i);
        const QString root = cleanPath(mount.root);
        if (root.isEmpty() || lastByRoot.value(point(mount.root)) != i
            || !isChoosable(mount, style))
            continue;
        const QString label = mount.label.trimmed();
        const QString shown
            = style == PathStyle::Windows ? QString(root).replace(u'/', u'\\') : root;
        m_volumes.append(
            { root, label.isEmpty() ? shown : shown + QStringLiteral(" (%1)").arg(label) });
    }

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::stable_sort(m_volumes.begin(), m_volumes.end(), [&](const Volume &a, const Volume &b) {
        const bool aTop = a.root == QLatin1String("/");
        const bool bTop = b.root == QLatin1String("/");
        if (aTop != bTop)
            return aTop;
        return collator.compare(a.root, b.root) < 0;
    });
}

QString VolumeList::labelFromUdevName(const QString &name)
{
    QByteArray bytes = name.toUtf8();
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '\\' && i + 3 < bytes.size() && bytes.at(i + 1) == 'x') {
            bool ok = false;
            const int value = bytes.mid(i + 2, 2).toInt(&ok, 16);
            if (ok) {
                out.append(char(value));
                i += 3;
                continue;
            }
        }
        out.append(bytes.at(i));
    }
    return QString::fromUtf8(out);
}

QList<Mount> VolumeList::parseMountInfo(QByteArrayView text)
{
    // Each line: id parent major:minor root mountpoint options [optional...]
    // - fstype source superoptions
    QList<Mount> mounts;
    const QList<QByteArray> lines = QByteArray(text.data(), text.size()).split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype dash = fields.indexOf(QByteArrayLiteral("-"));
        if (fields.size() < 6 || dash < 6 || dash + 2 >= fields.size())
            continue;
        Mount mount;
        mount.root = unescapeMountField(fields.at(4));
        mount.fsType = unescapeMountField(fields.at(dash + 1));
        mount.device = unescapeMountField(fields.at(dash + 2));
        mount.readOnly = fields.at(5).split(',').contains(QByteArrayLiteral("ro"));
        mounts.append(mount);
    }
    return mounts;
}

bool VolumeList::isChoosable(const Mount &mount, PathStyle style)
{
    const QString root = cleanPathIn(mount.root, style);
    // Windows reports drive letters and folders a user mounted a volume on,
    // none of them the system's own.
    if (style == PathStyle::Windows)
        return isAbsolute(root, style);
    if (root == QLatin1String("/"))
        return true;
    if (!root.startsWith(QLatin1Char('/')) || isSystemPlace(root) || isSystemType(mount.fsType))
        return false;
    if (isMemoryType(mount.fsType)) {
        return !mount.readOnly && root != QLatin1String("/tmp")
            && root != QLatin1String("/var/tmp");
    }
    return true;
}

VolumeList VolumeList::fromSystem()
{
    const PathStyle style = Platform::pathStyle();
    return probed(systemMounts(style), style, &Platform::probeVolume, std::chrono::seconds(2));
}

VolumeList VolumeList::probed(const QList<Mount> &listed, PathStyle style, const Probe &probe,
                              std::chrono::milliseconds limit)
{
    // Only the mounts a user could choose are asked, each on a thread of its
    // own, so that one that hangs neither holds the others nor, when its
    // thread is left behind, anything at all.
    QList<Mount> candidates;
    std::vector<std::shared_ptr<Answer>> answers;
    for (const Mount &mount : listed) {
        if (!isChoosable(mount, style))
            continue;
        auto answer = std::make_shared<Answer>();
        std::thread([answer, mount, probe] {
            std::optional<Mount> probed = probe(mount);
            const std::lock_guard lock(answer->mutex);
            answer->mount = std::move(probed);
            answer->given.notify_one();
        }).detach();
        candidates.append(mount);
        answers.push_back(std::move(answer));
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    QList<Mount> mounts;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        Answer &answer = *answers[i];
        std::unique_lock lock(answer.mutex);
        // One that has not answered in time is listed as it was listed.
        if (!answer.given.wait_until(lock, deadline, [&] { return answer.mount.has_value(); }))
            mounts.append(candidates.at(qsizetype(i)));
        else if (*answer.mount)
            mounts.append(**answer.mount);
    }
    return VolumeList(mounts, style);
}

VolumeList VolumeList::holding(const QString &path, PathStyle style)
{
    const QString clean = cleanPathIn(path, style);
    const QString top = style == PathStyle::Unix ? QStringLiteral("/")
        : isAbsolute(clean, style)               ? clean.left(2) + u'/'
                                                 : QString();
    return VolumeList(top.isEmpty() ? QList<Mount>() : QList<Mount> { { top, {}, {}, {}, false } },
                      style);
}

Qt::CaseSensitivity VolumeList::pathCase() const
{
    return m_style == PathStyle::Windows ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

QString VolumeList::cleanPath(const QString &path) const
{
    return cleanPathIn(path, m_style);
}

int VolumeList::indexOfRoot(const QString &root) const
{
    const QString cleaned = cleanPath(root);
    if (cleaned.isEmpty())
        return -1;
    const QString wanted = withoutTrailingSlash(cleaned);
    for (int i = 0; i < m_volumes.size(); ++i) {
        if (withoutTrailingSlash(m_volumes.at(i).root).compare(wanted, pathCase()) == 0)
            return i;
    }
    return -1;
}

QString VolumeList::driveOf(const QString &path) const
{
    const QString cleaned = cleanPath(path);
    if (cleaned.isEmpty() || !isAbsolute(cleaned, m_style))
        return QString();
    QString best;
    qsizetype bestLength = -1;
    for (const Volume &volume : m_volumes) {
        const qsizetype length = withoutTrailingSlash(volume.root).size();
        if (length > bestLength && lies(cleaned, volume.root, pathCase())) {
            best = volume.root;
            bestLength = length;
        }
    }
    return best;
}

QString VolumeList::rootOf(const QString &drive) const
{
    for (const Volume &volume : m_volumes) {
        if (volume.displayName == drive)
            return volume.root;
    }
    if (drive.isEmpty())
        return QString();
    const int index = indexOfRoot(drive);
    return index < 0 ? QString() : m_volumes.at(index).root;
}
