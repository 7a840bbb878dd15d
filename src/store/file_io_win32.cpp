#include "store/file_io.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <random>

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
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return "内存不足";
        default:
            return util::format("系统错误 %lu", static_cast<unsigned long>(error));
    }
}

constexpr const char* kNotRegular = "不是普通文件（而是设备、管道或套接字），文档只能是普通文件";

// A failed read says what it could not do.
std::string describeRead(DWORD error) {
    if (error == ERROR_ACCESS_DENIED)
        return "没有读取权限";
    return describe(error);
}

// The part of a temporary name that tells the document: prefix and a hash of its name, ignoring case as the file
// system does.
std::string temporaryStem(const std::filesystem::path& target) {
    std::uint32_t hash = 2166136261u;
    for (wchar_t c : target.filename().wstring()) {
        const auto unit = static_cast<std::uint16_t>(std::towlower(c));
        hash = (hash ^ (unit & 0xFF)) * 16777619u;
        hash = (hash ^ (unit >> 8)) * 16777619u;
    }
    return util::format("%s%08x-", std::string(kTemporaryPrefix).c_str(), static_cast<unsigned>(hash));
}

std::string randomLetters(std::size_t count) {
    static std::mt19937 random = [] {
        std::random_device device;
        LARGE_INTEGER now{};
        ::QueryPerformanceCounter(&now);
        return std::mt19937(device() ^ ::GetCurrentProcessId() ^ static_cast<unsigned>(now.QuadPart));
    }();
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string letters(count, '\0');
    for (char& c : letters)
        c = kLetters[random() % (sizeof kLetters - 1)];
    return letters;
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
        result.error = describeRead(error);
        return result;
    }
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        result.error = kNotRegular;
        return result;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!::GetFileInformationByHandle(file.get(), &info)) {
        result.error = describeRead(::GetLastError());
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
            result.error = describeRead(::GetLastError());
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

WriteResult replaceFile(const std::filesystem::path& target, std::string_view bytes, const WriteOptions& options) {
    WriteResult result;
    auto failed = [&result](DWORD error) {
        result.error = describe(error);
        return result;
    };
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : L".";
    if (options.createFolder) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
    }
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return failed(ERROR_DIRECTORY);
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY))
        return failed(ERROR_ACCESS_DENIED);
    if (exists) {
        Handle old(::CreateFileW(target.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (old.valid() && ::GetFileType(old.get()) != FILE_TYPE_DISK) {
            result.error = kNotRegular;
            return result;
        }
    }

    std::filesystem::path temp;
    HANDLE made = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && made == INVALID_HANDLE_VALUE; ++attempt) {
        const std::string name = temporaryName(target, randomLetters(8));
        temp = folder / std::filesystem::path(std::wstring(name.begin(), name.end()));
        made = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (made == INVALID_HANDLE_VALUE) {
            const DWORD error = ::GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return failed(error);
        }
    }
    Handle file(made);
    if (!file.valid())
        return failed(ERROR_FILE_EXISTS);
    auto fail = [&temp, &file, &failed](DWORD error) {
        file.close();
        ::DeleteFileW(temp.c_str());
        return failed(error);
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
        ::ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
        result.ok = true;
        return result;
    }
    if (::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        result.ok = true;
        return result;
    }
    const DWORD error = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    return failed(error);
}

std::string temporaryName(const std::filesystem::path& target, std::string_view letters) {
    return temporaryStem(target) + std::string(letters);
}

bool isTemporaryOf(std::string_view name, const std::filesystem::path& target) {
    const std::string stem = temporaryStem(target);
    if (name.size() != kTemporaryNameLength || name.substr(0, stem.size()) != stem)
        return false;
    for (const char c : name.substr(stem.size())) {
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

void removeStaleTemporaries(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : L".";
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator(folder, ec); !ec && it != std::filesystem::directory_iterator();
         it.increment(ec)) {
        const std::wstring wide = it->path().filename().wstring();
        if (wide.size() != kTemporaryNameLength ||
            std::any_of(wide.begin(), wide.end(), [](wchar_t c) { return c > 0x7F; }))
            continue;
        std::error_code entryError;
        if (isTemporaryOf(std::string(wide.begin(), wide.end()), target) && it->is_regular_file(entryError))
            std::filesystem::remove(it->path(), entryError);
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
    if (mutex == nullptr) {
        error_ = "无法锁定文档（" + describe(::GetLastError()) + "），为免与其他程序的写入冲突，没有写入";
        return;
    }
    const DWORD wait = ::WaitForSingleObject(mutex, INFINITE);
    if (wait != WAIT_OBJECT_0 && wait != WAIT_ABANDONED) {
        error_ = "无法锁定文档（" + describe(::GetLastError()) + "），为免与其他程序的写入冲突，没有写入";
        ::CloseHandle(mutex);
        return;
    }
    handle_ = reinterpret_cast<std::intptr_t>(mutex);
    held_ = true;
}

DocumentLock::~DocumentLock() {
    if (handle_ != -1) {
        HANDLE mutex = reinterpret_cast<HANDLE>(handle_);
        ::ReleaseMutex(mutex);
        ::CloseHandle(mutex);
    }
}

}  // namespace store::fileio
