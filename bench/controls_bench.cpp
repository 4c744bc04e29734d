// Push button benchmarks (bench/run-all runs them on a private Xvfb; without a display they use
// the offscreen platform):
//   controls_bench paint          time of one face paint of a 77 x 25 button (limit 0.5 ms)
//   controls_bench poll [seconds] CPU share of three idle buttons' hover polls, less a baseline
//                                 window without buttons (limit 0.2 % of one core; 20 s each)
// Without a mode both run.
#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench_report.h"
#include "command.h"

namespace {

using quillmere::Command;

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int BenchPaint() {
    QWidget window;
    window.resize(200, 80);
    Command button(&window);
    button.setGeometry(20, 20, 77, 25);
    quillmere::PropertyBag bag;
    button.ReadProperties(bag);
    window.show();
    QApplication::processEvents();

    // A read of Enabled runs exactly one paint of the face (Normal).
    constexpr int kWarmup = 200;
    constexpr int kRounds = 20;
    constexpr int kPerRound = 500;
    for (int i = 0; i < kWarmup; ++i) {
        (void)button.Enabled();
    }
    std::vector<double> perPaint;
    const int before = button.PaintCount();
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kPerRound; ++i) {
            (void)button.Enabled();
        }
        perPaint.push_back(timer.nsecsElapsed() / 1e6 / kPerRound);
        QApplication::processEvents();
    }
    if (button.PaintCount() - before != kRounds * kPerRound) {
        std::fprintf(stderr, "controls_bench: paints were not counted as expected\n");
        return 1;
    }
    std::sort(perPaint.begin(), perPaint.end());
    const double median = perPaint[perPaint.size() / 2];
    const double worst = perPaint.back();
    std::printf("button paint 77x25: slowest round %.4f ms per paint\n", worst);
    benchreport::AtMost("button paint 77x25, median of 20 rounds", median, "ms per paint", 0.5, 4);
    return 0;
}

// Runs the event loop for the given time around a window with or without three polling
// buttons; the CPU seconds it took.
double IdleCpu(bool withButtons, int seconds) {
    QWidget window;
    window.resize(496, 246);
    std::vector<std::unique_ptr<Command>> buttons;
    if (withButtons) {
        const QRect places[] = {QRect(324, 200, 77, 25), QRect(404, 200, 77, 25),
                                QRect(124, 108, 41, 21)};
        for (const QRect& place : places) {
            auto button = std::make_unique<Command>(&window);
            button->setGeometry(place);
            quillmere::PropertyBag bag;
            button->ReadProperties(bag);
            buttons.push_back(std::move(button));
        }
    }
    window.show();
    QApplication::processEvents();
    for (auto& button : buttons) {
        button->Initialize();
    }
    const double start = CpuSeconds();
    QTimer::singleShot(seconds * 1000, qApp, &QApplication::quit);
    QApplication::exec();
    const double used = CpuSeconds() - start;
    buttons.clear();
    return used;
}

int BenchPoll(int seconds) {
    const double baseline = IdleCpu(false, seconds);
    const double polled = IdleCpu(true, seconds);
    const double share = std::max(0.0, polled - baseline) / seconds * 100.0;
    std::printf("three buttons polling %d s: %.3f s CPU, baseline %.3f s\n", seconds, polled,
                baseline);
    benchreport::AtMost("three buttons' hover polls, less a window without buttons", share,
                        "% of one core", 0.2, 3);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    const std::string mode = argc > 1 ? argv[1] : "";
    const int seconds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 20;
    QApplication app(argc, argv);
    int status = 0;
    if (mode.empty() || mode == "paint") {
        status |= BenchPaint();
    }
    if (mode.empty() || mode == "poll") {
        status |= BenchPoll(seconds);
    }
    if (mode != "" && mode != "paint" && mode != "poll") {
        std::fprintf(stderr, "usage: controls_bench [paint | poll [seconds]]\n");
        return 1;
    }
    return status != 0 ? status : benchreport::ExitStatus();
}
