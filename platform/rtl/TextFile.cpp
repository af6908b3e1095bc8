#include "platform/rtl/TextFile.h"

#include "platform/rtl/Strings.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local int inOutRes = 0;

void SetInOutRes(int error) {
    if (inOutRes == 0) inOutRes = error;
}

constexpr int eFileNotOpen = 103;
constexpr int eNotOpenForInput = 104;
constexpr int eNotOpenForOutput = 105;
constexpr int eFileNotAssigned = 102;
constexpr int eDiskFull = 101;

constexpr int ePathNotFound = 3;

constexpr char ctrlZ = 26;

// A missing file is "file not found" only when its directory is there, as on the original system.
bool ParentExists(const std::string& fileName) {
    const std::size_t slash = fileName.find_last_of('/');
    if (slash == std::string::npos) return true;
    struct stat st;
    const std::string parent = slash == 0 ? "/" : fileName.substr(0, slash);
    return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

struct ErrnoEntry {
    int err;
    int ioError;
};

const ErrnoEntry errnoTable[] = {
    {ENOENT, 2},   {ENOTDIR, 3}, {ENAMETOOLONG, 3}, {ELOOP, 3},    {EMFILE, 4},
    {ENFILE, 4},   {EACCES, 5},  {EPERM, 5},        {EISDIR, 5},   {ETXTBSY, 5},
    {EBUSY, 5},    {EBADF, 6},   {ENOMEM, 8},       {ENOSPC, 101}, {EFBIG, 101},
    {EDQUOT, 101}, {EROFS, 150}, {ENXIO, 152},      {ENODEV, 152}, {ENOMEDIUM, 152},
};

std::int32_t DosDateTime(std::time_t t) {
    std::tm tm{};
    if (::localtime_r(&t, &tm) == nullptr) return -1;
    const int year = tm.tm_year + 1900;
    if (year < 1980 || year > 2107) return -1;
    const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
    const auto time = static_cast<std::uint32_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    return static_cast<std::int32_t>((date << 16) | time);
}

} // namespace

int IOErrorFromErrno(int err, bool writing) {
    if (err == EIO) return writing ? 160 : 161;
    for (const ErrnoEntry& e : errnoTable)
        if (e.err == err) return e.ioError;
    // The run time's "invalid function" for anything without a closer number.
    return 1;
}

int IOResult() {
    const int r = inOutRes;
    inOutRes = 0;
    return r;
}

// --- TextFile ---------------------------------------------------------------------------------------

TextFile::~TextFile() {
    if (fd_ >= 0) Close();
}

bool TextFile::Open(int flags, Mode mode) {
    if (mode_ == Mode::unassigned) {
        SetInOutRes(eFileNotAssigned);
        return false;
    }
    if (mode_ != Mode::closed) Close();
    bufPos_ = bufEnd_ = 0;
    const std::string path = PosixFileName(name_);
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    if (fd_ < 0) {
        const int err = errno;
        SetInOutRes(err == ENOENT && !ParentExists(path)
                        ? ePathNotFound
                        : IOErrorFromErrno(err, (flags & O_ACCMODE) != O_RDONLY));
        return false;
    }
    struct stat st;
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        SetInOutRes(5);
        return false;
    }
    mode_ = mode;
    return true;
}

int TextFile::FlushBuffer() {
    std::size_t done = 0;
    int error = 0;
    while (done < bufPos_) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, bufPos_ - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = IOErrorFromErrno(errno, true);
            break;
        }
        if (n == 0) {
            error = eDiskFull;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    bufPos_ = 0;
    return error;
}

int TextFile::Close() {
    int error = 0;
    if (mode_ == Mode::output) error = FlushBuffer();
    if (::close(fd_) != 0 && error == 0) error = IOErrorFromErrno(errno, mode_ == Mode::output);
    fd_ = -1;
    mode_ = Mode::closed;
    bufPos_ = bufEnd_ = 0;
    return error;
}

int TextFile::Peek() {
    if (bufPos_ >= bufEnd_) {
        bufPos_ = bufEnd_ = 0;
        ssize_t n;
        do n = ::read(fd_, buffer_.data(), buffer_.size());
        while (n < 0 && errno == EINTR);
        if (n < 0) SetInOutRes(IOErrorFromErrno(errno, false));
        if (n <= 0) return -1;
        bufEnd_ = static_cast<std::size_t>(n);
    }
    const char c = buffer_[bufPos_];
    return c == ctrlZ ? -1 : static_cast<unsigned char>(c);
}

void AssignFile(TextFile& f, const std::string& fileName) {
    // Re-assigning an open file would lose its handle and its buffered output.
    if (f.fd_ >= 0) f.Close();
    f.name_ = fileName;
    f.mode_ = TextFile::Mode::closed;
}

void SetTextBuf(TextFile& f, int size) {
    if (f.fd_ >= 0 || size < 1) return;
    f.buffer_.assign(static_cast<std::size_t>(size), '\0');
}

void Rewrite(TextFile& f) {
    f.Open(O_WRONLY | O_CREAT | O_TRUNC, TextFile::Mode::output);
}

void Reset(TextFile& f) {
    f.Open(O_RDONLY, TextFile::Mode::input);
}

void Append(TextFile& f) {
    if (f.Open(O_WRONLY, TextFile::Mode::output) && ::lseek(f.fd_, 0, SEEK_END) < 0)
        SetInOutRes(IOErrorFromErrno(errno, true));
}

void CloseFile(TextFile& f) {
    if (f.fd_ < 0) {
        SetInOutRes(eFileNotOpen);
        return;
    }
    if (const int error = f.Close(); error != 0) SetInOutRes(error);
}

void Flush(TextFile& f) {
    if (f.mode_ != TextFile::Mode::output) {
        SetInOutRes(f.mode_ == TextFile::Mode::input ? eNotOpenForOutput : eFileNotOpen);
        return;
    }
    if (const int error = f.FlushBuffer(); error != 0) SetInOutRes(error);
}

void Write(TextFile& f, const std::string& s) {
    if (f.mode_ != TextFile::Mode::output) {
        SetInOutRes(f.mode_ == TextFile::Mode::input ? eNotOpenForOutput : eFileNotOpen);
        return;
    }
    for (char c : s) {
        if (f.bufPos_ == f.buffer_.size()) {
            if (const int error = f.FlushBuffer(); error != 0) {
                SetInOutRes(error);
                return;
            }
        }
        f.buffer_[f.bufPos_++] = c;
    }
}

void Writeln(TextFile& f, const std::string& s) {
    Write(f, s + "\r\n");
}

void Readln(TextFile& f, std::string& s) {
    s.clear();
    if (f.mode_ != TextFile::Mode::input) {
        SetInOutRes(f.mode_ == TextFile::Mode::output ? eNotOpenForInput : eFileNotOpen);
        return;
    }
    int c;
    while ((c = f.Peek()) >= 0 && c != '\r' && c != '\n') {
        s += static_cast<char>(c);
        ++f.bufPos_;
    }
    if (c == '\r') {
        ++f.bufPos_;
        c = f.Peek();
    }
    if (c == '\n') ++f.bufPos_;
}

void Readln(TextFile& f) {
    std::string ignored;
    Readln(f, ignored);
}

bool Eof(TextFile& f) {
    if (f.mode_ != TextFile::Mode::input) {
        SetInOutRes(f.mode_ == TextFile::Mode::output ? eNotOpenForInput : eFileNotOpen);
        return true;
    }
    return f.Peek() < 0;
}

// --- File dates -------------------------------------------------------------------------------------

std::int32_t FileAge(const std::string& fileName) {
    struct stat st;
    if (::stat(PosixFileName(fileName).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
    return DosDateTime(st.st_mtime);
}

std::int32_t FileGetDate(int handle) {
    struct stat st;
    if (::fstat(handle, &st) != 0) return -1;
    return DosDateTime(st.st_mtime);
}
