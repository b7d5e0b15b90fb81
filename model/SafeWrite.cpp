#include "SafeWrite.h"

SafeWrite::SafeWrite(const QString &fileName) : file(fileName) {}

bool SafeWrite::open(QString *error)
{
    if (file.open(QIODevice::WriteOnly))
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

bool SafeWrite::write(const Writer &writer, QString *error)
{
    if (!file.isOpen() && !open(error))
        return false;
    QString why;
    if (!writer(file, why)) {
        // Cancelling marks the file as failed, so that nothing can commit it afterwards; a writer
        // that gave no reason gets the file's error as it stands after that.
        file.cancelWriting();
        if (error)
            *error = why.isEmpty() ? file.errorString() : why;
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool SafeWrite::save(const QString &fileName, const Writer &writer, QString *error)
{
    SafeWrite file(fileName);
    return file.write(writer, error);
}
