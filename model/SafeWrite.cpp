#include "SafeWrite.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Why a file device failed. Qt's file engine reports a write the file system cut short (a file
// size limit, a disk that filled up halfway) as fewer bytes written with no reason of its own;
// what the system said about the write that stopped it is the reason, as it is for any other
// failed write.
QString reasonOf(const QFileDevice &device, int systemError)
{
    if (systemError != 0)
        return QString::fromLocal8Bit(std::strerror(systemError));
    if (device.error() != QFileDevice::NoError)
        return device.errorString();
    return QCoreApplication::translate("MainWindow", "the file was not written completely");
}

// Passes every write on to the file and remembers the first that failed or fell short, which
// fails the whole file. Writers check their own writes too, but none can see a short write, and
// a text stream only says that some write failed, not why.
class CheckedDevice : public QIODevice
{
public:
    explicit CheckedDevice(QFileDevice &file) : file(file) {}

    bool failed = false;
    QString reason;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (failed)
            return -1;
        errno = 0;
        const qint64 written = file.write(data, size);
        if (written == size)
            return written;
        failed = true;
        reason = reasonOf(file, errno);
        setErrorString(reason);
        return -1;
    }

private:
    QFileDevice &file;
};

} // namespace

const QString SafeWrite::StandardOutput = QStringLiteral("-");

SafeWrite::SafeWrite(const QString &fileName) : fileName(fileName), file(fileName)
{
    if (fileName == StandardOutput) {
        target = Descriptor;
        descriptor = STDOUT_FILENO;
        return;
    }
    // A name of one of the program's own descriptors (/dev/stdout, /dev/fd/N, /proc/self/fd/N)
    // is written through the descriptor, as a shell does: a standard output redirected to a
    // regular file then keeps what was printed before, where a new file in its place would
    // drop it.
    static const QRegularExpression ownDescriptor(QStringLiteral("^/(?:dev|proc/self)/fd/(\\d+)$"));
    QFileInfo link(fileName);
    for (int depth = 0; depth < 16; ++depth) {
        const QRegularExpressionMatch m = ownDescriptor.match(link.filePath());
        if (m.hasMatch()) {
            bool ok = false;
            descriptor = m.captured(1).toInt(&ok);
            if (ok) {
                target = Descriptor;
                return;
            }
        }
        if (!link.isSymLink())
            break;
        link.setFile(link.symLinkTarget());
    }
    // A folder stays with the temporary file, which fails to take its place with the usual
    // message.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile() && !info.isDir())
        target = Direct;
}

bool SafeWrite::open(QString *error)
{
    const auto fail = [error](int systemError) {
        if (error)
            *error = QString::fromLocal8Bit(std::strerror(systemError));
        return false;
    };
    switch (target) {
    case Replaced:
        if (file.isOpen() || file.open(QIODevice::WriteOnly))
            return true;
        if (error)
            *error = file.errorString();
        return false;
    case Direct:
        return ::access(QFile::encodeName(fileName).constData(), W_OK) == 0 || fail(errno);
    case Descriptor: {
        const int flags = ::fcntl(descriptor, F_GETFL);
        if (flags < 0)
            return fail(errno);
        return (flags & O_ACCMODE) != O_RDONLY || fail(EBADF);
    }
    }
    return true;
}

bool SafeWrite::write(const Writer &writer, QString *error)
{
    if (!open(error))
        return false;
    if (target == Replaced) {
        if (!writeInto(file, writer, error)) {
            // Cancelling marks the file as failed, so that nothing can commit it afterwards; the
            // temporary file goes with this object.
            file.cancelWriting();
            return false;
        }
        // Qt's commit reports success even when its own last flush failed: every byte has gone
        // out by now, so this one only renames.
        if (!file.commit()) {
            if (error)
                *error = file.errorString();
            return false;
        }
        return true;
    }

    QFile direct;
    bool opened = false;
    if (target == Descriptor) {
        // What the program printed through the C library comes first.
        std::fflush(stdout);
        opened = direct.open(descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered,
                             QFileDevice::DontCloseHandle);
    } else {
        direct.setFileName(fileName);
        opened = direct.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    if (!opened) {
        if (error)
            *error = direct.errorString();
        return false;
    }
    if (!writeInto(direct, writer, error))
        return false;
    direct.close();
    if (direct.error() != QFileDevice::NoError) {
        if (error)
            *error = direct.errorString();
        return false;
    }
    return true;
}

// The writer into the checked device, then everything the file still buffers out to the system,
// so that a failure of the last bytes is seen here and not lost in a close.
bool SafeWrite::writeInto(QFileDevice &device, const Writer &writer, QString *error)
{
    CheckedDevice checked(device);
    checked.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    QString why;
    const bool written = writer(checked, why);
    if (checked.failed) {
        if (error)
            *error = checked.reason;
        return false;
    }
    if (!written) {
        if (error)
            *error = why.isEmpty() ? device.errorString() : why;
        return false;
    }
    errno = 0;
    if (!device.flush() || device.error() != QFileDevice::NoError) {
        if (error)
            *error = reasonOf(device, errno);
        return false;
    }
    return true;
}

bool SafeWrite::save(const QString &fileName, const Writer &writer, QString *error)
{
    SafeWrite file(fileName);
    return file.write(writer, error);
}
