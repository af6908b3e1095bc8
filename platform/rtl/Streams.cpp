#include "platform/rtl/Streams.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

// --- TStream ----------------------------------------------------------------------------------------

std::int64_t TStream::Size() {
    const std::int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

// Streams that cannot change their size keep it.
void TStream::SetSize(std::int64_t) {}

void TStream::ReadBuffer(void* buffer, std::int32_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, std::int32_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError();
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    constexpr std::int64_t maxBufSize = 0xF000;
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    if (count <= 0) return 0;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min(count, maxBufSize)));
    for (std::int64_t left = count; left > 0;) {
        const auto n =
            static_cast<std::int32_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size())));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        left -= n;
    }
    return count;
}

// --- TMemoryStream ----------------------------------------------------------------------------------

std::int32_t TMemoryStream::Read(void* buffer, std::int32_t count) {
    const std::int64_t size = Size();
    if (pos_ < 0 || count <= 0 || pos_ >= size) return 0;
    const auto n = static_cast<std::int32_t>(std::min<std::int64_t>(count, size - pos_));
    std::memcpy(buffer, data_.data() + pos_, static_cast<std::size_t>(n));
    pos_ += n;
    return n;
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count) {
    if (pos_ < 0 || count <= 0) return 0;
    const std::int64_t end = pos_ + count;
    // Writing past the end fills the gap with zeros.
    if (end > Size()) data_.resize(static_cast<std::size_t>(end), 0);
    std::memcpy(data_.data() + pos_, buffer, static_cast<std::size_t>(count));
    pos_ = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    switch (origin) {
    case TSeekOrigin::soBeginning:
        pos_ = offset;
        break;
    case TSeekOrigin::soCurrent:
        pos_ += offset;
        break;
    case TSeekOrigin::soEnd:
        pos_ = Size() + offset;
        break;
    }
    return pos_;
}

void TMemoryStream::SetSize(std::int64_t size) {
    size = std::max<std::int64_t>(size, 0);
    data_.resize(static_cast<std::size_t>(size), 0);
    if (pos_ > size) pos_ = size;
}

void TMemoryStream::Clear() {
    data_.clear();
    data_.shrink_to_fit();
    pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    const std::string bytes = ReadToEnd(stream);
    data_.assign(bytes.begin(), bytes.end());
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    TFileStream stream(fileName, fmCreate);
    stream.WriteBuffer(data_.data(), static_cast<std::int32_t>(data_.size()));
}

// --- TFileStream ------------------------------------------------------------------------------------

namespace {

// The descriptor of a regular file, or -1. Opened without blocking (a pipe with no writer would
// hold the open), then checked, then made blocking again.
int OpenRegularFile(const std::string& fileName, int flags) {
    const int fd = ::open(fileName.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return -1;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

TFileStream::TFileStream(const std::string& fileName, unsigned mode) : fileName_(fileName) {
    if ((mode & fmCreate) == fmCreate) {
        fd_ = OpenRegularFile(PosixFileName(fileName), O_RDWR | O_CREAT | O_TRUNC);
        if (fd_ < 0) throw EFCreateError("Cannot create file \"" + fileName + "\"");
        return;
    }
    int flags;
    switch (mode & 3) {
    case fmOpenWrite:
        flags = O_WRONLY;
        break;
    case fmOpenReadWrite:
        flags = O_RDWR;
        break;
    default:
        flags = O_RDONLY;
        break;
    }
    fd_ = OpenRegularFile(PosixFileName(fileName), flags);
    if (fd_ < 0) throw EFOpenError("Cannot open file \"" + fileName + "\"");
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) ::close(fd_);
}

std::int32_t TFileStream::Read(void* buffer, std::int32_t count) {
    if (count <= 0) return 0;
    auto* p = static_cast<char*>(buffer);
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::read(fd_, p + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count) {
    if (count <= 0) return 0;
    const auto* p = static_cast<const char*>(buffer);
    std::int32_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, p + done, static_cast<std::size_t>(count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::int32_t>(n);
    }
    return done;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    int whence = SEEK_SET;
    if (origin == TSeekOrigin::soCurrent) whence = SEEK_CUR;
    if (origin == TSeekOrigin::soEnd) whence = SEEK_END;
    return ::lseek(fd_, static_cast<off_t>(offset), whence);
}

void TFileStream::SetSize(std::int64_t size) {
    Seek(size, TSeekOrigin::soBeginning);
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) throw EWriteError();
}

// --- Whole files ------------------------------------------------------------------------------------

std::string ReadToEnd(TStream& stream) {
    constexpr std::int32_t chunk = 0x10000;
    std::string bytes;
    for (;;) {
        const std::size_t had = bytes.size();
        bytes.resize(had + chunk);
        const std::int32_t n = stream.Read(bytes.data() + had, chunk);
        bytes.resize(had + static_cast<std::size_t>(std::max(n, 0)));
        if (n <= 0) return bytes;
    }
}

namespace {

bool WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void SaveFileReplacing(const std::string& fileName, const std::string& bytes) {
    std::string target = PosixFileName(fileName);
    struct stat st;
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::error_code error;
        const std::filesystem::path resolved = std::filesystem::canonical(target, error);
        if (!error) target = resolved.string();
    }
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        // A file the user may not write stays as it is, though its folder would let it be replaced.
        const int probe = OpenRegularFile(target, O_WRONLY);
        if (probe < 0) throw EFCreateError("Cannot create file \"" + fileName + "\"");
        ::close(probe);
    }

    static unsigned counter = 0;
    const std::string temporary =
        target + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        if (!exists || (errno != EACCES && errno != EPERM))
            throw EFCreateError("Cannot create file \"" + fileName + "\"");
        TFileStream stream(target, fmCreate);
        stream.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
        return;
    }
    // The new file keeps the old one's permissions.
    bool written =
        (!exists || ::fchmod(fd, st.st_mode & 07777) == 0) && WriteAll(fd, bytes) && ::fsync(fd) == 0;
    written = ::close(fd) == 0 && written;
    if (!written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        throw EWriteError();
    }
}
