#include "tests/support/interrupted_writes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// How the child ended, when it was not by returning.
std::string ending(int status) {
    if (WIFSIGNALED(status)) {
        return "the writing process was killed by signal " + std::to_string(WTERMSIG(status));
    }
    return "the writing process exited with status " + std::to_string(WEXITSTATUS(status));
}

std::string bytes_of(std::string const& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

int wait_for(pid_t child) {
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

// Every name in the folder of `path` that starts with its name, itself
// excepted: what an interrupted write may leave behind.
std::vector<std::string> beside(std::string const& path) {
    std::filesystem::path const file(path);
    std::string const name = file.filename().string();
    std::vector<std::string> found;
    for (auto const& entry : std::filesystem::directory_iterator(file.parent_path())) {
        std::string const other = entry.path().filename().string();
        if (other != name && other.compare(0, name.size(), name) == 0) {
            found.push_back(other);
        }
    }
    return found;
}

} // namespace

std::string with_file_size_limit(std::size_t max_bytes, std::function<std::string()> const& write) {
    int report[2];
    if (pipe(report) != 0) {
        return "no pipe";
    }
    pid_t const child = fork();
    if (child == 0) {
        close(report[0]);
        dup2(report[1], STDERR_FILENO);
        // Without this the crossing write would end the process instead of failing.
        signal(SIGXFSZ, SIG_IGN);
        rlimit const limit = {max_bytes, max_bytes};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string failure;
        try {
            failure = write();
        } catch (...) {
            _exit(3);
        }
        ssize_t const sent = ::write(report[1], failure.data(), failure.size());
        _exit(sent == ssize_t(failure.size()) ? 0 : 2);
    }
    close(report[1]);
    std::string failure;
    char buffer[4096];
    ssize_t got;
    while ((got = read(report[0], buffer, sizeof buffer)) != 0) {
        if (got > 0) {
            failure.append(buffer, std::size_t(got));
        } else if (errno != EINTR) {
            break;
        }
    }
    close(report[0]);
    int const status = wait_for(child);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? failure : ending(status);
}

void expect_kills_leave_one_version_whole(std::string const& path, std::string const versions[2],
                                          std::function<void(unsigned)> const& write, int rounds) {
    unsigned const seed = std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    // Long enough for several whole writes, synced to the disk, of the
    // files written here.
    std::uniform_int_distribution<int> delay_us(0, 15000);
    write(0);
    ASSERT_EQ(bytes_of(path), versions[0]);
    for (int round = 0; round < rounds; round++) {
        pid_t const child = fork();
        if (child == 0) {
            try {
                for (unsigned n = 1;; n++) {
                    write(n);
                }
            } catch (...) {
                _exit(3);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(delay_us(random)));
        kill(child, SIGKILL);
        int const status = wait_for(child);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << ending(status);
        std::string const now = bytes_of(path);
        EXPECT_TRUE(now == versions[0] || now == versions[1])
            << "round " << round << ": " << now.size() << " bytes, neither version whole";
        for (std::string const& other : beside(path)) {
            EXPECT_EQ(other, std::filesystem::path(path).filename().string() + ".inprogress")
                << "round " << round;
        }
    }
    write(1);
    EXPECT_EQ(bytes_of(path), versions[1]);
    std::vector<std::string> const left = beside(path);
    EXPECT_TRUE(left.empty()) << left.size() << " files beside it, the first " << left.front();
}
