#pragma once

#include <QString>
#include <memory>
#include <system_error>

class QFile;

// How a finished body takes the place of a file, as each platform does it.
namespace Platform {

// A file with no name in folder, which vanishes with the process however it
// ends (Linux's O_TMPFILE); null where the file system has none.
std::unique_ptr<QFile> createUnnamedFile(const QString &folder);

// Gives an unnamed file the name path, in one step and only where nothing
// stands: std::errc::file_exists when something does, cross_device_link when
// path lies on another volume.
std::error_code nameUnnamedFile(const QFile &file, const QString &path);

// A path by which an unnamed file can be opened again, for reading.
QString unnamedFilePath(const QFile &file);

// Marks a temporary file just made by this process as taken: hidden from
// ordinary listings, and held against the clean-up of other Seqgets for as
// long as it is open.
void markTaken(QFile &file);

// Removes the temporary files in folder whose names match nameFilter and
// that no living writer holds: the leftovers of Seqgets that were killed.
// One changed in the last few seconds may belong to a writer that has made
// it and not yet marked it, so it waits for a later clean-up.
void removeLeftovers(const QString &folder, const QString &nameFilter);

// The replacement takes over what the user set on the file it replaces (its
// permissions, its attributes); one that replaces nothing is shown as an
// ordinary file.
void takeOverFrom(const QString &destination, const QString &replacement);

// What kept a replace from happening.
enum class ReplaceError {
    None,
    // Another program has the destination open for now (a virus scanner, an
    // indexer): asking again later may succeed.
    Held,
    // The destination is marked read-only, which Windows does not replace.
    ReadOnly,
    OtherVolume,
    Failed,
};

// Moves source over destination in one step: readers see the old file or
// the whole new one, and a symlink at the destination is replaced, not
// written through. Never waits.
ReplaceError replace(const QString &source, const QString &destination);

} // namespace Platform
