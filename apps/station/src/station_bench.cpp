#include "station_bench.hpp"

#include "station_window.hpp"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <ctime>
#include <memory>
#include <utility>
#include <vector>

namespace plx71::station {

bool startBenchIfAsked(StationWindow& window)
{
    if (qEnvironmentVariableIsEmpty("PLX71_STATION_BENCH"))
        return false;
    auto* timer = new QTimer(&window);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(10);
    auto* job = new QElapsedTimer;
    auto* tick = new QElapsedTimer;
    auto worst = std::make_shared<qint64>(0);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, timer, job, tick, worst] {
        *worst = std::max(*worst, tick->nsecsElapsed() - 10'000'000);
        tick->restart();
        if (window.station().anyRunning())
            return;
        timer->stop();
        std::printf("job-ms %.1f\nworst-loop-delay-ms %.1f\n", double(job->nsecsElapsed()) / 1e6, double(*worst) / 1e6);
#ifdef CLOCK_THREAD_CPUTIME_ID
        // What the window's thread itself spent, whatever else the machine ran.
        timespec cpu{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
        std::printf("window-thread-cpu-ms %.1f\n", double(cpu.tv_sec) * 1e3 + double(cpu.tv_nsec) / 1e6);
#endif
        for (int i = 0; i < window.station().slotCount(); ++i)
            std::printf("slot %d %s\n", i + 1, qPrintable(stateWord(window.station().slot(i).state)));
        std::fflush(stdout);
        delete job;
        delete tick;
        QCoreApplication::exit(0);
    });
    // Every tile's change of state, with the wall clock's time, for the
    // script that notes when the line server has it.
    auto states = std::make_shared<std::vector<SlotState>>();
    QObject::connect(&window.station(), &Station::slotChanged, &window, [&window, states](int index) {
        states->resize(std::size_t(window.station().slotCount()), SlotState::Idle);
        const SlotState now = window.station().slot(index).state;
        if (std::exchange((*states)[std::size_t(index)], now) != now)
            std::printf("tile %d %s %lld\n", index + 1, qPrintable(stateWord(now)),
                        QDateTime::currentMSecsSinceEpoch());
    });
    // The job starts once the window is drawn: the first paint is no part
    // of the job's figures.
    QTimer::singleShot(300, &window, [&window, timer, job, tick] {
        job->start();
        window.station().startAll();
        tick->start();
        timer->start();
    });
    return true;
}

} // namespace plx71::station
