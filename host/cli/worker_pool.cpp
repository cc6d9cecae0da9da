#include "host/cli/worker_pool.h"

#include "base/xception.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <deque>
#include <exception>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

char const* const UNIT = "host/cli/worker_pool";

// Messages from a worker: monitor steps, or the result of a frame.
enum : char { STEPS = 'S', RESULT = 'R' };

bool write_all(int fd, void const* data, size_t size) {
    char const* p = static_cast<char const*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

// False at the end of the data or on an error.
bool read_all(int fd, void* data, size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
        ssize_t n = ::read(fd, p, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

void send_steps(int fd, unsigned done, unsigned total) {
    char const type = STEPS;
    uint32_t const values[2] = {done, total};
    write_all(fd, &type, 1) && write_all(fd, values, sizeof values);
}

void send_result(int fd, FrameResult const& result) {
    char const type = RESULT;
    int32_t const head[2] = {result.frame, int32_t(result.status)};
    uint32_t const length = uint32_t(result.detail.size());
    write_all(fd, &type, 1) && write_all(fd, head, sizeof head) &&
        write_all(fd, &result.seconds, sizeof result.seconds) &&
        write_all(fd, &length, sizeof length) &&
        write_all(fd, result.detail.data(), result.detail.size());
}

bool receive_result(int fd, FrameResult& result) {
    int32_t head[2];
    uint32_t length = 0;
    if (!read_all(fd, head, sizeof head) || !read_all(fd, &result.seconds, sizeof result.seconds) ||
        !read_all(fd, &length, sizeof length)) {
        return false;
    }
    result.frame = head[0];
    result.status = FrameResult::Status(head[1]);
    result.detail.assign(length, '\0');
    return read_all(fd, result.detail.data(), length);
}

// The worker's side: frames arrive as ints until the parent closes its end.
[[noreturn]] void worker_main(int fd, std::function<FrameTask()> const& make_task) {
    FrameTask task;
    std::string cannot_start;
    try {
        task = make_task();
    } catch (Xception const& e) {
        cannot_start = e.what();
    } catch (std::exception const& e) {
        cannot_start = e.what();
    }
    int32_t frame;
    while (read_all(fd, &frame, sizeof frame)) {
        FrameResult result;
        if (task) {
            result =
                task(frame, [fd](unsigned done, unsigned total) { send_steps(fd, done, total); });
        } else {
            result.frame = frame;
            result.detail = cannot_start;
        }
        send_result(fd, result);
    }
    ::close(fd);
    _exit(0);
}

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    bool busy = false;
    int frame = 0;
};

Worker start_worker(std::function<FrameTask()> const& make_task) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        throw LOCATED_XCEPTION("cannot start a worker: socketpair: %s", strerror(errno));
    }
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw LOCATED_XCEPTION("cannot start a worker: fork: %s", strerror(errno));
    }
    if (pid == 0) {
        ::close(fds[0]);
        worker_main(fds[1], make_task);
    }
    ::close(fds[1]);
    return Worker{pid, fds[0]};
}

// Why a worker ended before it sent the result of the frame it held.
std::string worker_death(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) {
        return "the worker process was killed by signal " + std::to_string(WTERMSIG(status));
    }
    return "the worker process ended with status " + std::to_string(WEXITSTATUS(status));
}

class Pool {
public:
    Pool(std::vector<int> const& frames, std::function<void(unsigned, unsigned)> const& on_steps,
         std::function<void(FrameResult const&)> const& on_result,
         std::function<bool()> const& stop)
        : queue_(frames.begin(), frames.end()), on_steps_(on_steps), on_result_(on_result),
          stop_(stop) {}

    void run(std::vector<Worker>& workers) {
        for (Worker& w : workers) {
            hand_out(w);
        }
        while (any_open(workers)) {
            wait_for_messages(workers);
        }
    }

private:
    void hand_out(Worker& w) {
        if (queue_.empty() || halted_ || stop_()) {
            close_worker(w);
            return;
        }
        int32_t const frame = queue_.front();
        queue_.pop_front();
        if (!write_all(w.fd, &frame, sizeof frame)) {
            on_result_(FrameResult{frame, FrameResult::FAILED, worker_death(w.pid)});
            w.pid = -1;
            close_worker(w);
            return;
        }
        w.busy = true;
        w.frame = frame;
    }

    static bool any_open(std::vector<Worker> const& workers) {
        for (Worker const& w : workers) {
            if (w.fd >= 0) {
                return true;
            }
        }
        return false;
    }

    void wait_for_messages(std::vector<Worker>& workers) {
        std::vector<pollfd> fds;
        for (Worker const& w : workers) {
            fds.push_back(pollfd{w.fd, POLLIN, 0});
        }
        if (poll(fds.data(), fds.size(), -1) < 0) {
            return; // interrupted: look at stop() on the next hand-out
        }
        for (size_t i = 0; i < workers.size(); i++) {
            if (workers[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR))) {
                read_message(workers[i]);
            }
        }
    }

    void read_message(Worker& w) {
        char type = 0;
        if (!read_all(w.fd, &type, 1)) {
            lost(w);
            return;
        }
        if (type == STEPS) {
            uint32_t values[2];
            if (!read_all(w.fd, values, sizeof values)) {
                lost(w);
            } else {
                on_steps_(values[0], values[1]);
            }
            return;
        }
        FrameResult result;
        if (type != RESULT || !receive_result(w.fd, result)) {
            lost(w);
            return;
        }
        w.busy = false;
        halted_ = halted_ || result.status == FrameResult::ABORTED;
        on_result_(result);
        hand_out(w);
    }

    void lost(Worker& w) {
        if (w.busy) {
            on_result_(FrameResult{w.frame, FrameResult::FAILED, worker_death(w.pid)});
            w.pid = -1;
            w.busy = false;
        }
        close_worker(w);
    }

    // Closing our end tells an idle worker to exit.
    static void close_worker(Worker& w) {
        if (w.fd >= 0) {
            ::close(w.fd);
            w.fd = -1;
        }
    }

    std::deque<int> queue_;
    std::function<void(unsigned, unsigned)> const& on_steps_;
    std::function<void(FrameResult const&)> const& on_result_;
    std::function<bool()> const& stop_;
    bool halted_ = false;
};

} // namespace

void run_workers(std::vector<int> const& frames, int jobs,
                 std::function<FrameTask()> const& make_task,
                 std::function<void(unsigned done, unsigned total)> const& on_steps,
                 std::function<void(FrameResult const&)> const& on_result,
                 std::function<bool()> const& stop) {
    std::vector<Worker> workers;
    for (int i = 0; i < jobs && size_t(i) < frames.size(); i++) {
        try {
            workers.push_back(start_worker(make_task));
        } catch (...) {
            if (workers.empty()) {
                throw;
            }
            break; // render with the workers that did start
        }
    }
    Pool(frames, on_steps, on_result, stop).run(workers);
    for (Worker const& w : workers) {
        if (w.pid > 0) {
            int status;
            while (waitpid(w.pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
}
