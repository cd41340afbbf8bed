#pragma once
#include <cstddef>

// A log written as its text comes, kept within a size: the first part as it came (a program's start-up, where the
// reason for a failed start stands), a line that marks the gap, then the latest part. When the file would pass its
// limit, the latest `keep` bytes (from the first line start among them) move up behind the mark and the rest goes.
//
// Every step is a plain system call on the descriptor, without allocation or locks, so the child of a fork in a
// threaded program may use it. Writing stops at the first failure (a full disk): the log is then what it was.
class BoundedLog {
public:
    static constexpr long long DefaultLimit = 1024 * 1024;
    static constexpr long long DefaultHead = 64 * 1024;
    static constexpr long long DefaultKeep = 256 * 1024;
    static constexpr char Gap[] = "\n[... Velstrom: output left out here to keep this file small ...]\n";

    // `fd`: an empty file open for reading and writing, not owned. `limit` must leave room for the head, the gap
    // line and twice `keep`; smaller limits are raised to that.
    explicit BoundedLog(int fd, long long limit = DefaultLimit, long long head = DefaultHead,
                        long long keep = DefaultKeep);

    void append(const char* data, std::size_t size);
    long long size() const { return m_size; }

private:
    bool writeAt(long long offset, const char* data, std::size_t size);
    void cut();

    int m_fd;
    long long m_limit;
    long long m_head;
    long long m_keep;
    long long m_size = 0;
    long long m_tailStart = -1; // where the latest part begins, once the file has been cut
    char m_buffer[8192];
};
