#include "editors/ThumbnailLoader.h"

#include <QThread>

#include <algorithm>

namespace sl {

ThumbnailLoader::ThumbnailLoader(int threads, int size, QObject *parent)
    : QObject(parent)
    , m_size(size)
{
    if (threads <= 0)
        threads = std::clamp(QThread::idealThreadCount() / 2, 1, 4);
    m_pool.setMaxThreadCount(threads);
}

ThumbnailLoader::~ThumbnailLoader()
{
    m_pool.clear();
    m_pool.waitForDone();
}

quint64 ThumbnailLoader::request(const QString &path)
{
    const quint64 ticket = m_nextTicket++;
    const int size = m_size;
    m_pool.start([this, ticket, path, size] {
        Thumbnail t = makeThumbnail(path, size);
        // Delivered on the owner's thread; dropped with the loader when it is gone by then.
        QMetaObject::invokeMethod(
            this,
            [this, ticket, t = std::move(t)]() mutable {
                if (ticket < m_firstWanted)
                    return;
                m_results.insert(ticket, std::move(t));
                emit ready();
            },
            Qt::QueuedConnection);
    });
    return ticket;
}

void ThumbnailLoader::cancelAll()
{
    m_pool.clear();
    m_firstWanted = m_nextTicket;
    m_results.clear();
}

} // namespace sl
