// The run time's text files, used with I/O checking off: no routine raises; a failure leaves its
// error number for IOResult. The first failure stays until IOResult reads it; later operations still
// run (so CloseFile always releases the file).
//
//   TextFile f;
//   AssignFile(f, "trace.txt");
//   Rewrite(f);
//   Writeln(f, "Transmit: ");
//   CloseFile(f);
//   if (int e = IOResult(); e != 0) ...
//
// Error numbers: 2 file not found, 3 path not found, 4 too many open files, 5 access denied,
// 6 invalid handle, 8 out of memory, 100 read beyond end of file, 101 disk full, 102 file not
// assigned, 103 file not open, 104 not open for input, 105 not open for output, 150 write-protected,
// 152 drive not ready, 160 device write fault, 161 device read fault.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TextFile {
public:
    TextFile() = default;
    // An open file is flushed and closed.
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

private:
    enum class Mode { unassigned, closed, input, output };

    friend void AssignFile(TextFile& f, const std::string& fileName);
    friend void SetTextBuf(TextFile& f, int size);
    friend void Rewrite(TextFile& f);
    friend void Reset(TextFile& f);
    friend void Append(TextFile& f);
    friend void CloseFile(TextFile& f);
    friend void Flush(TextFile& f);
    friend void Write(TextFile& f, const std::string& s);
    friend void Writeln(TextFile& f, const std::string& s);
    friend void Readln(TextFile& f, std::string& s);
    friend void Readln(TextFile& f);
    friend bool Eof(TextFile& f);

    bool Open(int flags, Mode mode);
    int FlushBuffer();
    int Close();
    // The next input character, or -1 at the end of the data (a Ctrl-Z ends it, as on the original).
    int Peek();

    std::string name_;
    Mode mode_ = Mode::unassigned;
    int fd_ = -1;
    std::vector<char> buffer_ = std::vector<char>(128);
    std::size_t bufPos_ = 0;
    std::size_t bufEnd_ = 0;
};

void AssignFile(TextFile& f, const std::string& fileName);
// The size of the file's buffer, in bytes; set before the file is opened.
void SetTextBuf(TextFile& f, int size);
// Create or truncate, for output.
void Rewrite(TextFile& f);
// Open an existing file for input.
void Reset(TextFile& f);
// Open an existing file for output at its end.
void Append(TextFile& f);
void CloseFile(TextFile& f);
void Flush(TextFile& f);
void Write(TextFile& f, const std::string& s);
// s followed by CR LF.
void Writeln(TextFile& f, const std::string& s = std::string());
// The rest of the line, without its end (CR LF, LF or CR); at the end of the file s is "".
void Readln(TextFile& f, std::string& s);
void Readln(TextFile& f);
bool Eof(TextFile& f);

// The error number left by the last failing operation of this thread, cleared by the call.
int IOResult();

// The run time's error number for an errno value; writing picks the write-fault number for EIO.
int IOErrorFromErrno(int err, bool writing = false);

// The file's last-write time in the packed DOS form (local time; date in the high word, time in the
// low word with two-second resolution), or -1 when the file is missing, is a directory or has a
// date outside 1980-2107.
std::int32_t FileAge(const std::string& fileName);
// The same for an open POSIX file descriptor.
std::int32_t FileGetDate(int handle);
