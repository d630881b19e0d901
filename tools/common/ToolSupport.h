// Pieces the command-line tools share: strict number parsing, one-line errors and output
// files that appear only once they are complete.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace frakle::tools {

// A problem to report to the user as one line; the tools exit with kErrorExit.
class ToolError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

constexpr int kErrorExit = 2;

// The whole text must be a finite number; `what` names it in the error.
double parseNumber(const std::string &text, const std::string &what);
long long parseInteger(const std::string &text, const std::string &what);

// A temporary file beside `target`, renamed onto it by commit() and removed otherwise.
class PendingFile {
public:
    explicit PendingFile(std::filesystem::path target);
    ~PendingFile();
    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    const std::filesystem::path &path() const { return temporary_; }
    void commit();

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    bool committed_ = false;
};

} // namespace frakle::tools
