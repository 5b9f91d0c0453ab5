#include "settings/settings.h"

#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"

#include <array>
#include <cerrno>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr const char *TemporaryFileName = "Ortus00.ini.tmp";

void WriteLines(TextFile &file, const Settings &settings)
{
    file.WriteText(settings.BackgroundPicturePath);
    file.EndLine();
    CheckIo();
    for (const TColor number :
         {settings.FillColor, static_cast<TColor>(settings.UseFillColor), settings.QuestionColor,
          settings.SelectedAnswerColor, settings.AnswerColor, settings.EnlargedAnswerColor}) {
        file.WriteNumber(number);
        file.EndLine();
        CheckIo();
    }
    file.WriteText(settings.ResultsLogPath);
    file.EndLine();
    CheckIo();
    file.WriteText(settings.BothMouseButtons ? BothButtonsLine : LeftButtonLine);
    file.EndLine();
    CheckIo();
}

// Forces the closed temporary file's contents to the disk before it replaces the old file.
void FlushToDisk(const char *name)
{
    const int handle = ::open(name, O_RDONLY | O_CLOEXEC);
    if (handle < 0) {
        throw EInOutError(IoCodeFromErrno(errno));
    }
    const int result = ::fsync(handle);
    const int error = errno;
    ::close(handle);
    if (result != 0) {
        throw EInOutError(IoCodeFromErrno(error));
    }
}

void WriteTemporaryAndReplace(const Settings &settings)
{
    // A read-only settings file stays as protected as when it was rewritten in place.
    if (::access(SettingsFileName, F_OK) == 0 && ::access(SettingsFileName, W_OK) != 0) {
        throw EInOutError(IoCodeFromErrno(errno));
    }
    TextFile file(TemporaryFileName);
    file.OpenForRewriting();
    CheckIo();
    try {
        WriteLines(file, settings);
        file.CloseFile();
        CheckIo();
        FlushToDisk(TemporaryFileName);
        if (std::rename(TemporaryFileName, SettingsFileName) != 0) {
            throw EInOutError(IoCodeFromErrno(errno));
        }
    } catch (...) {
        if (file.CurrentMode() != TextFile::Mode::Closed) {
            file.CloseFile();
            DiscardPendingIoCode();
        }
        ::unlink(TemporaryFileName);
        throw;
    }
}

} // namespace

BackgroundMode StartupBackgroundMode(const Settings &settings)
{
    switch (settings.UseFillColor) {
    case 0:
        return BackgroundMode::Picture;
    case 1:
        return BackgroundMode::FillColour;
    default:
        return BackgroundMode::Unchanged;
    }
}

void ReadSettings(Settings &settings)
{
    TextFile file(SettingsFileName);
    file.OpenForReading();
    CheckIo();
    try {
        std::array<char, Settings::PicturePathCapacity + 1> path{};
        const std::size_t length = file.ReadTextInto(path.data(), Settings::PicturePathCapacity);
        settings.BackgroundPicturePath.assign(path.data(), length);
        file.SkipLine();
        CheckIo();

        const auto readNumber = [&file] {
            const std::int32_t value = file.ReadNumber();
            file.SkipLine();
            return value;
        };
        settings.FillColor = readNumber();
        CheckIo();
        settings.UseFillColor = static_cast<std::uint8_t>(readNumber() & 0xFF);
        CheckIo();
        settings.QuestionColor = readNumber();
        CheckIo();
        settings.SelectedAnswerColor = readNumber();
        CheckIo();
        settings.AnswerColor = readNumber();
        CheckIo();
        settings.EnlargedAnswerColor = readNumber();
        CheckIo();

        settings.ResultsLogPath = file.ReadText();
        file.SkipLine();
        CheckIo();
        const std::string buttonLine = file.ReadText();
        settings.BothMouseButtons = buttonLine == BothButtonsLine;
        file.SkipLine();
        CheckIo();
    } catch (...) {
        file.CloseFile();
        DiscardPendingIoCode();
        throw;
    }
    file.CloseFile();
    CheckIo();
}

void WriteSettings(const Settings &settings, const std::string &startDirectory)
{
    SetCurrentDirectory(startDirectory);
    WriteTemporaryAndReplace(settings);
}
