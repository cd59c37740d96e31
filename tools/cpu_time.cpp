// velscan-cpu-time: runs a program and reports the processor time it used
// (user + system, from the kernel's resource accounting of the finished
// child), so benchmarks can compare a program's own work across set-ups.
//   velscan-cpu-time PROGRAM [ARGS...]
// Standard input and output pass through untouched; the figures go to
// standard error as one line "cpu-time: user U us, system S us, total T us",
// and the exit status is the program's.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

long long Microseconds(const timeval &tv) { return static_cast<long long>(tv.tv_sec) * 1000000 + tv.tv_usec; }

}  // namespace

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: velscan-cpu-time PROGRAM [ARGS...]\n");
        return 2;
    }
    pid_t child = fork();
    if (child < 0) {
        std::fprintf(stderr, "velscan-cpu-time: fork failed: %s\n", std::strerror(errno));
        return 1;
    }
    if (child == 0) {
        execvp(argv[1], argv + 1);
        std::fprintf(stderr, "velscan-cpu-time: cannot run %s: %s\n", argv[1], std::strerror(errno));
        _exit(127);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    const long long user = Microseconds(usage.ru_utime);
    const long long system = Microseconds(usage.ru_stime);
    std::fprintf(stderr, "cpu-time: user %lld us, system %lld us, total %lld us\n", user, system,
                 user + system);
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
