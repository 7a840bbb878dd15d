#include "tool_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>

#include "store/file_io.h"
#include "util/format.h"
#include "util/text_codec.h"

namespace {

// The system's reason for errno (ASCII in the C locale the tool's messages keep), as GBK.
std::string reasonOf(int error) {
    const std::string reason = std::strerror(error);
    return util::utf8ToGbk(reason, true).value_or(reason);
}

std::filesystem::path folderOf(const std::filesystem::path& path) {
    return path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
}

bool sameName(const std::filesystem::path& a, const std::filesystem::path& b) {
#if defined(_WIN32)
    // Windows names a file in any case of its letters.
    const std::wstring x = a.wstring(), y = b.wstring();
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](wchar_t l, wchar_t r) {
               return std::towlower(static_cast<wint_t>(l)) == std::towlower(static_cast<wint_t>(r));
           });
#else
    return a == b;
#endif
}

}  // namespace

std::optional<std::string> writeStandardOutput(std::string_view bytes) {
    // A full disk, a file-size limit or a reader that went away: each is a failure of the command, not a success
    // with its output lost.
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() && std::fflush(stdout) == 0)
        return std::nullopt;
    const int error = errno != 0 ? errno : EIO;
    std::clearerr(stdout);
    return util::format("无法写出到标准输出：%s", reasonOf(error).c_str());
}

bool namesTheDocument(const std::filesystem::path& output, const std::filesystem::path& document) {
    std::error_code ec;
    if (std::filesystem::equivalent(output, document, ec))
        return true;
    // Neither exists yet (or one cannot be looked at): the files a write would make are compared, by their folders
    // (which may themselves be named in many ways) and their names.
    const std::filesystem::path out = store::fileio::writeTarget(output);
    const std::filesystem::path doc = store::fileio::writeTarget(document);
    std::error_code outMissing, docMissing;
    if (std::filesystem::exists(out, outMissing) || std::filesystem::exists(doc, docMissing))
        return false;
    if (!sameName(out.filename(), doc.filename()))
        return false;
    return std::filesystem::equivalent(folderOf(out), folderOf(doc), ec) ||
           (ec && folderOf(out).lexically_normal() == folderOf(doc).lexically_normal());
}

std::optional<std::string> writeOutputFile(const std::filesystem::path& output,
                                           const std::string& named,
                                           const std::filesystem::path& document,
                                           std::string_view bytes) {
    if (namesTheDocument(output, document))
        return util::format("“%s”就是文档本身，不能写到那里；什么也没有写。", named.c_str());
    const store::fileio::WriteResult write = store::fileio::replaceFile(store::fileio::writeTarget(output), bytes);
    if (!write.ok)
        return util::format("无法写入“%s”：%s", named.c_str(), write.error.c_str());
    return std::nullopt;
}
