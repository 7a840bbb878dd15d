// Applies INI scripts with the Windows private-profile functions and writes what they did, for comparison with our
// own engine. Built on its own with mingw-w64 (no project library) and run under Wine:
//
//   ini_compat_win.exe SCRIPTS RESULTS WORK
//
// Every SCRIPTS\NAME.txt is played against WORK\NAME.ini, which must not exist beforehand, and RESULTS\NAME.txt
// receives the outcome; the .ini is removed afterwards. All scripts run in one process, as Wine is slow to start.
//
// A script has one operation a line, every argument an "x" followed by its bytes in hex ("x" alone is empty):
//
//   set SECTION KEY VALUE      WritePrivateProfileStringA(section, key, value)
//   delete-key SECTION KEY     WritePrivateProfileStringA(section, key, NULL)
//   delete-section SECTION     WritePrivateProfileStringA(section, NULL, NULL)
//   clear SECTION              WritePrivateProfileSectionA(section, "")
//   read SECTION KEY           GetPrivateProfileStringA(section, key, ...)
//
// A result has "file xBYTES" (or "file none" when there is no file at the end), then "read xVALUE" (or "read none"
// when the key is missing) for each read, in order.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kMissing[] = "\x01";  // a default no value of a script can be

bool readWholeFile(const std::string& path, std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bytes.clear();
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return true;
}

bool writeWholeFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(file) && ok;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool decodeField(const std::string& field, std::string& bytes) {
    if (field.empty() || field[0] != 'x' || field.size() % 2 != 1)
        return false;
    bytes.clear();
    for (std::size_t i = 1; i < field.size(); i += 2) {
        const int high = hexDigit(field[i]), low = hexDigit(field[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes.push_back(static_cast<char>(high * 16 + low));
    }
    return true;
}

std::string encodeField(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out = "x";
    for (unsigned char c : bytes) {
        out.push_back(kDigits[c >> 4]);
        out.push_back(kDigits[c & 15]);
    }
    return out;
}

std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::size_t pos = 0;
    while (pos < line.size()) {
        const std::size_t end = std::min(line.find(' ', pos), line.size());
        if (end > pos)
            words.push_back(line.substr(pos, end - pos));
        pos = end + 1;
    }
    return words;
}

// Plays one script; false with a message on a malformed script.
bool play(const std::string& script, const std::string& iniPath, std::string& result, std::string& error) {
    std::string reads;
    std::size_t lineNumber = 0;
    std::size_t pos = 0;
    std::vector<char> buffer(1 << 16);
    while (pos < script.size()) {
        std::size_t end = script.find('\n', pos);
        if (end == std::string::npos)
            end = script.size();
        std::string line = script.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::vector<std::string> words = splitWords(line);
        if (words.empty() || words[0][0] == '#')
            continue;
        std::vector<std::string> args(words.size() - 1);
        bool ok = true;
        for (std::size_t i = 1; i < words.size(); ++i)
            ok = ok && decodeField(words[i], args[i - 1]);
        const std::string& op = words[0];
        const std::size_t wanted = op == "set" ? 3 : op == "delete-key" || op == "read" ? 2 : 1;
        if (!ok || args.size() != wanted ||
            (op != "set" && op != "delete-key" && op != "delete-section" && op != "clear" && op != "read")) {
            error = "line " + std::to_string(lineNumber) + ": cannot read \"" + line + "\"";
            return false;
        }
        const char* file = iniPath.c_str();
        if (op == "set") {
            WritePrivateProfileStringA(args[0].c_str(), args[1].c_str(), args[2].c_str(), file);
        } else if (op == "delete-key") {
            WritePrivateProfileStringA(args[0].c_str(), args[1].c_str(), nullptr, file);
        } else if (op == "delete-section") {
            WritePrivateProfileStringA(args[0].c_str(), nullptr, nullptr, file);
        } else if (op == "clear") {
            static const char kNoKeys[2] = {0, 0};
            WritePrivateProfileSectionA(args[0].c_str(), kNoKeys, file);
        } else {
            const DWORD length = GetPrivateProfileStringA(args[0].c_str(), args[1].c_str(), kMissing, buffer.data(),
                                                          static_cast<DWORD>(buffer.size()), file);
            const std::string value(buffer.data(), length);
            reads += value == kMissing ? "read none\n" : "read " + encodeField(value) + "\n";
        }
    }
    std::string bytes;
    result = readWholeFile(iniPath, bytes) ? "file " + encodeField(bytes) + "\n" : "file none\n";
    result += reads;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ini_compat_win SCRIPTS RESULTS WORK\n");
        return 2;
    }
    if (GetACP() != 936) {
        std::fprintf(stderr, "the ANSI code page is %u, not 936 (run with LC_ALL=zh_CN.UTF-8)\n", GetACP());
        return 2;
    }
    const std::string scripts = argv[1], results = argv[2], work = argv[3];
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((scripts + "\\*.txt").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names.emplace_back(found.cFileName, std::strlen(found.cFileName) - 4);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    int failures = 0;
    for (const std::string& name : names) {
        const std::string iniPath = work + "\\" + name + ".ini";
        std::string script, result, error;
        if (GetFileAttributesA(iniPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            error = iniPath + " exists already";
        } else if (!readWholeFile(scripts + "\\" + name + ".txt", script)) {
            error = "cannot read the script";
        } else if (play(script, iniPath, result, error) && !writeWholeFile(results + "\\" + name + ".txt", result)) {
            error = "cannot write the result";
        }
        DeleteFileA(iniPath.c_str());
        if (!error.empty()) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
            ++failures;
        }
    }
    std::printf("%u scripts played\n", static_cast<unsigned>(names.size()));
    return failures == 0 ? 0 : 1;
}
