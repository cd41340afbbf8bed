#include "support/BoundedLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {

constexpr long long GapSize = sizeof BoundedLog::Gap - 1;

} // namespace

BoundedLog::BoundedLog(int fd, long long limit, long long head, long long keep)
    : m_fd(fd), m_limit(std::max(limit, head + GapSize + 2 * keep)), m_head(head), m_keep(keep)
{
}

bool BoundedLog::writeAt(long long offset, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::pwrite(m_fd, data, size, off_t(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_fd = -1;
            return false;
        }
        data += n;
        size -= std::size_t(n);
        offset += n;
    }
    return true;
}

void BoundedLog::append(const char* data, std::size_t size)
{
    while (size > 0 && m_fd >= 0) {
        const std::size_t room = std::size_t(m_limit - m_size);
        const std::size_t now = std::min(size, room);
        if (now > 0 && !writeAt(m_size, data, now))
            return;
        m_size += now;
        data += now;
        size -= now;
        if (size > 0)
            cut();
    }
}

void BoundedLog::cut()
{
    if (m_tailStart < 0) {
        m_tailStart = m_head + GapSize;
        if (!writeAt(m_head, Gap, std::size_t(GapSize)))
            return;
    }
    // The kept part starts on a line of its own when there is a line end in its first block.
    long long from = m_size - m_keep;
    const ssize_t first = ::pread(m_fd, m_buffer, sizeof m_buffer, off_t(from));
    if (first > 0) {
        if (const void* end = std::memchr(m_buffer, '\n', std::size_t(first)))
            from += static_cast<const char*>(end) - m_buffer + 1;
    }
    // The kept part lies behind its new place, so a copy from the front never overwrites what is still to be read.
    long long to = m_tailStart;
    while (from < m_size) {
        const ssize_t n =
            ::pread(m_fd, m_buffer, std::size_t(std::min<long long>(sizeof m_buffer, m_size - from)), off_t(from));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || !writeAt(to, m_buffer, std::size_t(n))) {
            m_fd = -1;
            return;
        }
        from += n;
        to += n;
    }
    while (::ftruncate(m_fd, off_t(to)) != 0) {
        if (errno != EINTR) {
            m_fd = -1;
            return;
        }
    }
    m_size = to;
}
