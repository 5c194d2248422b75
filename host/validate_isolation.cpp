// One check per child process: a module that crashes, aborts or hangs takes only
// its own check down with it.
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <iostream>

#include "host/validate.h"

namespace modhost::validate {

namespace {

std::string signalName(int signal) {
    switch (signal) {
        case SIGSEGV: return "SIGSEGV";
        case SIGBUS: return "SIGBUS";
        case SIGFPE: return "SIGFPE";
        case SIGILL: return "SIGILL";
        case SIGABRT: return "SIGABRT";
        case SIGTRAP: return "SIGTRAP";
        case SIGKILL: return "SIGKILL";
        case SIGTERM: return "SIGTERM";
        case SIGSYS: return "SIGSYS";
        default: return "signal " + std::to_string(signal);
    }
}

void writeAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += size_t(n);
    }
}

[[noreturn]] void runChild(int fd, Outcome (*body)(const void*), const void* context) {
    Outcome outcome = body(context);
    writeAll(fd, char('0' + int(outcome.result)) + outcome.reason);
    close(fd);
    // No exit handlers: they belong to the parent, and the module's state may be broken.
    _exit(0);
}

// Reads the child's answer until it closes the pipe; false when the time ran out.
bool readAnswer(int fd, std::string& answer, double timeoutSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(timeoutSeconds);
    char chunk[4096];
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        pollfd waiting{fd, POLLIN, 0};
        int ready = poll(&waiting, 1, int(std::min<int64_t>(left.count(), 1000)));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        answer.append(chunk, size_t(n));
    }
}

Outcome judge(int status, const std::string& answer) {
    if (WIFSIGNALED(status))
        return {Outcome::Result::Crashed, "CRASHED (" + signalName(WTERMSIG(status)) + ")"};
    if (answer.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return {Outcome::Result::Crashed,
                "CRASHED (exit status " + std::to_string(code) + " without an answer)"};
    }
    int result = answer[0] - '0';
    if (result < 0 || result > int(Outcome::Result::Timeout))
        return {Outcome::Result::Crashed, "CRASHED (an unreadable answer)"};
    return {Outcome::Result(result), answer.substr(1)};
}

}  // namespace

const char* resultName(Outcome::Result result) {
    switch (result) {
        case Outcome::Result::Pass: return "pass";
        case Outcome::Result::Fail: return "fail";
        case Outcome::Result::Skip: return "skip";
        case Outcome::Result::Crashed: return "crashed";
        case Outcome::Result::Timeout: return "timeout";
    }
    return "fail";
}

Outcome runIsolated(Outcome (*body)(const void*), const void* context, double timeoutSeconds) {
    int channel[2];
    if (pipe(channel) != 0) return {Outcome::Result::Fail, "no pipe for the check's process"};
    // Buffered output would otherwise be written twice, once by each process.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    pid_t child = fork();
    if (child < 0) {
        close(channel[0]);
        close(channel[1]);
        return {Outcome::Result::Fail, "no process for the check"};
    }
    if (child == 0) {
        close(channel[0]);
        runChild(channel[1], body, context);
    }
    close(channel[1]);
    std::string answer;
    bool answered = readAnswer(channel[0], answer, timeoutSeconds);
    close(channel[0]);
    if (!answered) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered) {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%g", timeoutSeconds);
        return {Outcome::Result::Timeout,
                std::string("TIMEOUT (no answer after ") + seconds + " s)"};
    }
    return judge(status, answer);
}

}  // namespace modhost::validate
