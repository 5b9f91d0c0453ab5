#include "runtime/textfile.h"

#include "runtime/ioerror.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

thread_local int pendingIoCode = 0;

void Fail(int code)
{
    pendingIoCode = code;
}

// The system's error numbers turned into the Windows codes the rest of the program reports.
struct ErrnoCode {
    int error;
    int code;
};

constexpr ErrnoCode ErrnoCodes[] = {
    {ENOENT, 2},         // ERROR_FILE_NOT_FOUND (3 when a directory on the path is missing)
    {ENOTDIR, 3},        // ERROR_PATH_NOT_FOUND: a file stands where a directory should
    {ELOOP, 3},          // the path cannot be resolved
    {EMFILE, 4},         // ERROR_TOO_MANY_OPEN_FILES
    {ENFILE, 4},         //
    {EACCES, 5},         // ERROR_ACCESS_DENIED
    {EPERM, 5},          //
    {EISDIR, 5},         //
    {EROFS, 5},          //
    {ETXTBSY, 5},        //
    {EBADF, 6},          // ERROR_INVALID_HANDLE
    {ENOMEM, 8},         // ERROR_NOT_ENOUGH_MEMORY
    {ENXIO, 21},         // ERROR_NOT_READY: the device is gone
    {ENODEV, 21},        //
    {EBUSY, 32},         // ERROR_SHARING_VIOLATION
    {EEXIST, 80},        // ERROR_FILE_EXISTS
    {EINVAL, 87},        // ERROR_INVALID_PARAMETER
    {ENOSPC, 112},       // ERROR_DISK_FULL
    {EDQUOT, 112},       //
    {ENAMETOOLONG, 206}, // ERROR_FILENAME_EXCED_RANGE
    {EFBIG, 223},        // ERROR_FILE_TOO_LARGE
    {EIO, 1117},         // ERROR_IO_DEVICE
};

constexpr int GeneralFailure = 31; // ERROR_GEN_FAILURE, for everything not listed
constexpr int SharingViolation = 32;
constexpr int AccessDenied = 5;
constexpr int PathNotFound = 3;
constexpr int DiskFull = 112;

// Windows tells a missing directory on the path (3) from a missing file (2); ENOENT covers both.
int OpenFailureCode(int error, const std::string &name)
{
    if (error == ENOENT) {
        const std::size_t slash = name.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            struct stat status {};
            if (::stat(name.substr(0, slash).c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) {
                return PathNotFound;
            }
        }
    }
    return IoCodeFromErrno(error);
}

// Opens the file and takes the lock that emulates the sharing rule "others may only read":
// readers share, a writer excludes everyone else. Returns -1 with the code stored on failure.
int OpenHandle(const std::string &name, int flags, short lockType)
{
    int handle = -1;
    do {
        handle = ::open(name.c_str(), flags | O_CLOEXEC, 0666);
    } while (handle < 0 && errno == EINTR);
    if (handle < 0) {
        Fail(OpenFailureCode(errno, name));
        return -1;
    }
    // Linux opens a directory for reading without complaint; Windows refuses it.
    struct stat status {};
    if (::fstat(handle, &status) == 0 && S_ISDIR(status.st_mode)) {
        ::close(handle);
        Fail(AccessDenied);
        return -1;
    }
    struct flock lock {};
    lock.l_type = lockType;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;
    if (::fcntl(handle, F_OFD_SETLK, &lock) != 0 && (errno == EAGAIN || errno == EACCES)) {
        ::close(handle);
        Fail(SharingViolation);
        return -1;
    }
    return handle;
}

bool IsRegularFile(int handle, off_t *size)
{
    struct stat status {};
    if (::fstat(handle, &status) != 0 || !S_ISREG(status.st_mode)) {
        return false;
    }
    *size = status.st_size;
    return true;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// "$" and at most 8 significant hexadecimal digits, taken as a 32-bit pattern.
std::optional<std::int32_t> ParseHexadecimal(std::string_view digits)
{
    if (digits.empty()) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    int significant = 0;
    for (const char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        if ((significant > 0 || digit != 0) && ++significant > 8) {
            return std::nullopt;
        }
        value = value << 4 | static_cast<std::uint32_t>(digit);
    }
    return static_cast<std::int32_t>(value);
}

// An optional sign and decimal digits whose value fits a signed 32-bit integer.
std::optional<std::int32_t> ParseDecimal(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    constexpr std::int64_t limit = std::int64_t{1} << 31;
    std::int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    if (!negative && magnitude == limit) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<std::int32_t> ParseInteger(std::string_view token)
{
    if (!token.empty() && token.front() == '$') {
        return ParseHexadecimal(token.substr(1));
    }
    return ParseDecimal(token);
}

} // namespace

int IoCodeFromErrno(int error)
{
    for (const ErrnoCode &entry : ErrnoCodes) {
        if (entry.error == error) {
            return entry.code;
        }
    }
    return GeneralFailure;
}

TextFile::TextFile(std::string name) : m_name(std::move(name))
{
    if (m_name.size() > MaxNameLength) {
        m_name.resize(MaxNameLength);
    }
}

TextFile::~TextFile()
{
    ReleaseHandle();
}

void TextFile::ReleaseHandle()
{
    if (m_handle >= 0) {
        ::close(m_handle);
    }
    m_handle = -1;
    m_mode = Mode::Closed;
    m_fromBytes = false;
    m_bytes.clear();
}

void TextFile::Open(Mode mode, int handle)
{
    m_handle = handle;
    m_mode = mode;
    m_position = 0;
    m_end = 0;
    m_lineNumber = 1;
}

void TextFile::CloseBeforeOpening()
{
    if (m_mode != Mode::Closed) {
        CloseFile();
        ReleaseHandle();
    }
}

void TextFile::OpenForReading()
{
    CloseBeforeOpening();
    const int handle = OpenHandle(m_name, O_RDONLY, F_RDLCK);
    if (handle >= 0) {
        Open(Mode::Reading, handle);
    }
}

void TextFile::OpenBytesForReading(std::string bytes)
{
    CloseBeforeOpening();
    Open(Mode::Reading, -1);
    m_bytes = std::move(bytes);
    m_bytesTaken = 0;
    m_fromBytes = true;
}

void TextFile::OpenForRewriting()
{
    CloseBeforeOpening();
    // Not O_TRUNC: a file that someone else holds must survive the refused open.
    const int handle = OpenHandle(m_name, O_WRONLY | O_CREAT, F_WRLCK);
    if (handle < 0) {
        return;
    }
    off_t size = 0;
    if (IsRegularFile(handle, &size) && ::ftruncate(handle, 0) != 0) {
        Fail(IoCodeFromErrno(errno));
        ::close(handle);
        return;
    }
    Open(Mode::Writing, handle);
}

void TextFile::OpenForAppending()
{
    CloseBeforeOpening();
    if (m_name.empty()) {
        Fail(105);
        return;
    }
    const int handle = OpenHandle(m_name, O_RDWR, F_WRLCK);
    if (handle < 0) {
        return;
    }
    // A Ctrl+Z among the last 128 bytes ends the text: it and all after it are cut away.
    off_t size = 0;
    if (IsRegularFile(handle, &size) && size > 0) {
        const off_t tailStart = std::max<off_t>(0, size - static_cast<off_t>(BufferSize));
        std::array<char, BufferSize> tail{};
        ssize_t count = -1;
        do {
            count = ::pread(handle, tail.data(), tail.size(), tailStart);
        } while (count < 0 && errno == EINTR);
        if (count < 0) {
            Fail(IoCodeFromErrno(errno));
            ::close(handle);
            return;
        }
        const auto mark = std::find(tail.begin(), tail.begin() + count, EndOfText);
        if (mark != tail.begin() + count &&
            ::ftruncate(handle, tailStart + (mark - tail.begin())) != 0) {
            Fail(IoCodeFromErrno(errno));
            ::close(handle);
            return;
        }
    }
    if (::lseek(handle, 0, SEEK_END) < 0) {
        Fail(IoCodeFromErrno(errno));
        ::close(handle);
        return;
    }
    Open(Mode::Writing, handle);
}

void TextFile::CloseFile()
{
    if (m_mode == Mode::Closed) {
        Fail(103);
        return;
    }
    if (m_mode == Mode::Writing && !WriteOut()) {
        return;
    }
    if (m_fromBytes) {
        ReleaseHandle();
        return;
    }
    const int result = ::close(m_handle);
    const int error = errno;
    m_handle = -1;
    m_mode = Mode::Closed;
    if (result != 0 && error != EINTR) {
        Fail(IoCodeFromErrno(error));
    }
}

int TextFile::PeekChar()
{
    if (m_mode != Mode::Reading) {
        Fail(104);
        return EndOfText;
    }
    if (m_position >= m_end) {
        ssize_t count = -1;
        if (m_fromBytes) {
            count =
                static_cast<ssize_t>(m_bytes.copy(m_buffer.data(), m_buffer.size(), m_bytesTaken));
            m_bytesTaken += static_cast<std::size_t>(count);
        } else {
            do {
                count = ::read(m_handle, m_buffer.data(), m_buffer.size());
            } while (count < 0 && errno == EINTR);
        }
        m_position = 0;
        if (count > 0) {
            m_end = static_cast<std::size_t>(count);
        } else {
            if (count < 0) {
                Fail(IoCodeFromErrno(errno));
            }
            // The mark stays in the buffer and is never consumed, so the file is not read again.
            m_buffer[0] = EndOfText;
            m_end = 1;
        }
    }
    return static_cast<unsigned char>(m_buffer[m_position]);
}

void TextFile::Consume()
{
    if (m_buffer[m_position] == '\r') {
        ++m_lineNumber;
    }
    ++m_position;
}

bool TextFile::AtEndOfText()
{
    return m_mode != Mode::Reading || PeekChar() == EndOfText;
}

std::string TextFile::ReadText()
{
    std::string text;
    for (int c = PeekChar(); c != '\r' && c != EndOfText; c = PeekChar()) {
        text.push_back(static_cast<char>(c));
        Consume();
    }
    return text;
}

std::size_t TextFile::ReadTextInto(char *buffer, std::size_t capacity)
{
    std::size_t count = 0;
    while (count < capacity) {
        const int c = PeekChar();
        if (c == '\r' || c == EndOfText) {
            break;
        }
        buffer[count++] = static_cast<char>(c);
        Consume();
    }
    buffer[count] = '\0';
    return count;
}

void TextFile::SkipLine()
{
    for (int c = PeekChar(); c != EndOfText; c = PeekChar()) {
        Consume();
        if (c == '\r') {
            if (PeekChar() == '\n') {
                Consume();
            }
            return;
        }
    }
}

std::int32_t TextFile::ReadNumber()
{
    int c = PeekChar();
    while (c <= ' ') {
        if (c == EndOfText) {
            return 0;
        }
        Consume();
        c = PeekChar();
    }
    std::string token;
    while (token.size() < 32 && c > ' ') {
        token.push_back(static_cast<char>(c));
        Consume();
        c = PeekChar();
    }
    const std::optional<std::int32_t> value = ParseInteger(token);
    if (!value) {
        Fail(106);
        return 0;
    }
    return *value;
}

void TextFile::WriteText(std::string_view text)
{
    Put(text);
}

void TextFile::WriteNumber(std::int32_t value)
{
    char digits[12];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
    Put(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

void TextFile::EndLine()
{
    Put("\r\n");
}

void TextFile::Put(std::string_view bytes)
{
    if (m_mode != Mode::Writing) {
        Fail(105);
        return;
    }
    while (!bytes.empty()) {
        const std::size_t part = std::min(BufferSize - m_position, bytes.size());
        std::memcpy(m_buffer.data() + m_position, bytes.data(), part);
        m_position += part;
        bytes.remove_prefix(part);
        if (m_position == BufferSize) {
            WriteOut();
        }
    }
}

// Writes the buffer to the file and empties it, also when the write fails: what could not be
// written is lost, as on the original platform.
bool TextFile::WriteOut()
{
    std::size_t done = 0;
    bool written = true;
    while (done < m_position) {
        const ssize_t count = ::write(m_handle, m_buffer.data() + done, m_position - done);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            Fail(count < 0 ? IoCodeFromErrno(errno) : DiskFull);
            written = false;
            break;
        }
        done += static_cast<std::size_t>(count);
    }
    m_position = 0;
    return written;
}

std::string ReadFileBytes(const std::string &name, std::size_t limit)
{
    const int handle = OpenHandle(name.substr(0, TextFile::MaxNameLength), O_RDONLY, F_RDLCK);
    CheckIo();
    std::string bytes;
    std::array<char, TextFile::ReadChunkSize> chunk{};
    while (bytes.size() < limit) {
        const ssize_t count =
            ::read(handle, chunk.data(), std::min(chunk.size(), limit - bytes.size()));
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            Fail(IoCodeFromErrno(errno));
        }
        if (count <= 0) {
            break;
        }
        bytes.append(chunk.data(), static_cast<std::size_t>(count));
    }
    ::close(handle);
    CheckIo();
    return bytes;
}

bool EntryExists(const std::string &name)
{
    struct stat status {};
    return ::lstat(name.substr(0, TextFile::MaxNameLength).c_str(), &status) == 0;
}

int PendingIoCode()
{
    return pendingIoCode;
}

void CheckIo()
{
    const int code = pendingIoCode;
    if (code != 0) {
        pendingIoCode = 0;
        throw EInOutError(code);
    }
}

void DiscardPendingIoCode()
{
    pendingIoCode = 0;
}
