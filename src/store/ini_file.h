#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/file_io.h"
#include "store/ini_document.h"
#include "store/ini_editor.h"

// An INI file on disk, read and written through IniDocument. A parsed copy is kept and reused only while the file
// on disk is unchanged (checked on every read, or once per ReadScope); every write is one atomic replacement of the
// file under a lock that other running copies respect, and a failed write changes nothing and says why.
namespace store {

class IniFile {
  public:
    explicit IniFile(std::filesystem::path path);

    const std::filesystem::path& path() const { return path_; }

    // Create the document's missing folders on its first write (for the default document in the user's data).
    void setCreateFolder(bool create) { createFolder_ = create; }

    // The value as a read returns it, or nullopt when the file, the section or the key is missing. A file that
    // exists but cannot be read (or does not fit in memory) counts as missing, and lastError() says why.
    std::optional<std::string> read(std::string_view section, std::string_view key);

    // The document as it is on disk now (checked as a read is); never null.
    std::shared_ptr<const IniDocument> document();

    // Makes the edits in order and replaces the file once. False when an edit cannot be made or the file cannot be
    // written; then nothing on disk has changed, and lastError() says why.
    bool write(const std::vector<IniEdit>& edits);

    // A read-modify-write under the lock: makeEdits sees the document as it is on disk now and makes its edits
    // with the editor; returning a reason aborts the write. The file is replaced once, at the end. makeEdits runs
    // again when another copy created the document meanwhile. A document that does not fit in memory fails the
    // write, saying so, and stays as it is.
    using EditFunction = std::function<std::optional<std::string>(const IniDocument& current, IniEditor& editor)>;
    bool update(const EditFunction& makeEdits);

    const std::string& lastError() const { return lastError_; }

    // Whether the file exists but could not be read at the last check (lastError() then says why).
    bool unreadable() const { return unreadable_; }

    // While a scope is open, the file is checked at the first read only: every read of the scope sees the same
    // version of the document. Scopes nest; writes end the shared version.
    class ReadScope {
      public:
        explicit ReadScope(IniFile& file) : file_(file) { ++file_.scopeDepth_; }
        ~ReadScope() {
            if (--file_.scopeDepth_ == 0)
                file_.scopeChecked_ = false;
        }
        ReadScope(const ReadScope&) = delete;
        ReadScope& operator=(const ReadScope&) = delete;

      private:
        IniFile& file_;
    };

  private:
    enum class Encoding { Plain, Utf8Bom, Utf16Le };

    // Checks the file and reloads it when it changed; a file that does not fit in memory leaves the file
    // unreadable (lastError() says so) instead of throwing.
    void refresh();
    void check();
    // Drops the cached version after a failure; the file counts as unreadable for reason until the next check.
    void forget(const char* reason);
    // One attempt of update(): the result, or nullopt when the document appeared meanwhile and it starts over.
    std::optional<bool> updateOnce(const EditFunction& makeEdits);
    void load(fileio::ReadResult read, std::int64_t readStart);
    // The text of a file's bytes; takes the bytes' storage when the file is plain GBK.
    static bool decode(std::string& bytes, std::string& text, Encoding& encoding);
    // Whether bytes read from disk are those the cached document was made from.
    bool holds(std::string_view bytes) const;
    std::optional<std::string> encode(const std::string& text) const;

    std::filesystem::path path_;
    bool createFolder_ = false;
    std::string lastError_;

    // The cached version of the file.
    std::shared_ptr<const IniDocument> document_;
    std::string raw_;  // the bytes on disk the document was made from, when they differ from its text
    fileio::FileStamp stamp_;
    Encoding encoding_ = Encoding::Plain;
    bool loaded_ = false;
    bool unreadable_ = false;
    bool racy_ = false;  // the stamp alone cannot yet vouch for the content

    int scopeDepth_ = 0;
    bool scopeChecked_ = false;
};

}  // namespace store
