// Arbitrary bytes through every reading operation of TextFile: no read may pass the end of the
// text, loop at it, overrun a target buffer, or return a line end inside a text; and any line
// without CR or Ctrl+Z must come back unchanged after writing.
#include "fuzztarget.h"

#include "runtime/ioerror.h"
#include "runtime/textfile.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string &ScratchPath()
{
    static const std::string &path =
        *new std::string((FuzzScratchFolder("textfile") / "text").string());
    return path;
}

// Only a bad number may fail while reading an ordinary file.
void RequireNumberCodeOnly()
{
    try {
        CheckIo();
    } catch (const EInOutError &error) {
        Require(error.Code() == 106);
    }
}

void RequireCleanText(const std::string &text)
{
    Require(text.find('\r') == std::string::npos);
    Require(text.find(static_cast<char>(TextFile::EndOfText)) == std::string::npos);
}

void ReadEverything(const std::string &bytes)
{
    TextFile file(ScratchPath());
    file.OpenForReading();
    CheckIo();

    // Every fourth step skips a line, which consumes at least one byte before the end.
    const std::size_t stepLimit = 4 * (bytes.size() + 1);
    std::size_t step = 0;
    for (; !file.AtEndOfText() && step < stepLimit; ++step) {
        switch (step % 4) {
        case 0:
            file.ReadNumber();
            RequireNumberCodeOnly();
            break;
        case 1:
            RequireCleanText(file.ReadText());
            break;
        case 2: {
            const std::size_t capacity = (step * 37) % 300;
            std::vector<char> buffer(capacity + 1, '\x55');
            const std::size_t count = file.ReadTextInto(buffer.data(), capacity);
            Require(count <= capacity && buffer[count] == '\0');
            RequireCleanText(std::string(buffer.data(), count));
            break;
        }
        default:
            file.SkipLine();
            break;
        }
    }
    Require(file.AtEndOfText());

    for (int round = 0; round < 3; ++round) {
        Require(file.ReadText().empty());
        Require(file.ReadNumber() == 0);
        file.SkipLine();
    }
    file.CloseFile();
    Require(PendingIoCode() == 0);
}

void WriteAndReadBack(const std::string &bytes)
{
    std::string line;
    for (const char c : bytes) {
        if (c != '\r' && c != TextFile::EndOfText) {
            line.push_back(c);
        }
    }
    TextFile writer(ScratchPath());
    writer.OpenForRewriting();
    writer.WriteText(line);
    writer.EndLine();
    writer.CloseFile();
    CheckIo();

    TextFile reader(ScratchPath());
    reader.OpenForReading();
    Require(reader.ReadText() == line);
    reader.SkipLine();
    Require(reader.AtEndOfText());
    reader.CloseFile();
    CheckIo();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    {
        std::ofstream out(ScratchPath(), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ReadEverything(bytes);
    WriteAndReadBack(bytes);
    return 0;
}
