// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/file_io.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>

namespace kvelmor {
namespace {

FileResult failure(int err) { return {false, std::strerror(err)}; }

// Writes every byte; returns 0 or the errno of the failed write.
int writeAll(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

// The file a path names once its symbolic links are followed, the last one
// possibly dangling (its target is then the file to create). A loop of links
// is left to open() to report.
std::filesystem::path linkTarget(const std::filesystem::path& path) {
    namespace fs = std::filesystem;
    fs::path p = path;
    std::error_code ec;
    for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
        fs::path next = fs::read_symlink(p, ec);
        if (ec) break;
        p = next.is_absolute() ? next : p.parent_path() / next;
    }
    return p;
}

// Why a file of this mode is not read; empty for a regular file.
std::string notRegularReason(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return std::strerror(EISDIR);
    if (S_ISFIFO(mode)) return "not a regular file but a pipe (FIFO)";
    if (S_ISSOCK(mode)) return "not a regular file but a socket";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "not a regular file but a device";
    return "not a regular file";
}

// Why the existing file at `path` (links followed) cannot be replaced by a
// written file; empty for a regular file, a character device and where
// nothing exists yet.
std::string unwritableReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISCHR(st.st_mode)) return {};
    return notRegularReason(st.st_mode);
}

std::string sizeText(size_t bytes) {
    return bytes % (1u << 20) == 0 ? std::to_string(bytes >> 20) + " MB" : std::to_string(bytes) + " bytes";
}

}  // namespace

bool isRegularFile(const std::string& path, std::string& why) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        why = std::strerror(errno);
        return false;
    }
    why = notRegularReason(st.st_mode);
    return why.empty();
}

FileResult readFileBytes(const std::string& path, std::string& bytes, size_t maxBytes) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; the type is
    // checked on the open descriptor, so a swap after the check cannot fool it.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return failure(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        return failure(err);
    }
    if (std::string why = notRegularReason(st.st_mode); !why.empty()) {
        ::close(fd);
        return {false, why};
    }
    auto tooLarge = [&] {
        ::close(fd);
        return FileResult{false, "the file is larger than " + sizeText(maxBytes) + ", too large for this kind of file"};
    };
    if (st.st_size > 0 && static_cast<uint64_t>(st.st_size) > maxBytes) return tooLarge();
    std::string out;
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            return failure(err);
        }
        if (n == 0) break;
        // A file that grows while it is read is held to the same limit.
        if (out.size() + static_cast<size_t>(n) > maxBytes) return tooLarge();
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    bytes = std::move(out);
    return {true, {}};
}

bool sameFile(const std::string& a, const std::string& b) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) {
        bool same = fs::equivalent(a, b, ec);
        if (!ec) return same;
    }
    fs::path ca = fs::weakly_canonical(fs::absolute(a, ec), ec);
    fs::path cb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return ca == cb;
}

uint64_t fnv1aHash(std::string_view bytes) {
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

namespace {

// ".kv" + 16 hex digits of the hash + "." ; the process id and ".tmp" follow.
// The name only needs to tell targets of one folder apart.
std::string temporaryPrefix(const std::filesystem::path& target) {
    char buf[32];
    std::snprintf(buf, sizeof buf, ".kv%016llx.", static_cast<unsigned long long>(fnv1aHash(target.filename().string())));
    return buf;
}

}  // namespace

void removeLeftoverTemporaries(const std::string& targetPath) {
    const std::filesystem::path target(targetPath);
    std::filesystem::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    const std::string prefix = temporaryPrefix(target);
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (const dirent* e = ::readdir(d)) {
        std::string_view name = e->d_name;
        if (name.substr(0, prefix.size()) != prefix || name.size() < prefix.size() + 5 ||
            name.substr(name.size() - 4) != ".tmp")
            continue;
        std::string_view digits = name.substr(prefix.size(), name.size() - prefix.size() - 4);
        if (digits.empty() || digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        pid_t pid = static_cast<pid_t>(std::stol(std::string(digits)));
        if (pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno == EPERM) continue;  // still running
        ::unlinkat(::dirfd(d), std::string(name).c_str(), 0);
    }
    ::closedir(d);
}

std::string temporaryPathFor(const std::string& target, pid_t pid) {
    std::filesystem::path t(target);
    std::filesystem::path dir = t.parent_path();
    if (dir.empty()) dir = ".";
    return (dir / (temporaryPrefix(t) + std::to_string(pid) + ".tmp")).string();
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait, const std::function<void()>& waiting) {
    m_fd = ::open(lockPathFor(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0) return;
    const auto deadline = std::chrono::steady_clock::now() + wait;
    bool told = false;
    while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        if (err == EINTR) continue;
        if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            m_timedOut = err == EWOULDBLOCK;
            ::close(m_fd);
            m_fd = -1;
            return;
        }
        if (!told && waiting) waiting();
        told = true;
        // A save holds the lock for a few milliseconds; a waiter polls a few times in each.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

FileLock::~FileLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing releases the lock
}

FileResult writeFileAtomically(const std::string& given, std::string_view bytes) {
    namespace fs = std::filesystem;
    // A write past the file size limit (ulimit -f) raises SIGXFSZ, which by
    // default ends the process on the spot: no message, and the temporary
    // file left behind. Ignored, the write fails with EFBIG ("File too
    // large"), which is reported naming the file, and the temporary file is
    // removed. Once for the process: every file it writes comes through here.
    static const bool fileSizeSignalIgnored = [] { return ::signal(SIGXFSZ, SIG_IGN) != SIG_ERR; }();
    (void)fileSizeSignalIgnored;
    std::error_code ec;
    // Through a symbolic link the file it points to is replaced; renaming
    // over the link itself would turn it into a file of its own. (Devices are
    // opened through their links below, as /dev/stdout must be.)
    const bool existsAsOther = fs::exists(given, ec) && !fs::is_regular_file(given, ec);
    const std::string path = existsAsOther ? given : linkTarget(given).string();
    if (std::string why = unwritableReason(path); !why.empty()) return {false, why};
    // A character device (/dev/stdout on a terminal, /dev/full) is written in
    // place: renaming over it would replace the device node. O_NONBLOCK: a
    // pipe put in its place since the check fails at once instead of waiting
    // for a reader, and the type is checked again on what was opened.
    if (fs::exists(path, ec) && !fs::is_regular_file(path, ec)) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) return failure(errno);
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            const int err = errno;
            ::close(fd);
            return failure(err);
        }
        if (!S_ISCHR(st.st_mode)) {
            ::close(fd);
            return {false, "the file was replaced by another kind of file while it was being written"};
        }
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        if (int err = writeAll(fd, bytes)) {
            ::close(fd);
            return failure(err);
        }
        if (::close(fd) != 0) return failure(errno);
        return {true, {}};
    }
    // A file marked read-only is not replaced, although the folder would let
    // the rename through. Root passes this test, as it writes any file.
    if (fs::exists(path, ec) && ::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) return failure(errno);
    removeLeftoverTemporaries(path);
    // The name holds this process's id, so a file of that name is a leftover
    // of a process that had the same id and is gone.
    std::string tmpl = temporaryPathFor(path, ::getpid());
    ::unlink(tmpl.c_str());
    int fd = ::open(tmpl.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return failure(errno);

    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        return failure(err);
    };
    // Keep the permissions of the file being replaced; new files get 0644 less umask.
    struct stat st {};
    mode_t mode = 0644;
    if (::stat(path.c_str(), &st) == 0) {
        mode = st.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    if (::fchmod(fd, mode) != 0) return fail(errno);

    if (int err = writeAll(fd, bytes)) return fail(err);
    if (::fsync(fd) != 0 && errno != EINVAL) return fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return failure(err);
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        int err = errno;
        ::unlink(tmpl.c_str());
        return failure(err);
    }
    return {true, {}};
}

}  // namespace kvelmor
