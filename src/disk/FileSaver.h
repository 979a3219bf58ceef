#pragma once

#include <QFile>
#include <QString>
#include <memory>

// Saves one downloaded body so that the destination only ever holds a whole
// file: the body goes into a temporary file in the destination's folder, which
// then takes the destination's name, by a rename where a file stands already.
// Nothing is ever written through a symlink planted at the destination, and no
// temporary file is left behind, whatever happens.
class FileSaver final
{
public:
    // Unnamed: a file with no name until it is whole, where the file system
    // has them (Linux), else a hidden one. Named: always the hidden one.
    enum class Temporaries { Unnamed, Named };

    explicit FileSaver(Temporaries kind = Temporaries::Unnamed);
    ~FileSaver();

    FileSaver(const FileSaver &) = delete;
    FileSaver &operator=(const FileSaver &) = delete;

    // Creates the temporary file in folder, or in fallbackFolder when folder
    // is empty or cannot take it. Returns false (and holds no file) when neither can.
    // Temporary files that an earlier, killed Seqget left in folder are
    // removed first, once per folder and series.
    bool begin(const QString &folder, const QString &fallbackFolder = QString());
    // A new series: every folder is looked at for leftovers again.
    void startSeries();
    // Whether a temporary file is taking a body.
    bool isPending() const { return m_file != nullptr; }
    // Where the body goes; null when begin() failed or nothing is pending.
    QIODevice *device();

    enum class Saved {
        Yes, // the destination holds the new body
        No, // it does not; a missing one was created empty, an existing one is as it was
        Held, // another program holds the destination for now: commit again later, or discard
    };

    // Finishes the save under destination. With ok and at least one byte the
    // destination becomes exactly the received body, with the permissions of
    // the file it replaces; otherwise the temporary file goes and a missing
    // destination is created empty, an existing one is left as it was. Never
    // waits: a destination held by another program (a virus scanner) gives
    // Held, and the body waits in a temporary file beside it for the next
    // commit() of the same destination.
    Saved commit(const QString &destination, bool ok);

    // Drops the temporary file, and a body waiting for a held destination,
    // touching no destination.
    void discard();

private:
    enum class Step { Moved, Held, Failed };

    void create(const QString &folder);
    void dropFile();
    Step linkInto(const QString &destination);
    Step moveInto(const QString &temporary, const QString &destination);
    Step copyAcross(const QString &source, const QString &destination);

    Temporaries m_kind;
    std::unique_ptr<QFile> m_file;
    bool m_unnamed = false;
    // A whole body, closed and named, that waits for its held destination.
    QString m_held;
    QString m_swept;
};
