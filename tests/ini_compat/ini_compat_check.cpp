// Compares our INI engine with the Windows private-profile functions as Wine implements them: plays a set of chosen
// scripts and many random ones with both, and fails, showing the smallest script it can find that still differs,
// when a file or a read value is not the same byte for byte.
//
//   ini_compat_check --windows-player EXE --engine-player EXE --wine-run SCRIPT --work DIR [--scratch DIR]
//                    [--count N] [--seed S] [--deletes-without-file]
//
// The scripts and outcomes of the last run stay in the work folder (all/, and smallest.txt after a difference). The
// INI files themselves are written under the scratch folder, best a memory file system, as our engine flushes every
// write to the disk. The Windows player runs through the wine-run wrapper with its own prefix DIR/wineprefix, kept
// between runs (a new prefix takes a while to make); the wine server is stopped at the end (wine-run --server -k).
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ini_script.h"
#include "script_generator.h"
#include "script_minimizer.h"

extern char** environ;

namespace fs = std::filesystem;
using inicompat::IniOp;
using inicompat::IniScript;

namespace {

struct Options {
    std::string windowsPlayer, enginePlayer, wineRun;
    fs::path work, scratch;
    std::size_t count = 1000;
    std::uint64_t seed = 1;
    bool deletesWithoutFile = false;
};

std::optional<Options> parseOptions(int argc, char** argv) {
    Options options;
    std::string work, scratch, count = "1000", seed = "1";
    const std::map<std::string, std::string*> valued = {
        {"--windows-player", &options.windowsPlayer},
        {"--engine-player", &options.enginePlayer},
        {"--wine-run", &options.wineRun},
        {"--work", &work},
        {"--scratch", &scratch},
        {"--count", &count},
        {"--seed", &seed},
    };
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--deletes-without-file") {
            options.deletesWithoutFile = true;
            continue;
        }
        const auto found = valued.find(name);
        if (found == valued.end() || i + 1 == argc)
            return std::nullopt;
        *found->second = argv[++i];
    }
    if (options.windowsPlayer.empty() || options.enginePlayer.empty() || options.wineRun.empty() || work.empty())
        return std::nullopt;
    char* end = nullptr;
    options.count = std::strtoul(count.c_str(), &end, 10);
    if (*end != '\0')
        return std::nullopt;
    options.seed = std::strtoull(seed.c_str(), &end, 10);
    if (*end != '\0')
        return std::nullopt;
    options.work = fs::absolute(work);
    options.scratch = fs::absolute(scratch.empty() ? work : scratch);
    return options;
}

double seconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Runs a program to its end; its exit status, or -1 when it could not be started or did not exit.
int run(const std::vector<std::string>& arguments, bool quiet) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        std::fprintf(stderr, "cannot start %s\n", argv[0]);
        return -1;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

// The path as a Windows program under Wine sees it, through the drive Z: that Wine maps to the root.
std::string windowsPath(const fs::path& path) {
    std::string text = "Z:" + path.string();
    for (char& c : text) {
        if (c == '/')
            c = '\\';
    }
    return text;
}

std::optional<std::string> readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string scriptName(std::size_t index) {
    char name[24];
    std::snprintf(name, sizeof name, "s%05zu", index);
    return name;
}

// The outcome texts of a batch of scripts, as each player left them (nullopt where it left none).
struct BatchOutcome {
    bool ran = false;
    std::vector<std::optional<std::string>> windows, engine;

    bool differs(std::size_t i) const { return !windows[i] || !engine[i] || *windows[i] != *engine[i]; }
};

class Comparison {
  public:
    Comparison(Options options, fs::path scratch) : options_(std::move(options)), scratch_(std::move(scratch)) {}

    // Plays the scripts with both players, in the folder DIR/name made afresh.
    BatchOutcome play(const std::vector<IniScript>& scripts, const std::string& name, bool quiet) {
        const fs::path batch = options_.work / name, files = scratch_ / name;
        fs::remove_all(batch);
        fs::remove_all(files);
        for (const char* folder : {"scripts", "windows", "engine"})
            fs::create_directories(batch / folder);
        for (const char* folder : {"windows", "engine"})
            fs::create_directories(files / folder);
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            std::ofstream(batch / "scripts" / (scriptName(i) + ".txt"), std::ios::binary)
                << inicompat::formatScript(scripts[i]);
        }
        BatchOutcome outcome;
        const double start = seconds();
        const int engineStatus = run({options_.enginePlayer, (batch / "scripts").string(), (batch / "engine").string(),
                                      (files / "engine").string()},
                                     quiet);
        const double engineDone = seconds();
        const int windowsStatus = run({options_.wineRun, options_.windowsPlayer, windowsPath(batch / "scripts"),
                                       windowsPath(batch / "windows"), windowsPath(files / "windows")},
                                      quiet);
        if (!quiet) {
            std::printf("our engine took %.1f s, the Windows functions under Wine %.1f s\n", engineDone - start,
                        seconds() - engineDone);
        }
        outcome.ran = engineStatus == 0 && windowsStatus == 0;
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            outcome.windows.push_back(readWholeFile(batch / "windows" / (scriptName(i) + ".txt")));
            outcome.engine.push_back(readWholeFile(batch / "engine" / (scriptName(i) + ".txt")));
        }
        return outcome;
    }

    void stopWine() { run({options_.wineRun, "--server", "-k"}, true); }

  private:
    Options options_;
    fs::path scratch_;
};

IniOp set(std::string section, std::string key, std::string value) {
    return {IniOp::Kind::Set, std::move(section), std::move(key), std::move(value)};
}
IniOp read(std::string section, std::string key) {
    return {IniOp::Kind::Read, std::move(section), std::move(key), {}};
}
IniOp deleteKey(std::string section, std::string key) {
    return {IniOp::Kind::DeleteKey, std::move(section), std::move(key), {}};
}
IniOp deleteSection(std::string section) {
    return {IniOp::Kind::DeleteSection, std::move(section), {}, {}};
}
IniOp clear(std::string section) {
    return {IniOp::Kind::Clear, std::move(section), {}, {}};
}

// Cases picked by hand from the rules in ini-compat.md that start from no file; the random ones follow.
std::vector<IniScript> chosenScripts(bool deletesWithoutFile) {
    std::vector<IniScript> scripts = {
        {set("s", "b", ""), set("s", "a", ""), set("s", "z", ""), set("s", "y", ""), read("s", "b")},
        {set("Sec", "Key", "v"), set("SEC", "KEY", "new"), set("sec", "Other", "1"), read("sEc", "kEy")},
        {set("\x81\x41", "k", "1"), set("\x81\x61", "k", "2"), set("s", "\x81\x41", "3"), set("s", "\x81\x61", "4"),
         read("\x81\x41", "k"), read("\x81\x61", "K"), read("S", "\x81\x41"), read("s", "\x81\x61")},
        {set("\x81\x5D", "\x81\x5C", "v"), set("\x95\x5C\x9F\x5D", "k\x81\x5D", "w"), read("\x81\x5D", "\x81\x5C"),
         read("\x95\x5C\x9F\x5D", "K\x81\x5D")},
        {set("s", "a", "\"a\"b\""), set("s", "b", "\" x \""), set("s", "c", "\"v'"), set("s", "d", "\""),
         set("s", "e", "''"), set("s", "f", "v ;x = y"), read("s", "a"), read("s", "b"), read("s", "c"), read("s", "d"),
         read("s", "e"), read("s", "f")},
        {set("  sec", "\tkey", "v  v"), read("sec", "key"), read(" SEC", "KEY")},
        {set("a", "k", "v"), set("b", "k", "v"), set("c", "k", "v"), clear("a"), deleteSection("b"), deleteSection("x"),
         clear("y"), deleteKey("c", "k"), deleteKey("c", "missing"), set("a", "k2", "w"), set("b", "k", "again"),
         read("a", "k"), read("a", "k2"), read("b", "k"), read("x", "k")},
        {set("s", "k", "v"), deleteSection("s")},
        {read("s", "k")},
    };
    if (deletesWithoutFile) {
        scripts.push_back({deleteKey("s", "k")});
        scripts.push_back({deleteSection("s")});
        scripts.push_back({clear("s")});
    }
    return scripts;
}

void report(const IniScript& script, const BatchOutcome& outcome, std::size_t index) {
    std::printf("script (%zu operations, from no file):\n%s", script.size(), inicompat::describeScript(script).c_str());
    std::printf("Windows functions (Wine):\n%s",
                inicompat::describeOutcome(outcome.windows[index].value_or("(no outcome)")).c_str());
    std::printf("our engine:\n%s", inicompat::describeOutcome(outcome.engine[index].value_or("(no outcome)")).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const auto options = parseOptions(argc, argv);
    if (!options) {
        std::fprintf(stderr,
                     "usage: ini_compat_check --windows-player EXE --engine-player EXE --wine-run SCRIPT "
                     "--work DIR [--scratch DIR] [--count N] [--seed S] "
                     "[--deletes-without-file]\n");
        return 2;
    }
    fs::create_directories(options->work);
    fs::create_directories(options->scratch);
    std::string scratch = (options->scratch / "ini-compat-XXXXXX").string();
    if (mkdtemp(scratch.data()) == nullptr) {
        std::fprintf(stderr, "cannot make a folder in %s\n", options->scratch.c_str());
        return 2;
    }
    const std::string prefix = (options->work / "wineprefix").string();
    setenv("WINE_RUN_PREFIX", prefix.c_str(), 1);
    setenv("WINEPREFIX", prefix.c_str(), 1);

    std::vector<IniScript> scripts = chosenScripts(options->deletesWithoutFile);
    inicompat::ScriptGenerator generator(options->seed);
    generator.setDeletesWithoutFile(options->deletesWithoutFile);
    for (std::size_t i = 0; i < options->count; ++i)
        scripts.push_back(generator.next());

    Comparison comparison(*options, scratch);
    const BatchOutcome outcome = comparison.play(scripts, "all", false);
    std::vector<std::size_t> differing;
    for (std::size_t i = 0; i < scripts.size(); ++i) {
        if (outcome.differs(i))
            differing.push_back(i);
    }
    int status = 0;
    if (!outcome.ran) {
        std::printf("a player failed (see above)\n");
        status = 2;
    } else if (differing.empty()) {
        std::printf("%zu scripts (seed %llu): every file and every read the same\n", scripts.size(),
                    static_cast<unsigned long long>(options->seed));
    } else {
        status = 1;
        std::printf("%zu of %zu scripts (seed %llu) end differently:", differing.size(), scripts.size(),
                    static_cast<unsigned long long>(options->seed));
        for (std::size_t i : differing)
            std::printf(" %s", scriptName(i).c_str());
        std::printf("\n\nthe first, %s:\n", scriptName(differing[0]).c_str());
        report(scripts[differing[0]], outcome, differing[0]);

        auto stillFails = [&comparison](const std::vector<IniScript>& batch) {
            const BatchOutcome tried = comparison.play(batch, "smaller", true);
            std::vector<bool> fails;
            for (std::size_t i = 0; i < batch.size(); ++i)
                fails.push_back(tried.ran && tried.differs(i));
            return fails;
        };
        const IniScript smallest = inicompat::minimizeScript(scripts[differing[0]], stillFails);
        const BatchOutcome last = comparison.play({smallest}, "smallest", true);
        std::printf("\nthe smallest script found that still differs:\n");
        report(smallest, last, 0);
        std::ofstream(options->work / "smallest.txt", std::ios::binary) << inicompat::formatScript(smallest);
    }
    comparison.stopWine();
    fs::remove_all(scratch);
    return status;
}
