#pragma once

#include <QByteArray>
#include <QString>

// The one way the program reads a file a user hands it (sessions, and whatever it reads later):
// a regular file of bounded size, read whole. Anything else is refused before a byte is read, so
// that a FIFO cannot stall the program, a device such as /dev/zero or /dev/urandom cannot fill
// its memory and a folder is named as one. Nothing larger than the file is ever allocated.
namespace SafeRead {

// Puts the content of fileName in content when it is a regular file (or a link to one) of at
// most maxBytes bytes; otherwise false with error set to why, in the interface language, without
// the file's name (the caller says which file it was).
bool read(const QString &fileName, qint64 maxBytes, QByteArray *content, QString *error);

// A byte count as messages show it: "1 MiB", "2.5 MiB", "12 KiB", "300 bytes".
QString sizeText(qint64 bytes);

} // namespace SafeRead
