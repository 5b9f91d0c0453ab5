#pragma once

#include <QString>

#include <functional>
#include <string>
#include <string_view>

// Windows code page 1251, the one single-byte character set of files and quiz state; widgets hold
// QString. The table maps every byte, so bytes survive a round trip through QString unchanged.

// Characters that code page 1251 cannot hold become "?".
std::string ToCp1251(const QString &text);
QString FromCp1251(std::string_view bytes);

// Paths in the settings file are single-byte text like the rest of it, while Linux names are
// UTF-8. A path is stored in code page 1251 when every character of it exists there, in UTF-8
// otherwise.
std::string StoredPath(const QString &path);
// The file-system name of stored path bytes. Bytes that are not UTF-8 are code page 1251. Non-ASCII
// UTF-8 can be either: the reading that names an existing entry wins, UTF-8 (what earlier versions
// stored) when both or neither do.
std::string FileSystemPath(const std::string &stored,
                           const std::function<bool(const std::string &)> &exists);
// The file-system path of stored path bytes that name a file relative to the directory, as the
// quiz reads the paths of its settings against its start directory; entries are looked up there,
// not in the current directory. An absolute path names the same file; an empty one stays empty.
std::string FileSystemPathIn(const std::string &directory, const std::string &stored);
