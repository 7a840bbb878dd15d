#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "store/ini_file.h"
#include "util/mvs.h"

// The profile store: the one road to the person document. It fixes the document once at start-up, then reads a
// key, writes keys, or removes a section of it on request. Reads never create the file; writes are atomic and
// report failure (SetMyKey returns false, lastError() says why).
class CChkUid {
  public:
    CChkUid();
    ~CChkUid();

    // Fixes the document: path when it is not empty, unchanged; otherwise "cfg" + extension beside the program, or,
    // where the program's folder cannot be written (an installed program), the same name in the user's data folder.
    void InitChkCfg(const std::filesystem::path& path, std::string_view extension);

    // The whole value stored under key in section; the empty text when the file, section or key is missing.
    std::string GetMyKey(std::string_view section, std::string_view key);

    // Stores value under key in section, creating the file, section and key as needed.
    bool SetMyKey(std::string_view section, std::string_view key, std::string_view value);

    // Makes several writes as one replacement of the file, with the same result as the single writes in order.
    bool SetMyKeys(const std::vector<store::IniEdit>& edits);

    // Mode 7 empties the section and keeps its head; any other mode removes the section with its head.
    bool delMyJie(std::string_view section, int mode);

    // Why the last write failed (GBK).
    const std::string& lastError() const;

    const std::filesystem::path& documentPath() const { return documentPath_; }
    const std::filesystem::path& programFolder() const { return programFolder_; }

    // The document file, for consistent multi-key reads (IniFile::ReadScope) and whole-document work.
    store::IniFile& file();

  private:
    CMvs mvs_;
    std::filesystem::path programFolder_;
    std::filesystem::path documentPath_;
    std::unique_ptr<store::IniFile> file_;
};
