#include "runtime/workingdirectory.h"

#include <cerrno>
#include <vector>

#include <unistd.h>

std::string CurrentDirectory()
{
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return std::string(buffer.data());
}

bool SetCurrentDirectory(const std::string &directory)
{
    return ::chdir(directory.c_str()) == 0;
}

std::string InDirectory(const std::string &directory, const std::string &name)
{
    if (directory.empty() || name.empty() || name.starts_with('/')) {
        return name;
    }
    return directory.ends_with('/') ? directory + name : directory + '/' + name;
}
