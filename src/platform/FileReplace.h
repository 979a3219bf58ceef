#pragma once

#include <QString>
#include <system_error>

class QFile;

// What saving a body needs that each platform does its own way. One source
// file per platform implements it (SaverPlatform_unix.cpp, _win.cpp).
namespace SaverPlatform {

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

// Moves source over destination in one step: readers see the old file or
// the whole new one, and a symlink at the destination is replaced, not
// written through.
std::error_code replace(const QString &source, const QString &destination);

} // namespace SaverPlatform
