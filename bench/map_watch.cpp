// Starts a program and reports how long it took until its first top-level
// window was mapped on the X display, and its peak memory once shown.
// Usage: map_watch SETTLE_MS PROGRAM [ARGS...]   prints "<ms> <VmHWM kB>"
#include <X11/Xlib.h>

#include <chrono>
#include <fcntl.h>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

long peakMemoryKb(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SETTLE_MS PROGRAM [ARGS...]\n", argv[0]);
        return 2;
    }
    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 2;
    }
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, False);

    // Closed by a successful exec; a byte through it means the program never started.
    int failed[2];
    if (pipe2(failed, O_CLOEXEC) != 0)
        return 2;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execv(argv[2], argv + 2);
        const char byte = 1;
        (void)!write(failed[1], &byte, 1);
        _exit(127);
    }
    close(failed[1]);
    char byte = 0;
    if (read(failed[0], &byte, 1) == 1) {
        std::fprintf(stderr, "cannot start %s\n", argv[2]);
        return 2;
    }
    XEvent event;
    for (;;) {
        XNextEvent(display, &event);
        if (event.type == MapNotify && !event.xmap.override_redirect)
            break;
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::this_thread::sleep_for(std::chrono::milliseconds(std::atoi(argv[1])));
    const long kb = peakMemoryKb(child);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    std::printf("%.1f %ld\n", ms, kb);
    XCloseDisplay(display);
    return 0;
}
