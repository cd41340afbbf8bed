#include "RegularFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velstrom::game {

namespace {

// Opens without waiting for a writer or reader and keeps the descriptor only for a regular file.
int openRegular(const std::string& path, int flags, int& fd)
{
    fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    struct stat st {};
    const int err = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
    if (err != 0) {
        ::close(fd);
        fd = -1;
    }
    return err;
}

} // namespace

int readRegularFile(const std::string& path, std::size_t limit, std::string& data)
{
    data.clear();
    int fd = -1;
    if (const int err = openRegular(path, O_RDONLY, fd))
        return err;
    char buffer[16384];
    while (data.size() < limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0)
            break;
        data.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (data.size() > limit)
        data.resize(limit);
    return 0;
}

int appendToRegularFile(const std::string& path, const std::string& data)
{
    int fd = -1;
    if (const int err = openRegular(path, O_WRONLY | O_APPEND | O_CREAT, fd))
        return err;
    const char* p = data.data();
    std::size_t left = data.size();
    int err = 0;
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            break;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0 && err == 0)
        err = errno;
    return err;
}

} // namespace velstrom::game
