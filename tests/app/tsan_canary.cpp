// A data race on purpose, to show that the race checker still sees code run by
// Qt's event loop: a plain thread and a QTimer callback on the GUI thread both
// write one counter without any synchronisation. Built only with
// -DQUOREL_TSAN_CANARY=ON in a ThreadSanitizer build; its test passes when the
// sanitizer, with the project's suppressions, reports the race.

#include <QCoreApplication>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

// Not an atomic and not guarded: this is the race.
long long racy_counter = 0;

void bump_from_thread(std::atomic<bool>& stop)
{
    while (!stop.load(std::memory_order_relaxed)) {
        ++racy_counter;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void bump_from_timer()
{
    ++racy_counter;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);

    std::atomic<bool> stop{false};
    std::thread worker(bump_from_thread, std::ref(stop));

    int ticks = 0;
    QTimer timer;
    timer.setInterval(2);
    QObject::connect(&timer, &QTimer::timeout, &app, [&] {
        bump_from_timer();
        if (++ticks == 50)
            app.quit();
    });
    timer.start();
    const int result = app.exec();

    stop.store(true, std::memory_order_relaxed);
    worker.join();
    std::printf("counter %lld after %d timer ticks\n", racy_counter, ticks);
    return result;
}
