#pragma once

#include <QSaveFile>
#include <QString>

#include <functional>

class QIODevice;

// A file replaced whole or not at all. Everything goes to a temporary file beside the target,
// which takes the target's place only once all of it has been written: a failure at any point
// leaves an existing file as it was and no new file behind. Every export writes through here.
class SafeWrite
{
public:
    // Fills the opened file; on failure sets why, or leaves it empty to report the file's own
    // error.
    using Writer = std::function<bool(QIODevice &file, QString &why)>;

    explicit SafeWrite(const QString &fileName);
    SafeWrite(const SafeWrite &) = delete;
    SafeWrite &operator=(const SafeWrite &) = delete;

    // Creates the temporary file; false with error set when it cannot be. A caller that opens
    // early finds out before it writes anything else.
    bool open(QString *error);
    // Opens the file unless that was done, runs the writer and puts the file in place; false with
    // error set when any step fails, the target then untouched.
    bool write(const Writer &writer, QString *error);

    // Both steps at once.
    static bool save(const QString &fileName, const Writer &writer, QString *error);

private:
    QSaveFile file;
};
