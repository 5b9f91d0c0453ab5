#include "settings/settings.h"

#include "runtime/ioerror.h"
#include "runtime/textfile.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <random>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLinkHops = 40;
constexpr int TemporaryNameAttempts = 100;

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

std::string SettingsFilePath(const std::string &directory)
{
    if (directory.empty()) {
        return SettingsFileName;
    }
    std::string path = directory;
    if (path.back() != '/') {
        path += '/';
    }
    path += SettingsFileName;
    if (path.size() > TextFile::MaxNameLength) {
        throw EInOutError(IoCodeFromErrno(ENAMETOOLONG));
    }
    return path;
}

// The file a rewrite replaces: the settings file, or the end of its chain of symbolic links, so
// that a link stays a link and its target gets the new contents.
std::filesystem::path ReplacedFile(const std::string &settingsFile)
{
    std::filesystem::path path = settingsFile;
    std::error_code error;
    for (int hops = 0; std::filesystem::is_symlink(path, error); ++hops) {
        const std::filesystem::path target = std::filesystem::read_symlink(path, error);
        if (error || hops == MaxLinkHops) {
            throw EInOutError(IoCodeFromErrno(error ? error.value() : ELOOP));
        }
        path = path.parent_path() / target;
    }
    return path;
}

// A name of this writer's own beside the replaced file, created exclusively: writers on other PCs
// sharing the folder never write into one another's temporary file.
std::string CreateTemporaryFile(const std::filesystem::path &replaced)
{
    std::random_device device;
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        std::array<char, 16> suffix{};
        std::snprintf(suffix.data(), suffix.size(), ".%08x.tmp", device());
        const std::string name = replaced.string() + suffix.data();
        // A cut name would be another file.
        if (name.size() > TextFile::MaxNameLength) {
            throw EInOutError(IoCodeFromErrno(ENAMETOOLONG));
        }
        const int handle = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle >= 0) {
            ::close(handle);
            return name;
        }
        if (errno != EEXIST) {
            throw EInOutError(IoCodeFromErrno(errno));
        }
    }
    throw EInOutError(IoCodeFromErrno(EEXIST));
}

// The new file gets the old one's permissions, so that other accounts of a shared folder may go on
// rewriting it, and its group where this account may give it.
void KeepModeAndGroup(const std::filesystem::path &replaced, const std::string &temporary)
{
    struct stat old {};
    if (::stat(replaced.c_str(), &old) != 0 || !S_ISREG(old.st_mode)) {
        return;
    }
    [[maybe_unused]] const int grouped =
        ::chown(temporary.c_str(), static_cast<uid_t>(-1), old.st_gid);
    if (::chmod(temporary.c_str(), old.st_mode & 07777) != 0) {
        throw EInOutError(IoCodeFromErrno(errno));
    }
}

// Forces the closed temporary file's contents to the disk before it replaces the old file.
void FlushToDisk(const std::string &name)
{
    const int handle = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
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

void WriteTemporaryAndReplace(const Settings &settings, const std::string &settingsFile)
{
    // A read-only settings file stays as protected as when it was rewritten in place.
    if (::access(settingsFile.c_str(), F_OK) == 0 && ::access(settingsFile.c_str(), W_OK) != 0) {
        throw EInOutError(IoCodeFromErrno(errno));
    }
    const std::filesystem::path replaced = ReplacedFile(settingsFile);
    const std::string temporary = CreateTemporaryFile(replaced);
    TextFile file(temporary);
    try {
        file.OpenForRewriting();
        CheckIo();
        WriteLines(file, settings);
        file.CloseFile();
        CheckIo();
        KeepModeAndGroup(replaced, temporary);
        FlushToDisk(temporary);
        if (std::rename(temporary.c_str(), replaced.c_str()) != 0) {
            throw EInOutError(IoCodeFromErrno(errno));
        }
    } catch (...) {
        if (file.CurrentMode() != TextFile::Mode::Closed) {
            file.CloseFile();
            DiscardPendingIoCode();
        }
        ::unlink(temporary.c_str());
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

void ReadSettings(Settings &settings, const std::string &directory)
{
    TextFile file(SettingsFilePath(directory));
    file.OpenForReading();
    CheckIo();
    try {
        std::array<char, Settings::PicturePathCapacity + 1> path{};
        file.ReadTextInto(path.data(), Settings::PicturePathCapacity);
        // The path is zero-terminated text: a NUL byte in the line ends it.
        settings.BackgroundPicturePath = path.data();
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

void WriteSettings(const Settings &settings, const std::string &directory)
{
    WriteTemporaryAndReplace(settings, SettingsFilePath(directory));
}
