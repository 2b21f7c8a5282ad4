#pragma once

#include <QImage>
#include <QMutex>
#include <QMutexLocker>
#include <QQuickImageProvider>
#include <QStringList>

// Counts what rich text asks of an image provider; plain text asks nothing.
class ProbeImageProvider : public QQuickImageProvider
{
public:
    ProbeImageProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

    QImage requestImage(const QString &id, QSize *size, const QSize &) override
    {
        QMutexLocker lock(&s_mutex);
        s_requested << id;
        if (size)
            *size = QSize(4, 4);
        QImage image(4, 4, QImage::Format_ARGB32);
        image.fill(Qt::red);
        return image;
    }

    static QStringList requested()
    {
        QMutexLocker lock(&s_mutex);
        return s_requested;
    }

private:
    inline static QMutex s_mutex;
    inline static QStringList s_requested;
};
