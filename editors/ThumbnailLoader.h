#pragma once
// Makes thumbnails on worker threads, so that loading hundreds of large images never holds up
// the window. Requests start in the order made; results are collected by ticket on the thread
// that owns the loader, which hears of each finished one through `ready`.
#include "editors/Thumbnail.h"

#include <QHash>
#include <QObject>
#include <QThreadPool>

namespace sl {

class ThumbnailLoader : public QObject
{
    Q_OBJECT

public:
    // `threads` 0: half the processors, at most 4 (the machine stays usable for the rest).
    explicit ThumbnailLoader(int threads = 0, int size = kCellSize, QObject *parent = nullptr);
    // Drops the requests not yet started and waits for the ones being decoded.
    ~ThumbnailLoader() override;

    // Queues a file; the ticket (never 0) names its result.
    quint64 request(const QString &path);
    bool isReady(quint64 ticket) const { return m_results.contains(ticket); }
    // The result of a ready ticket, which is then forgotten.
    Thumbnail take(quint64 ticket) { return m_results.take(ticket); }
    // Forgets every request: those not started never run, results still coming are dropped.
    void cancelAll();

signals:
    void ready();

private:
    QThreadPool m_pool;
    int m_size;
    quint64 m_nextTicket = 1;
    quint64 m_firstWanted = 1; // tickets below were cancelled
    QHash<quint64, Thumbnail> m_results;
};

} // namespace sl
