#include "SafeRead.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString trMain(const char *text)
{
    return QCoreApplication::translate("MainWindow", text);
}

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// Why a file of this kind is not read; empty for a regular file.
QString kindProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    if (S_ISDIR(mode))
        return trMain("a folder, not a file");
    if (S_ISFIFO(mode))
        return trMain("not a regular file but a named pipe");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return trMain("not a regular file but a device");
    if (S_ISSOCK(mode))
        return trMain("not a regular file but a socket");
    return trMain("not a regular file");
}

QString tooLarge(qint64 maxBytes, qint64 size)
{
    if (size < 0)
        return trMain("larger than the limit of %1").arg(SafeRead::sizeText(maxBytes));
    return trMain("larger than the limit of %1 (%2)")
        .arg(SafeRead::sizeText(maxBytes), SafeRead::sizeText(size));
}

// Closes the descriptor whatever way the read ends.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

QString SafeRead::sizeText(qint64 bytes)
{
    constexpr qint64 KiB = 1024;
    constexpr qint64 MiB = 1024 * KiB;
    if (bytes >= MiB)
        return QStringLiteral("%1 MiB").arg(QString::number(double(bytes) / MiB, 'g', 3));
    if (bytes >= KiB)
        return QStringLiteral("%1 KiB").arg(QString::number(double(bytes) / KiB, 'g', 3));
    return trMain("%1 bytes").arg(bytes);
}

bool SafeRead::read(const QString &fileName, qint64 maxBytes, QByteArray *content, QString *error)
{
    const auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QByteArray path = QFile::encodeName(fileName);
    if (path.isEmpty())
        return fail(systemError(ENOENT));

    // The kind is checked before opening: opening a FIFO for reading waits for a writer, and
    // opening some devices does something.
    struct stat before;
    if (::stat(path.constData(), &before) != 0)
        return fail(systemError(errno));
    if (const QString why = kindProblem(before.st_mode); !why.isEmpty())
        return fail(why);
    if (before.st_size > maxBytes)
        return fail(tooLarge(maxBytes, before.st_size));

    // Between the check and the open the name may come to stand for something else: the open
    // does not wait whatever it finds, and what was opened is checked again.
    Descriptor file;
    do {
        file.fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (file.fd < 0 && errno == EINTR);
    if (file.fd < 0)
        return fail(systemError(errno));
    struct stat opened;
    if (::fstat(file.fd, &opened) != 0)
        return fail(systemError(errno));
    if (const QString why = kindProblem(opened.st_mode); !why.isEmpty())
        return fail(why);
    if (opened.st_size > maxBytes)
        return fail(tooLarge(maxBytes, opened.st_size));

    // The buffer grows with what arrives, never past the size the file claims by more than one
    // small step (files of the kernel's pseudo file systems claim 0 and still hold text), and
    // never past the limit by more than the byte that shows the file is too large.
    constexpr qint64 Step = 4096;
    QByteArray data;
    qint64 total = 0;
    for (;;) {
        const qint64 room =
            std::min(std::max(qint64(opened.st_size) - total, Step), maxBytes + 1 - total);
        data.resize(int(total + room));
        ssize_t got;
        do {
            got = ::read(file.fd, data.data() + total, size_t(room));
        } while (got < 0 && errno == EINTR);
        if (got < 0)
            return fail(systemError(errno));
        if (got == 0)
            break;
        total += got;
        if (total > maxBytes)
            return fail(tooLarge(maxBytes, -1));
    }
    data.resize(int(total));
    if (content)
        *content = data;
    return true;
}
