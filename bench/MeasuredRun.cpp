#include "MeasuredRun.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>

extern char** environ;

namespace bench {

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

// Forks and runs argv with the environment env and the given outputs;
// waits in short steps, so that a child that hangs is ended at the limit.
MeasuredRun Measure(char* const* argv, char* const* env, const char* outFile, const char* errFile,
                    std::chrono::seconds limit) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        // Only async-signal-safe calls from here on.
        const int out = ::open(outFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errFile, O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || in < 0)
            ::_exit(127);
        ::dup2(in, STDIN_FILENO);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        ::execve(argv[0], argv, env);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    for (;;) {
        const pid_t ended = ::wait4(pid, &status, WNOHANG, &usage);
        if (ended == pid)
            break;
        if (ended < 0 && errno != EINTR)
            throw std::runtime_error("wait4 failed");
        if (std::chrono::steady_clock::now() - start > limit)
            ::kill(pid, SIGKILL);
        ::usleep(1000);
    }
    MeasuredRun run;
    run.WallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.SystemSeconds =
        static_cast<double>(usage.ru_stime.tv_sec) + static_cast<double>(usage.ru_stime.tv_usec) * 1e-6;
    run.CpuSeconds = run.SystemSeconds + static_cast<double>(usage.ru_utime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec) * 1e-6;
    run.PeakRssBytes = static_cast<long long>(usage.ru_maxrss) * 1024;  // reported in KB
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

}  // namespace

int LauncherMain(int argc, char** argv) {
    if (argc < 6)
        return 64;
    try {
        const MeasuredRun run =
            Measure(argv + 5, environ, argv[2], argv[3], std::chrono::seconds(std::atoll(argv[4])));
        std::printf("%d %.6f %.6f %.6f %lld\n", run.Status, run.WallSeconds, run.CpuSeconds,
                    run.SystemSeconds, run.PeakRssBytes);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

MeasuredRun RunMeasured(const std::vector<std::string>& argv, const std::vector<std::string>& env,
                        const std::string& outFile, const std::string& errFile, std::chrono::seconds limit) {
    std::vector<std::string> launch = {"/proc/self/exe", kLauncherFlag, outFile, errFile,
                                       std::to_string(limit.count())};
    launch.insert(launch.end(), argv.begin(), argv.end());
    std::vector<char*> args;
    for (const std::string& a : launch)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char*> environment;
    for (const std::string& e : env)
        environment.push_back(const_cast<char*>(e.c_str()));
    environment.push_back(nullptr);

    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    Fd readEnd(fds[0]);
    Fd writeEnd(fds[1]);
    const pid_t pid = ::fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        ::dup2(writeEnd.get(), STDOUT_FILENO);
        ::execve(args[0], args.data(), environment.data());
        ::_exit(127);
    }
    writeEnd.Close();
    std::string answer;
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(readEnd.get(), buffer, sizeof buffer);
        if (n > 0)
            answer.append(buffer, static_cast<std::size_t>(n));
        else if (n == 0 || errno != EINTR)
            break;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    MeasuredRun run;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
        std::sscanf(answer.c_str(), "%d %lf %lf %lf %lld", &run.Status, &run.WallSeconds, &run.CpuSeconds,
                    &run.SystemSeconds, &run.PeakRssBytes) != 5)
        throw std::runtime_error("the launcher failed for " + argv.front());
    return run;
}

}  // namespace bench
