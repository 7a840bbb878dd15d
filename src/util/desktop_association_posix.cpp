#include "util/desktop_association.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

#include "util/child_process.h"
#include "util/format.h"
#include "util/text_codec.h"

namespace util {

namespace {

// GBK texts of this file (the literals are GBK) as the UTF-8 that desktop files hold.
std::string utf8(const char* gbk) {
    return gbkToUtf8(gbk).value_or(std::string());
}

std::string gbkOf(const std::string& utf8Text) {
    return utf8ToGbk(utf8Text, true).value_or(utf8Text);
}

std::string shown(const std::filesystem::path& path) {
    return gbkOf(path.string());
}

std::string systemReason(int error) {
    return gbkOf(std::strerror(error));
}

std::filesystem::path homeFolder(const char* variable, const char* fallback) {
    if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home != nullptr && home[0] != '\0' ? home : ".") / fallback;
}

// Creates folder and its parents; empty or why not.
std::string makeFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !std::filesystem::is_directory(folder))
        return format("无法建立文件夹“%s”：%s", shown(folder).c_str(), systemReason(ec ? ec.value() : ENOTDIR).c_str());
    return {};
}

// Replaces path's content with bytes in one step (a temporary file beside it, renamed over it); empty or why not.
std::string writeFile(const std::filesystem::path& path, const std::string& bytes) {
    if (std::string why = makeFolder(path.parent_path()); !why.empty())
        return why;
    const std::filesystem::path temporary = path.string() + ".tmp-" + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int error = fd < 0 ? errno : 0;
    std::size_t written = 0;
    while (fd >= 0 && error == 0 && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno != EINTR)
            error = errno;
        else if (n > 0)
            written += static_cast<std::size_t>(n);
    }
    if (fd >= 0 && ::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error == 0)
        return {};
    ::unlink(temporary.c_str());
    return format("无法写入“%s”：%s", shown(path).c_str(), systemReason(error).c_str());
}

// Runs a tool of the desktop where it exists: nothing when it is not installed, otherwise empty or why it failed.
std::optional<std::string> runTool(const char* name, const std::vector<std::string>& arguments) {
    const std::optional<std::filesystem::path> tool = findOnPath(name);
    if (!tool)
        return std::nullopt;
    std::vector<std::string> argv = {tool->string()};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ChildOutcome outcome = runChild(*tool, argv, std::chrono::seconds(30), 16 * 1024);
    if (outcome.succeeded())
        return std::string();
    std::string complaint = outcome.err.substr(0, outcome.err.find('\n'));
    switch (outcome.end) {
        case ChildOutcome::End::NotStarted:
            return format("无法运行 %s：%s", name, systemReason(outcome.startError).c_str());
        case ChildOutcome::End::TimedOut:
            return format("%s 在30秒内没有结束", name);
        case ChildOutcome::End::Signalled:
            return format("%s 意外终止（信号 %d）", name, outcome.signal);
        case ChildOutcome::End::Exited:
            break;
    }
    if (complaint.empty())
        return format("%s 失败（退出码 %d）", name, outcome.exitCode);
    return format("%s 失败：%s", name, gbkOf(complaint).c_str());
}

// One argument of a desktop entry's Exec line as the desktop entry specification spells it: as it is, unless it holds
// a character the specification reserves, then in double quotes with ", `, $ and \ escaped; then every \ and % of
// the line escaped once more, as the value's own escapes and the field codes want. Quoting only what must be quoted
// matters: the generic road of xdg-open (xdg-utils 1.1) takes the first word of Exec as the program, quotes and all.
// Nothing for a path that cannot be spelled there.
std::optional<std::string> execArgument(const std::string& path) {
    static constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    if (path.find_first_of("\n\r\t") != std::string::npos)
        return std::nullopt;
    std::string argument;
    if (path.find_first_of(kReserved) == std::string::npos) {
        argument = path;
    } else {
        argument = "\"";
        for (char c : path) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    std::string line;
    for (char c : argument) {
        if (c == '\\')
            line += "\\\\";
        else if (c == '%')
            line += "%%";
        else
            line += c;
    }
    return line;
}

// The user's templates folder as xdg-user-dir names it; nothing when the tool is missing or names no folder of its
// own (it answers the home folder then).
std::optional<std::filesystem::path> templatesFolder() {
    const std::optional<std::filesystem::path> tool = findOnPath("xdg-user-dir");
    if (!tool)
        return std::nullopt;
    const ChildOutcome outcome = runChild(*tool, {tool->string(), "TEMPLATES"}, std::chrono::seconds(10), 4096);
    std::string folder = outcome.out.substr(0, outcome.out.find('\n'));
    if (!outcome.succeeded() || folder.empty())
        return std::nullopt;
    std::error_code ec;
    const char* home = std::getenv("HOME");
    if (!std::filesystem::is_directory(folder, ec) ||
        (home != nullptr && std::filesystem::equivalent(folder, home, ec)))
        return std::nullopt;
    return std::filesystem::path(folder);
}

}  // namespace

std::filesystem::path userDataHome() {
    return homeFolder("XDG_DATA_HOME", ".local/share");
}

std::filesystem::path userConfigHome() {
    return homeFolder("XDG_CONFIG_HOME", ".config");
}

std::string mimeTypePackage() {
    return std::string(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
               "  <mime-type type=\"") +
           kDocumentMimeType +
           "\">\n"
           "    <comment>Qelvo Document</comment>\n"
           "    <comment xml:lang=\"zh_CN\">" +
           utf8("Qelvo 人物档案") +
           "</comment>\n"
           "    <icon name=\"application-x-qelvo\"/>\n"
           "    <glob pattern=\"*.qelvo\"/>\n"
           "  </mime-type>\n"
           "</mime-info>\n";
}

std::string desktopEntry(const std::filesystem::path& program) {
    const std::string exec = execArgument(program.string()).value_or("qelvo");
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Qelvo\n"
           "Name[zh_CN]=" +
           utf8("Qelvo 星盘档案") +
           "\n"
           "Comment=Personal astrology card index\n"
           "Comment[zh_CN]=" +
           utf8("个人星盘卡片档案") +
           "\n"
           "Exec=" +
           exec +
           " %f\n"
           "Icon=qelvo\n"
           "Terminal=false\n"
           "MimeType=" +
           kDocumentMimeType +
           ";\n"
           "Categories=Office;\n";
}

std::string withDefaultApplication(const std::string& mimeappsList,
                                   const std::string& mimeType,
                                   const std::string& desktopEntryName) {
    const std::string entry = mimeType + "=" + desktopEntryName + ";";
    std::istringstream in(mimeappsList);
    std::string out, line;
    bool inDefaults = false, sawDefaults = false, written = false;
    while (std::getline(in, line)) {
        const bool header = !line.empty() && line.front() == '[';
        if (header && inDefaults && !written) {
            out += entry + "\n";
            written = true;
        }
        if (header) {
            inDefaults = line.rfind("[Default Applications]", 0) == 0;
            sawDefaults = sawDefaults || inDefaults;
        } else if (inDefaults && line.rfind(mimeType + "=", 0) == 0) {
            if (!written)
                out += entry + "\n";
            written = true;
            continue;
        }
        out += line + "\n";
    }
    if (!written) {
        if (!sawDefaults) {
            if (!out.empty() && out.back() == '\n' && out.size() > 1 && out[out.size() - 2] != '\n')
                out += "\n";
            out += "[Default Applications]\n";
        }
        out += entry + "\n";
    }
    return out;
}

std::string associateDocumentType(const DesktopAssociation& association) {
    if (!execArgument(association.program.string()))
        return format("程序的路径“%s”不能写进桌面文件", shown(association.program).c_str());
    const std::filesystem::path data = userDataHome();
    const std::filesystem::path mime = data / "mime";
    const std::filesystem::path applications = data / "applications";

    if (std::string why = writeFile(mime / "packages" / "qelvo.xml", mimeTypePackage()); !why.empty())
        return why;
    if (std::string why = writeFile(applications / kDesktopEntryName, desktopEntry(association.program)); !why.empty())
        return why;
    for (const auto& [size, png] : association.icons) {
        const std::filesystem::path theme = data / "icons" / "hicolor" / format("%dx%d", size, size);
        if (std::string why = writeFile(theme / "apps" / "qelvo.png", png); !why.empty())
            return why;
        if (std::string why = writeFile(theme / "mimetypes" / "application-x-qelvo.png", png); !why.empty())
            return why;
    }
    if (auto why = runTool("update-mime-database", {mime.string()}); why && !why->empty())
        return *why;
    if (auto why = runTool("update-desktop-database", {applications.string()}); why && !why->empty())
        return *why;

    if (auto why = runTool("xdg-mime", {"default", kDesktopEntryName, kDocumentMimeType})) {
        if (!why->empty())
            return *why;
    } else {
        const std::filesystem::path list = userConfigHome() / "mimeapps.list";
        std::ifstream in(list, std::ios::binary);
        std::ostringstream old;
        old << in.rdbuf();
        if (std::string failed =
                writeFile(list, withDefaultApplication(old.str(), kDocumentMimeType, kDesktopEntryName));
            !failed.empty())
            return failed;
    }

    // An empty document in the file manager's "New" menu, where the user has a templates folder; one already there
    // is kept as the user left it.
    if (const std::optional<std::filesystem::path> templates = templatesFolder()) {
        const std::filesystem::path empty = *templates / (utf8("Qelvo 文档") + ".qelvo");
        std::error_code ec;
        if (!std::filesystem::exists(empty, ec))
            return writeFile(empty, "");
    }
    return {};
}

}  // namespace util
