#include "bench_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <map>

#include "store/chk_uid.h"

namespace bench {

const std::filesystem::path& benchFolder(std::string_view name) {
    static std::map<std::string, std::filesystem::path, std::less<>> folders;
    auto found = folders.find(name);
    if (found == folders.end()) {
        std::filesystem::path dir =
            std::filesystem::temp_directory_path() / ("qelvo-" + std::string(name) + "-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
        found = folders.emplace(std::string(name), std::move(dir)).first;
    }
    return found->second;
}

void writeBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void rewriteByAnotherProcess(const std::filesystem::path& path, int generation) {
    const pid_t child = ::fork();
    if (child == 0) {
        CChkUid other;
        other.InitChkCfg(path, ".qelvo");
        other.SetMyKey("base", "touch", std::to_string(generation));
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
}

double median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    return times.empty() ? 0.0 : times[times.size() / 2];
}

}  // namespace bench
