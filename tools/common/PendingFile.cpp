// Output files that appear only once they are complete (POSIX: mkstemp beside the target, then
// rename), for the Linux tools' main thread.
#include "tools/common/ToolSupport.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace frakle::tools {

PendingFile::PendingFile(std::filesystem::path target) : target_(std::move(target)) {
    const std::filesystem::path folder =
        target_.has_parent_path() ? target_.parent_path() : std::filesystem::path(".");
    std::string pattern = (folder / ("." + target_.filename().string() + ".XXXXXX")).string();
    const int fd = mkstemp(pattern.data());
    if (fd < 0) {
        throw ToolError("cannot write " + target_.string() + ": " + std::strerror(errno));
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    ::close(fd);
    temporary_ = pattern;
}

PendingFile::~PendingFile() {
    if (!committed_) {
        std::error_code ignored;
        std::filesystem::remove(temporary_, ignored);
    }
}

void PendingFile::commit() {
    std::error_code error;
    std::filesystem::rename(temporary_, target_, error);
    if (error) {
        throw ToolError("cannot write " + target_.string() + ": " + error.message());
    }
    committed_ = true;
}

} // namespace frakle::tools
