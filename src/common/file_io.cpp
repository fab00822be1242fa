#include "common/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

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

}  // namespace

FileResult readFileBytes(const std::string& path, std::string& bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return {false, std::strerror(EISDIR)};
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failure(errno);
    std::string out;
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
        out.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    bytes = std::move(out);
    return {true, {}};
}

FileResult writeFileAtomically(const std::string& given, std::string_view bytes) {
    namespace fs = std::filesystem;
    std::error_code ec;
    // Through a symbolic link the file it points to is replaced; renaming
    // over the link itself would turn it into a file of its own. (Devices are
    // opened through their links below, as /dev/stdout must be.)
    const bool existsAsOther = fs::exists(given, ec) && !fs::is_regular_file(given, ec);
    const std::string path = existsAsOther ? given : linkTarget(given).string();
    if (fs::is_directory(path, ec)) return {false, std::strerror(EISDIR)};
    // A device or pipe (/dev/stdout, /dev/full) is written in place: renaming
    // over it would replace the device node.
    if (fs::exists(path, ec) && !fs::is_regular_file(path, ec)) {
        int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
        if (fd < 0) return failure(errno);
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
    fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty()) dir = ".";
    std::string tmpl = (dir / ("." + target.filename().string() + ".XXXXXX")).string();
    int fd = ::mkstemp(tmpl.data());
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
