#include "platform/posix/PrivateFolder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

std::optional<std::string> PrivateFolderProblem(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder.parent_path(), error);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return "The folder " + folder.string() + " can't be created.";
    struct stat info {};
    // A link is followed only when it is the user's own, and so is what it leads to.
    if (::lstat(folder.c_str(), &info) != 0) return "The folder " + folder.string() + " can't be read.";
    if (info.st_uid == ::geteuid() && S_ISLNK(info.st_mode) && ::stat(folder.c_str(), &info) != 0)
        return "The folder " + folder.string() + " can't be read.";
    if (info.st_uid != ::geteuid())
        return "The folder " + folder.string() + " belongs to another user; Tallydial doesn't use it.";
    if (!S_ISDIR(info.st_mode)) return folder.string() + " is not a folder; Tallydial doesn't use it.";
    if ((info.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return "The folder " + folder.string() + " is open to other users and can't be made private.";
    return std::nullopt;
}
