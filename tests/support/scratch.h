#pragma once

#include <filesystem>
#include <string>

// A folder of its own for one test, removed afterwards, whole-file reads and writes of raw bytes, and the processor
// time a piece of work takes.
namespace testing_support {

class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& leaf) const { return path_ / leaf; }

  private:
    std::filesystem::path path_;
};

std::string readBytes(const std::filesystem::path& path);
void writeBytes(const std::filesystem::path& path, const std::string& bytes);

// The processor time this process has used so far, in seconds (user and system). Unlike the time on the wall it does
// not grow while other programs have the processor, so ratios of it hold on a loaded machine.
double processorSeconds();

}  // namespace testing_support
