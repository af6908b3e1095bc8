#pragma once
// File failures a test can cause for real: mode bits that bind even a test run as root, and a
// limit on the size of files written, so a write fails part-way as on a full disk.

#include <csignal>
#include <cstdint>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

// For its lifetime, the calling thread loses root's override of file permissions (other threads
// keep theirs): a file without write permission cannot be written, a folder without it gets no new
// file. Nothing changes for a test that does not run as root.
class TPermissionsBind {
public:
    TPermissionsBind() {
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct dropped[2] = {saved_[0], saved_[1]};
        dropped[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        active_ = ::syscall(SYS_capset, &header_, dropped) == 0;
    }
    ~TPermissionsBind() {
        if (active_) ::syscall(SYS_capset, &header_, saved_);
    }
    TPermissionsBind(const TPermissionsBind&) = delete;
    TPermissionsBind& operator=(const TPermissionsBind&) = delete;

private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

// For its lifetime, the process writes no file beyond bytes: a write past it fails (with EFBIG; the
// signal that would end the process is ignored meanwhile).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(std::uint64_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
};
