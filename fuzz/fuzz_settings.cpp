// A settings file edited by hand: reading it either fails with an I/O error code or yields values
// within their bounds, and whatever was read survives a rewrite and a second reading unchanged.
#include "fuzztarget.h"

#include "runtime/ioerror.h"
#include "runtime/textfile.h"
#include "settings/settings.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

bool SameSettings(const Settings &a, const Settings &b)
{
    return a.BackgroundPicturePath == b.BackgroundPicturePath && a.FillColor == b.FillColor &&
           a.UseFillColor == b.UseFillColor && a.QuestionColor == b.QuestionColor &&
           a.SelectedAnswerColor == b.SelectedAnswerColor && a.AnswerColor == b.AnswerColor &&
           a.EnlargedAnswerColor == b.EnlargedAnswerColor && a.ResultsLogPath == b.ResultsLogPath &&
           a.BothMouseButtons == b.BothMouseButtons;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string directory = FuzzScratchFolder("settings");
    {
        std::ofstream out(std::filesystem::path(directory) / SettingsFileName,
                          std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(data), static_cast<std::streamsize>(size));
    }
    Settings settings;
    try {
        ReadSettings(settings, directory);
    } catch (const EInOutError &error) {
        Require(error.Code() != 0);
        Require(PendingIoCode() == 0);
        return 0;
    }
    Require(PendingIoCode() == 0);
    Require(settings.BackgroundPicturePath.size() <= Settings::PicturePathCapacity);
    // A zero-terminated text: nothing after a NUL byte is kept.
    Require(settings.BackgroundPicturePath.find('\0') == std::string::npos);
    for (const std::string *text : {&settings.BackgroundPicturePath, &settings.ResultsLogPath}) {
        Require(text->find('\r') == std::string::npos);
        Require(text->find(static_cast<char>(TextFile::EndOfText)) == std::string::npos);
    }

    WriteSettings(settings, directory);
    Settings again;
    ReadSettings(again, directory);
    Require(SameSettings(settings, again));
    return 0;
}
