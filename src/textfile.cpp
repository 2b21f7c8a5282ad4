#include "textfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

namespace {
QString failure(const QString &path, const QFileDevice &file)
{
    return QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(path), file.errorString());
}
}

QString writeTextFile(const QString &pathOrUrl, const QByteArray &bytes)
{
    const QString path = pathOrUrl.startsWith(QLatin1String("file:")) ? QUrl(pathOrUrl).toLocalFile() : pathOrUrl;
    const QFileInfo info(path);
    if (path.isEmpty() || info.isDir())
        return QStringLiteral("%1 (Not A File)").arg(QDir::toNativeSeparators(path));

    // A device or a pipe is written in place: a save file would be renamed
    // over it, and as root that replaces the device itself.
    if (info.exists() && !info.isFile()) {
        QFile device(path);
        if (!device.open(QIODevice::WriteOnly | QIODevice::Unbuffered) || device.write(bytes) != bytes.size())
            return failure(path, device);
        return QString();
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(path, file);
    // commit() does not notice a failed flush of buffered data and would then
    // replace the file with a truncated one, so the flush is checked first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        const QString reason = failure(path, file);
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return failure(path, file);
    return QString();
}
