#include "store/chk_uid.h"

#include <system_error>

CChkUid::CChkUid() : file_(std::make_unique<store::IniFile>(std::filesystem::path())) {}

CChkUid::~CChkUid() = default;

void CChkUid::InitChkCfg(const std::filesystem::path& path, std::string_view extension) {
    programFolder_ = mvs_.getAppPath(true);
    bool createFolder = false;
    if (!path.empty()) {
        documentPath_ = path;
    } else {
        const std::filesystem::path name = "cfg" + std::string(extension);
        const std::filesystem::path besideProgram = programFolder_ / name;
        const std::filesystem::path userData = mvs_.userDataFolder() / name;
        std::error_code ec;
        // A document beside the program wins; then one already in the user's data; then beside the program when
        // that folder can take a new file; otherwise the user's data folder, created at the first write.
        if (std::filesystem::exists(besideProgram, ec) || mvs_.userDataFolder().empty()) {
            documentPath_ = besideProgram;
        } else if (std::filesystem::exists(userData, ec)) {
            documentPath_ = userData;
        } else if (mvs_.canCreateFileIn(programFolder_)) {
            documentPath_ = besideProgram;
        } else {
            documentPath_ = userData;
            createFolder = true;
        }
    }
    file_ = std::make_unique<store::IniFile>(documentPath_);
    file_->setCreateFolder(createFolder);
}

std::string CChkUid::GetMyKey(std::string_view section, std::string_view key) {
    return file_->read(section, key).value_or(std::string());
}

bool CChkUid::SetMyKey(std::string_view section, std::string_view key, std::string_view value) {
    return SetMyKeys({store::IniEdit::set(std::string(section), std::string(key), std::string(value))});
}

bool CChkUid::SetMyKeys(const std::vector<store::IniEdit>& edits) {
    return file_->write(edits);
}

bool CChkUid::delMyJie(std::string_view section, int mode) {
    const std::string name(section);
    return file_->write({mode == 7 ? store::IniEdit::clearSection(name) : store::IniEdit::deleteSection(name)});
}

const std::string& CChkUid::lastError() const {
    return file_->lastError();
}

store::IniFile& CChkUid::file() {
    return *file_;
}
