#include "store/file_io.h"

#include <windows.h>

#include <atomic>
#include <cwctype>

#include "util/format.h"

namespace store::fileio {
namespace {

// FILETIME counts 100 ns from 1601; file stamps count ns from 1970.
std::int64_t toNanoseconds(const FILETIME& t) {
    const std::int64_t ticks = (static_cast<std::int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    return (ticks - 116444736000000000LL) * 100;
}

std::string describe(DWORD error) {
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
            return "文件夹不存在";
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return "没有写入权限（文件或文件夹是只读的，或正被其他程序使用）";
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return "磁盘空间不足";
        case ERROR_DIRECTORY:
            return "该路径是一个文件夹";
        default:
            return util::format("系统错误 %lu", static_cast<unsigned long>(error));
    }
}

class Handle {
  public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid())
            ::CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return h_ != INVALID_HANDLE_VALUE && h_ != nullptr; }
    HANDLE get() const { return h_; }
    void close() {
        if (valid())
            ::CloseHandle(h_);
        h_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE h_;
};

FileStamp stampFrom(const WIN32_FILE_ATTRIBUTE_DATA& data) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.modified = toNanoseconds(data.ftLastWriteTime);
    stamp.identity = static_cast<std::uint64_t>(toNanoseconds(data.ftCreationTime));
    return stamp;
}

}  // namespace

std::int64_t stampGranularity(const FileStamp& stamp) {
    if (stamp.modified % 1000000000 == 0)
        return 2100000000;  // FAT keeps two seconds
    return 50000000;        // the system clock advances by its timer tick
}

std::int64_t nowNanoseconds() {
    FILETIME t{};
    ::GetSystemTimeAsFileTime(&t);
    return toNanoseconds(t);
}

FileStamp stampOf(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return {};
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return {};
    return stampFrom(data);
}

ReadResult readFile(const std::filesystem::path& path) {
    ReadResult result;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) &&
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        result.error = describe(ERROR_DIRECTORY);
        return result;
    }
    Handle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            result.ok = true;
            return result;
        }
        result.error = describe(error);
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) {
        result.error = describe(::GetLastError());
        return result;
    }
    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    attrs.ftCreationTime = info.ftCreationTime;
    attrs.ftLastWriteTime = info.ftLastWriteTime;
    attrs.nFileSizeHigh = info.nFileSizeHigh;
    attrs.nFileSizeLow = info.nFileSizeLow;
    result.exists = true;
    result.stamp = stampFrom(attrs);
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(result.stamp.size));
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size())
            bytes.resize(got + 65536);
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - got, 1 << 30));
        if (!::ReadFile(file.get(), bytes.data() + got, want, &n, nullptr)) {
            result.error = describe(::GetLastError());
            return result;
        }
        if (n == 0)
            break;
        got += n;
    }
    bytes.resize(got);
    result.bytes = std::move(bytes);
    result.ok = true;
    return result;
}

std::filesystem::path writeTarget(const std::filesystem::path& path) {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return path;
    Handle file(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return path;
    wchar_t buffer[32768];
    const DWORD n = ::GetFinalPathNameByHandleW(file.get(), buffer, 32768, FILE_NAME_NORMALIZED);
    if (n == 0 || n >= 32768)
        return path;
    return std::filesystem::path(std::wstring(buffer, n));
}

std::optional<std::string> replaceFile(const std::filesystem::path& target,
                                       std::string_view bytes,
                                       const WriteOptions& options) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : L".";
    if (options.createFolder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return describe(ERROR_DIRECTORY);
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return describe(ERROR_ACCESS_DENIED);

    static std::atomic<unsigned> counter{0};
    const std::wstring tempLeaf = L"." + target.filename().wstring() + L"." + std::to_wstring(::GetCurrentProcessId()) +
                                  L"." + std::to_wstring(++counter) + L".tmp";
    const std::filesystem::path temp = folder / tempLeaf;
    Handle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return describe(::GetLastError());
    auto fail = [&temp, &file](DWORD error) {
        file.close();
        ::DeleteFileW(temp.c_str());
        return std::optional<std::string>(describe(error));
    };
    while (!bytes.empty()) {
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1 << 30));
        if (!::WriteFile(file.get(), bytes.data(), want, &n, nullptr))
            return fail(::GetLastError());
        bytes.remove_prefix(n);
    }
    if (!::FlushFileBuffers(file.get()))
        return fail(::GetLastError());
    file.close();
    // ReplaceFile keeps the old file's attributes and security; a new document is simply moved in place.
    if (exists &&
        ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return std::nullopt;
    if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return std::nullopt;
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    return describe(error);
}

void removeStaleTemporaries(const std::filesystem::path& target) {
    // Temporary files are named "." + the document's name + "." + process + "." + counter + ".tmp".
    const std::wstring prefix = L"." + target.filename().wstring() + L".";
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : L".";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        const std::wstring name = entry.path().filename().wstring();
        if (name.size() > prefix.size() + 4 && name.compare(0, prefix.size(), prefix) == 0 &&
            name.compare(name.size() - 4, 4, L".tmp") == 0 && entry.is_regular_file(ec))
            std::filesystem::remove(entry.path(), ec);
    }
}

DocumentLock::DocumentLock(const std::filesystem::path& target) {
    // A named mutex per document path, shared by every running copy in the session.
    std::error_code ec;
    std::wstring key = std::filesystem::absolute(target, ec).wstring();
    for (wchar_t& c : key)
        c = (c == L'\\') ? L'/' : static_cast<wchar_t>(std::towlower(c));
    std::uint64_t hash = 14695981039346656037ull;
    for (wchar_t c : key)
        hash = (hash ^ static_cast<std::uint16_t>(c)) * 1099511628211ull;
    const std::wstring name = L"Local\\Qelvo.Document." + std::to_wstring(hash);
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (mutex == nullptr)
        return;
    const DWORD wait = ::WaitForSingleObject(mutex, INFINITE);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        ::CloseHandle(mutex);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
}

DocumentLock::~DocumentLock() {
    if (handle_ != -1) {
        HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
    }
}

}  // namespace store::fileio
