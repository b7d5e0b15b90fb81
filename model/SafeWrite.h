#pragma once

#include <QSaveFile>
#include <QString>

#include <functional>

class QIODevice;

// A file replaced whole or not at all. Everything goes to a temporary file beside the target,
// which takes the target's place only once all of it has been written and flushed to the file
// system: a failure at any point (a full disk, a file size limit) leaves an existing file as it
// was and no new file behind. Every export writes through here.
//
// Some targets are written straight into instead, since replacing them would break what they
// are: an existing target that is not a regular file or a folder (a FIFO, a pipe from a shell's
// process substitution, a device), "-", the program's standard output, and the names of its
// open descriptors (/dev/stdout, /dev/fd/N). Bytes written before a failure there cannot be
// taken back; the failure is still reported.
class SafeWrite
{
public:
    // Fills the opened file; on failure sets why, or leaves it empty to report the file's own
    // error. Every write into the file is checked: one that fails or writes less than asked
    // fails the whole file, whatever the writer makes of it.
    using Writer = std::function<bool(QIODevice &file, QString &why)>;

    // The name that stands for standard output.
    static const QString StandardOutput;

    explicit SafeWrite(const QString &fileName);
    SafeWrite(const SafeWrite &) = delete;
    SafeWrite &operator=(const SafeWrite &) = delete;

    // Creates the temporary file (or, for a target written straight into, checks that it may be
    // written, without opening it: opening a FIFO waits for its reader); false with error set
    // when it cannot be. A caller that opens early finds out before it writes anything else.
    bool open(QString *error);
    // Opens the file unless that was done, runs the writer and puts the file in place; false with
    // error set when any step fails, the target then untouched.
    bool write(const Writer &writer, QString *error);

    // Both steps at once.
    static bool save(const QString &fileName, const Writer &writer, QString *error);

private:
    enum Target { Replaced, Direct, Descriptor };

    bool writeInto(QFileDevice &device, const Writer &writer, QString *error);

    const QString fileName;
    Target target = Replaced;
    int descriptor = -1; // of a Descriptor target
    QSaveFile file;
};
