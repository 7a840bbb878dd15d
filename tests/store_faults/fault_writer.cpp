// The other process of the store's fault tests.
//
//   store_fault_writer FILE cycle PERSONS
//       Saves persons 1..PERSONS in turn, each save one generation past the base counters, until it is killed.
//       Writes "r" to standard output once the document is open, and "s" after each save.
//   store_fault_writer FILE persons FIRST COUNT ROUNDS
//       Round r = 1..ROUNDS saves person FIRST + r % COUNT at generation r, then adds one to the base key "hits"
//       as a read-modify-write under the document's lock.
//   store_fault_writer FILE overwrite in-place|keep-mtime|replace-keep-mtime OLD NEW [OLD NEW ...]
//       Changes the file behind the store: each OLD becomes NEW of the same length, written into the file itself,
//       the same with the old modification time put back, or a new file renamed over it with the old time.
//
//   store_fault_writer peak PROGRAM [ARG...]
//       Runs PROGRAM with its output thrown away and writes its exit code and its peak resident memory in KiB to
//       standard output. (A child's peak counts the memory of the process it was started from; this one is small.)
//
// Exit status 0 done, 2 failed (a message on standard error says why).
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "generations.h"
#include "store/chk_uid.h"
#include "store/person_document.h"

namespace {

int fail(const std::string& message) {
    std::fprintf(stderr, "store_fault_writer: %s\n", message.c_str());
    return 2;
}

int cycle(CChkUid& store, int persons) {
    const std::optional<int> start =
        store::documentForm(store) == store::DocumentForm::Current ? faults::baseGeneration(store) : std::nullopt;
    if (!start)
        return fail("the document has no base counters of one generation");
    if (::write(1, "r", 1) != 1)
        return fail("cannot report ready");
    for (int generation = *start + 1;; ++generation) {
        if (!store.SetMyKeys(faults::countedSave(generation % persons + 1, generation)))
            return fail("save failed: " + store.lastError());
        if (::write(1, "s", 1) != 1)
            return fail("cannot report a save");
    }
}

int persons(CChkUid& store, int first, int count, int rounds) {
    const std::string base(store::kBaseSection);
    for (int round = 1; round <= rounds; ++round) {
        if (!store.SetMyKeys(faults::personSave(first + round % count, round)))
            return fail("save failed: " + store.lastError());
        const bool counted = store.file().update(
            [&base](const store::IniDocument& current, store::IniEditor& editor) -> std::optional<std::string> {
                const int hits = std::atoi(std::string(current.value(base, "hits").value_or("0")).c_str());
                return editor.apply(store::IniEdit::set(base, "hits", std::to_string(hits + 1)));
            });
        if (!counted)
            return fail("update failed: " + store.lastError());
    }
    return 0;
}

bool writeAll(int fd, const std::string& bytes) {
    return ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

int overwrite(const char* file, const std::string& mode, const std::vector<std::string>& pairs) {
    if (mode != "in-place" && mode != "keep-mtime" && mode != "replace-keep-mtime")
        return fail("no mode " + mode);
    struct stat old {};
    FILE* in = std::fopen(file, "rb");
    if (in == nullptr || ::fstat(fileno(in), &old) != 0)
        return fail("cannot open the file");
    std::string bytes(static_cast<std::size_t>(old.st_size), '\0');
    const bool read = std::fread(bytes.data(), 1, bytes.size(), in) == bytes.size();
    std::fclose(in);
    if (!read)
        return fail("cannot read the file");
    for (std::size_t i = 0; i + 1 < pairs.size(); i += 2) {
        const std::size_t at = bytes.find(pairs[i]);
        if (at == std::string::npos || pairs[i].size() != pairs[i + 1].size())
            return fail("no text " + pairs[i] + " to replace by one of its length");
        bytes.replace(at, pairs[i].size(), pairs[i + 1]);
    }
    const timespec times[2] = {old.st_atim, old.st_mtim};
    if (mode == "replace-keep-mtime") {
        const std::string temporary = std::string(file) + ".new";
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC, old.st_mode & 07777);
        if (fd < 0 || !writeAll(fd, bytes) || ::futimens(fd, times) != 0 || ::close(fd) != 0 ||
            ::rename(temporary.c_str(), file) != 0)
            return fail("cannot replace the file");
        return 0;
    }
    const int fd = ::open(file, O_WRONLY);
    if (fd < 0 || !writeAll(fd, bytes))
        return fail("cannot write the file");
    if (mode == "keep-mtime" && ::futimens(fd, times) != 0)
        return fail("cannot set the file's times");
    if (::close(fd) != 0)
        return fail("cannot close the file");
    return 0;
}

int peak(char** argv) {
    const pid_t pid = ::fork();
    if (pid < 0)
        return fail("cannot start the program");
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR)
            return fail("cannot wait for the program");
    }
    std::printf("%d %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 3 && args[1] == "cycle") {
        CChkUid store;
        store.InitChkCfg(args[0], ".qelvo");
        return cycle(store, std::atoi(args[2].c_str()));
    }
    if (args.size() == 5 && args[1] == "persons") {
        CChkUid store;
        store.InitChkCfg(args[0], ".qelvo");
        return persons(store, std::atoi(args[2].c_str()), std::atoi(args[3].c_str()), std::atoi(args[4].c_str()));
    }
    if (args.size() >= 2 && args[0] == "peak")
        return peak(argv + 2);
    if (args.size() >= 5 && args[1] == "overwrite" && args.size() % 2 == 1)
        return overwrite(argv[1], args[2], {args.begin() + 3, args.end()});
    return fail(
        "usage: FILE cycle PERSONS | FILE persons FIRST COUNT ROUNDS | FILE overwrite MODE OLD NEW... | peak PROGRAM "
        "ARG...");
}
