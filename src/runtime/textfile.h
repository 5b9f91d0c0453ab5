#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A line-oriented file of single-byte text, read and written through a 128-byte buffer. Every
// failing step stores its code in PendingIoCode(); CheckIo() after each statement turns it into an
// EInOutError. Bytes pass unchanged: no character-set conversion happens here.
//
// Line ends: CR, optionally followed by LF; an LF elsewhere is an ordinary character. Writing
// ends lines with CR LF. The byte 26 (Ctrl+Z) and the physical end of the file are the end-of-text
// mark, which reading delivers again and again without moving past it.
class TextFile {
public:
    enum class Mode { Closed, Reading, Writing };

    static constexpr std::size_t BufferSize = 128;
    // Reading takes the file in larger pieces than it writes: every refill is a system call, and a
    // full bank took seventy of them. What a reader sees is the same.
    static constexpr std::size_t ReadChunkSize = 4096;
    static constexpr std::size_t MaxNameLength = 259;
    static constexpr int EndOfText = 26;

    TextFile() = default;
    // Names the file and leaves it closed; a name longer than 259 bytes is cut.
    explicit TextFile(std::string name);
    // Releases a handle that an abandoned statement left open, without writing out the buffer:
    // only what was written out before stays in the file.
    ~TextFile();

    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    const std::string &Name() const { return m_name; }
    Mode CurrentMode() const { return m_mode; }

    void OpenForReading();
    // Reads bytes already in memory as if they were the file's: the same lines, marks and
    // numbers, and no file is touched.
    void OpenBytesForReading(std::string bytes);
    void OpenForRewriting();
    void OpenForAppending();
    void CloseFile();

    // The rest of the current line, without its line end, which stays unread.
    std::string ReadText();
    // At most capacity bytes of the current line into buffer, then a zero byte (so buffer holds
    // capacity + 1 bytes); what does not fit stays unread. Returns the number of bytes copied.
    std::size_t ReadTextInto(char *buffer, std::size_t capacity);
    // Skips blanks and line ends, then reads one decimal or "$" hexadecimal integer; 0 at the end
    // of the text. A token that is no integer stores code 106 and gives 0.
    std::int32_t ReadNumber();
    // Moves past the next line end (CR, or CR LF).
    void SkipLine();

    void WriteText(std::string_view text);
    void WriteNumber(std::int32_t value);
    void EndLine();

    // True when the next character is the end-of-text mark, which is how a reader tells an empty
    // last line from no line at all; a file not open for reading is at its end.
    bool AtEndOfText();
    // The 1-based number of the line the next read starts in: one more than the CRs consumed.
    int LineNumber() const { return m_lineNumber; }

private:
    int PeekChar();
    void Consume();
    void Put(std::string_view bytes);
    bool WriteOut();
    void CloseBeforeOpening();
    void Open(Mode mode, int handle);
    void ReleaseHandle();

    std::string m_name;
    Mode m_mode = Mode::Closed;
    int m_handle = -1;
    // The bytes read when the text comes from memory rather than from a handle.
    std::string m_bytes;
    std::size_t m_bytesTaken = 0;
    bool m_fromBytes = false;
    // Writing uses the first BufferSize bytes, reading all of it.
    std::array<char, ReadChunkSize> m_buffer{};
    std::size_t m_position = 0;
    std::size_t m_end = 0;
    int m_lineNumber = 1;
};

// The Windows error code that stands for a system error number (ENOENT gives 2, ENOSPC 112 …).
int IoCodeFromErrno(int error);

// The whole file, or its first `limit` bytes, read under the readers' shared lock. A failure
// raises EInOutError with the code an open for reading would store.
std::string ReadFileBytes(const std::string &name, std::size_t limit);

// True when an entry of that name exists, of any kind (file, directory, dangling link …).
bool EntryExists(const std::string &name);

// The code of the last failed file step on this (the user-interface) thread; 0 when none is
// pending.
int PendingIoCode();

// The statement check: raises EInOutError for a pending code and clears it.
void CheckIo();

// Clears a pending code without raising it: for clean-up steps after an error has already been
// raised, and for a failure the caller handles itself (waiting for another writer).
void DiscardPendingIoCode();
