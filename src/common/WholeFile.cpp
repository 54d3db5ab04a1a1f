#include "common/WholeFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "engine/File.h"

namespace vz {

using engine::File;
using engine::Status;

Status replaceWholeFile(const std::string& path, std::string_view bytes, bool* notCreated) {
    if (notCreated != nullptr) *notCreated = false;
    auto refused = [notCreated](Status s) {
        if (notCreated != nullptr) *notCreated = true;
        return s;
    };
    std::string target = path;
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) != nullptr) target = resolved;
    }
    if (::stat(target.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return refused(Status::invalid(target + " is a folder."));
    auto tmp =
        File::createTemporary(engine::folderOf(target), "." + engine::nameOf(target) + ".new-");
    if (!tmp) return refused(tmp.status());
    Status s = bytes.empty() ? Status::ok() : tmp->writeAt(0, bytes.data(), bytes.size());
    if (s) {
        if (auto old = File::open(target, File::Access::ReadOnly)) {
            s = tmp->copyModeFrom(*old);
        } else {
            const mode_t mask = ::umask(0);
            ::umask(mask);
            if (::chmod(tmp->path().c_str(), 0666 & ~mask) != 0)
                s = Status::ioError(tmp->path() + ": setting the permissions failed.");
        }
    }
    if (s) s = tmp->sync();
    const std::string tmpPath = tmp->path();
    tmp->close();
    if (s) s = engine::renameReplacing(tmpPath, target);
    if (!s) ::unlink(tmpPath.c_str());
    return s;
}

}  // namespace vz
