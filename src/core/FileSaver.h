#pragma once

#include <QFile>
#include <QString>
#include <memory>
#include <system_error>

// Saves one downloaded body so that the destination only ever holds a whole
// file: the body goes into a hidden temporary file beside the destination,
// which then replaces the destination by a rename. Nothing is ever written
// through a symlink planted at the destination, and no temporary file is left
// behind, whatever happens.
class FileSaver final
{
public:
    FileSaver();
    ~FileSaver();

    FileSaver(const FileSaver &) = delete;
    FileSaver &operator=(const FileSaver &) = delete;

    // Creates the temporary file in folder. Returns false (and holds no file)
    // when it cannot be created.
    bool begin(const QString &folder);
    // Where the body goes; null when begin() failed or nothing is pending.
    QIODevice *device();

    // Finishes the save under destination. With ok and at least one byte the
    // destination becomes exactly the received body; otherwise the temporary
    // file goes and a missing destination is created empty, an existing one
    // is left as it was. Returns true when the destination got the new body.
    bool commit(const QString &destination, bool ok);

    // Drops the temporary file, touching no destination.
    void discard();

private:
    static std::error_code replaceFrom(const QString &source, const QString &destination);
    bool copyAcross(const QString &destination);

    std::unique_ptr<QFile> m_file;
};
