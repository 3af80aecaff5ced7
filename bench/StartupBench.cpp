// Start-up of the main window to its first paint, as the program starts: the
// application object, the window with its start-up sequence (folders,
// Values.ini, value lists, File > New), the dialogs, then show. Prints the
// moment of the first paint (CLOCK_REALTIME, so the caller can add the time
// before main), the time from main to the first paint and the peak resident
// memory, then exits. Run it on the offscreen platform.
#include <time.h>

#include <QApplication>
#include <QEvent>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/TfrmMain.h"

namespace {

long PeakResidentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

class FirstPaint : public QObject {
  public:
    explicit FirstPaint(std::chrono::steady_clock::time_point start) : start_(start) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !done_) {
            done_ = true;
            timespec now{};
            ::clock_gettime(CLOCK_REALTIME, &now);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_)
                    .count();
            std::printf("first_paint_realtime_ns=%lld main_to_paint_ms=%.1f peak_rss_kb=%ld\n",
                        static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec, ms,
                        PeakResidentKilobytes());
            QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::chrono::steady_clock::time_point start_;
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const auto start = std::chrono::steady_clock::now();
    QApplication app(argc, argv);
    qzt::StartOptions options;
    for (int i = 1; i < argc; ++i) {
        options.arguments.emplace_back(argv[i]);
    }
    qzt::TfrmMain frmMain;
    FirstPaint probe(start);
    frmMain.installEventFilter(&probe);
    frmMain.FormCreate(options);
    frmMain.CreateDialogs();
    frmMain.show();
    return QApplication::exec();
}
