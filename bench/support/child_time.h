#pragma once
// The processor time a whole program takes: the kernel's account of one run
// of a child, for the benchmarks that time a program's start or a whole
// render as a person would run it.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

// Processor time (user and system) of one run of `args`, in seconds;
// negative when the program cannot be started or fails. With `output`, what
// the child writes to its standard output is kept there.
inline double childProcessorSeconds(const std::vector<std::string>& args, std::string* output = nullptr) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int pipeEnds[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (output != nullptr) {
        output->clear();
        if (pipe(pipeEnds) != 0) return -1.0;
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    }
    // Spawned, not forked: a forked child would first pay for copying this
    // process's mappings, which is no part of the program measured.
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output != nullptr) {
        close(pipeEnds[1]);
        char chunk[256];
        for (ssize_t n; spawned == 0 && (n = read(pipeEnds[0], chunk, sizeof chunk)) > 0;)
            output->append(chunk, static_cast<size_t>(n));
        close(pipeEnds[0]);
    }
    if (spawned != 0) return -1.0;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
