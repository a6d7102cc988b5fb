// A full disk without root or a file system of its own: while a limit lives, a write that would
// make a file of this process larger fails with EFBIG (SIGXFSZ, which would end it, ignored).
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace ie::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : handler_(std::signal(SIGXFSZ, SIG_IGN)) {
        if (getrlimit(RLIMIT_FSIZE, &saved_) == 0) {
            rlimit small = saved_;
            small.rlim_cur = bytes;
            ok_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
        }
    }
    ~FileSizeLimit() {
        if (ok_)
            setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, handler_);
    }
    bool ok() const { return ok_; }

private:
    rlimit saved_{};
    void (*handler_)(int);
    bool ok_ = false;
};

}  // namespace ie::test
