#include "tools/inspect/wholewrite.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

QString WriteWhole(int fd, std::int64_t size, std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            // A write that takes nothing without an error means the disk is full.
            QString error = QString::fromLocal8Bit(std::strerror(n < 0 ? errno : ENOSPC));
            if (done > 0 && ::ftruncate(fd, static_cast<off_t>(size)) != 0)
                error += QStringLiteral("; its last %1 bytes are a partial write").arg(done);
            return error;
        }
        done += static_cast<std::size_t>(n);
    }
    return {};
}
