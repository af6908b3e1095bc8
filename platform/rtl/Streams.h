// Byte streams: the abstract TStream, memory and file streams.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream {
public:
    virtual ~TStream() = default;
    // Reads up to count bytes; returns the number read (0 at the end).
    virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
    // Writes up to count bytes; returns the number written.
    virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t pos) { Seek(pos, TSeekOrigin::soBeginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t size);

    // Exactly count bytes or EReadError / EWriteError.
    void ReadBuffer(void* buffer, std::int32_t count);
    void WriteBuffer(const void* buffer, std::int32_t count);
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string bytes) : data_(bytes.begin(), bytes.end()) {}
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(data_.size()); }
    void SetSize(std::int64_t size) override;
    void Clear();
    const std::uint8_t* Memory() const { return data_.data(); }
    std::string DataString() const { return std::string(data_.begin(), data_.end()); }
    void LoadFromFile(const std::string& fileName);
    void SaveToFile(const std::string& fileName);

private:
    std::vector<std::uint8_t> data_;
    std::int64_t pos_ = 0;
};

// File open modes, as the run time numbers them.
inline constexpr unsigned fmOpenRead = 0x0000;
inline constexpr unsigned fmOpenWrite = 0x0001;
inline constexpr unsigned fmOpenReadWrite = 0x0002;
// Share modes are accepted and ignored: POSIX files have none.
inline constexpr unsigned fmShareExclusive = 0x0010;
inline constexpr unsigned fmShareDenyWrite = 0x0020;
inline constexpr unsigned fmShareDenyNone = 0x0040;
inline constexpr unsigned fmCreate = 0xFFFF;

// Raises EFOpenError ("Cannot open file \"name\"") / EFCreateError when the file cannot be opened,
// and for anything that is not a regular file (a directory, a device, a pipe).
class TFileStream : public TStream {
public:
    TFileStream(const std::string& fileName, unsigned mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;
    std::int32_t Read(void* buffer, std::int32_t count) override;
    std::int32_t Write(const void* buffer, std::int32_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    void SetSize(std::int64_t size) override;
    const std::string& FileName() const { return fileName_; }
    // The POSIX file descriptor (for FileGetDate and the like).
    int Handle() const { return fd_; }

private:
    std::string fileName_;
    int fd_ = -1;
};

// The rest of the stream, read until a read returns nothing. The size a stream reports is not taken
// on trust: the bytes grow as they arrive.
std::string ReadToEnd(TStream& stream);

// Writes bytes to a new file beside fileName and renames it over fileName, so that a save that fails
// leaves the old file as it was (a link is followed: its target is replaced). Where no new file can
// be made beside it (a folder the user may not write), an existing file is rewritten in place.
// Raises EFCreateError ("Cannot create file \"name\"") or EWriteError.
void SaveFileReplacing(const std::string& fileName, const std::string& bytes);
