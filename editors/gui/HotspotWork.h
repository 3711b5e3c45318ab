#pragma once
// Long reads and writes of the hotspot editor (decoding a tile, writing hotspot images) run on
// a thread of their own while the window keeps painting.
#include <QApplication>
#include <QEventLoop>

#include <chrono>
#include <future>
#include <utility>

namespace sl::hotspot {

// Runs `job` on another thread and returns its result. Meanwhile the event loop goes on but
// holds back user input (it is delivered once the job is done), so nothing the user does can
// reach the editor half-way; the cursor shows the wait.
template<typename Job>
auto runWithoutStall(Job &&job) -> decltype(job())
{
    auto result = std::async(std::launch::async, std::forward<Job>(job));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
    QApplication::restoreOverrideCursor();
    return result.get();
}

} // namespace sl::hotspot
