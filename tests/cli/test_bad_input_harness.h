// The converter's bad-input tests: other programs run with a time limit
// (the converter as another user), on top of the shared bad-input tools.
#pragma once

#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

#include "tests/bad_input/BadInput.h"
#include "tests/cli/CliHarness.h"

extern char** environ;

namespace badinput {

// Runs argv[0] (a full path) with the other arguments; standard input is
// /dev/null. Killed after `timeoutSeconds`.
inline clitest::Outcome runProgram(const std::vector<std::string>& argvIn, int timeoutSeconds)
{
    clitest::TempDir streams;
    const std::string outPath = (streams / "stdout").string();
    const std::string errPath = (streams / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<std::string> store = argvIn;
    std::vector<char*> argv;
    for (std::string& a : store)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    clitest::Outcome run;
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        run.err = "cannot start " + store[0] + ": " + std::strerror(rc);
        return run;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int status = 0;
    for (;;) {
        if (::waitpid(pid, &status, WNOHANG) == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            run.timedOut = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    run.out = clitest::readFile(outPath);
    run.err = clitest::readFile(errPath);
    return run;
}

} // namespace badinput
