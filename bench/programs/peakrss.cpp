// Runs a command and prints its peak resident memory in KiB on the last line of stdout; exits
// with the command's status.

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: peakrss COMMAND [ARG...]\n");
        return 2;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    std::printf("%ld\n", usage.ru_maxrss);
    // A signal shows as the shell shows it, so that a crash is not taken for a clean failure.
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
