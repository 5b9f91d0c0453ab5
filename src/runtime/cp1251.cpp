#include "runtime/cp1251.h"

#include "runtime/textfile.h"
#include "runtime/workingdirectory.h"

#include <array>

namespace {

// Characters of the bytes 0x80..0xFF. Windows leaves 0x98 unassigned; it maps to the control
// character U+0098 so that no byte is lost on the way through a QString.
constexpr std::array<char16_t, 128> UpperHalf = {
    // 0x80
    u'\u0402',
    u'\u0403',
    u'\u201A',
    u'\u0453',
    u'\u201E',
    u'\u2026',
    u'\u2020',
    u'\u2021',
    u'\u20AC',
    u'\u2030',
    u'\u0409',
    u'\u2039',
    u'\u040A',
    u'\u040C',
    u'\u040B',
    u'\u040F',
    // 0x90
    u'\u0452',
    u'\u2018',
    u'\u2019',
    u'\u201C',
    u'\u201D',
    u'\u2022',
    u'\u2013',
    u'\u2014',
    u'\u0098',
    u'\u2122',
    u'\u0459',
    u'\u203A',
    u'\u045A',
    u'\u045C',
    u'\u045B',
    u'\u045F',
    // 0xA0
    u'\u00A0',
    u'\u040E',
    u'\u045E',
    u'\u0408',
    u'\u00A4',
    u'\u0490',
    u'\u00A6',
    u'\u00A7',
    u'\u0401',
    u'\u00A9',
    u'\u0404',
    u'\u00AB',
    u'\u00AC',
    u'\u00AD',
    u'\u00AE',
    u'\u0407',
    // 0xB0
    u'\u00B0',
    u'\u00B1',
    u'\u0406',
    u'\u0456',
    u'\u0491',
    u'\u00B5',
    u'\u00B6',
    u'\u00B7',
    u'\u0451',
    u'\u2116',
    u'\u0454',
    u'\u00BB',
    u'\u0458',
    u'\u0405',
    u'\u0455',
    u'\u0457',
    // 0xC0..0xFF: А..я in alphabetical order
    u'\u0410',
    u'\u0411',
    u'\u0412',
    u'\u0413',
    u'\u0414',
    u'\u0415',
    u'\u0416',
    u'\u0417',
    u'\u0418',
    u'\u0419',
    u'\u041A',
    u'\u041B',
    u'\u041C',
    u'\u041D',
    u'\u041E',
    u'\u041F',
    u'\u0420',
    u'\u0421',
    u'\u0422',
    u'\u0423',
    u'\u0424',
    u'\u0425',
    u'\u0426',
    u'\u0427',
    u'\u0428',
    u'\u0429',
    u'\u042A',
    u'\u042B',
    u'\u042C',
    u'\u042D',
    u'\u042E',
    u'\u042F',
    u'\u0430',
    u'\u0431',
    u'\u0432',
    u'\u0433',
    u'\u0434',
    u'\u0435',
    u'\u0436',
    u'\u0437',
    u'\u0438',
    u'\u0439',
    u'\u043A',
    u'\u043B',
    u'\u043C',
    u'\u043D',
    u'\u043E',
    u'\u043F',
    u'\u0440',
    u'\u0441',
    u'\u0442',
    u'\u0443',
    u'\u0444',
    u'\u0445',
    u'\u0446',
    u'\u0447',
    u'\u0448',
    u'\u0449',
    u'\u044A',
    u'\u044B',
    u'\u044C',
    u'\u044D',
    u'\u044E',
    u'\u044F',
};

char EncodeUpper(char16_t character)
{
    // The Cyrillic block А..я is contiguous; everything else is a short search.
    if (character >= u'\u0410' && character <= u'\u044F') {
        return static_cast<char>(0xC0 + (character - u'\u0410'));
    }
    for (std::size_t i = 0; i < 0x40; ++i) {
        if (UpperHalf[i] == character) {
            return static_cast<char>(0x80 + i);
        }
    }
    return '?';
}

} // namespace

std::string ToCp1251(const QString &text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar character = text.at(i);
        if (character.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            // One character outside the Basic Multilingual Plane: one "?".
            ++i;
            bytes.push_back('?');
        } else if (character.unicode() < 0x80) {
            bytes.push_back(static_cast<char>(character.unicode()));
        } else {
            bytes.push_back(EncodeUpper(character.unicode()));
        }
    }
    return bytes;
}

QString FromCp1251(std::string_view bytes)
{
    // Written in place: a results log of a school's years runs to millions of characters.
    QString text(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = value < 0x80 ? QChar(value) : QChar(UpperHalf[value - 0x80]);
    }
    return text;
}

std::string StoredPath(const QString &path)
{
    const std::string bytes = ToCp1251(path);
    return FromCp1251(bytes) == path ? bytes : path.toStdString();
}

std::string FileSystemPath(const std::string &stored,
                           const std::function<bool(const std::string &)> &exists)
{
    const std::string cp1251 = FromCp1251(stored).toStdString();
    if (!QByteArrayView(stored).isValidUtf8()) {
        return cp1251;
    }
    return cp1251 != stored && exists(cp1251) && !exists(stored) ? cp1251 : stored;
}

std::string FileSystemPathIn(const std::string &directory, const std::string &stored)
{
    if (stored.empty()) {
        return {};
    }
    return InDirectory(directory, FileSystemPath(stored, [&](const std::string &name) {
                           return EntryExists(InDirectory(directory, name));
                       }));
}
