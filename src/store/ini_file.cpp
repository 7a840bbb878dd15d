#include "store/ini_file.h"

#include <new>

#include "util/text_codec.h"

namespace store {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr const char* kOutOfMemory = "内存不足，文档太大";

}  // namespace

IniFile::IniFile(std::filesystem::path path)
    : path_(std::move(path)), document_(std::make_shared<const IniDocument>()) {}

bool IniFile::decode(std::string& bytes, std::string& text, Encoding& encoding) {
    if (bytes.substr(0, 2) == kUtf16LeBom) {
        auto gbk = util::utf16leToGbk(std::string_view(bytes).substr(2));
        if (!gbk)
            return false;
        text = std::move(*gbk);
        encoding = Encoding::Utf16Le;
    } else if (bytes.substr(0, 3) == kUtf8Bom) {
        text.assign(bytes, 3);
        encoding = Encoding::Utf8Bom;
    } else {
        text = std::move(bytes);
        encoding = Encoding::Plain;
    }
    return true;
}

std::optional<std::string> IniFile::encode(const std::string& text) const {
    switch (encoding_) {
        case Encoding::Plain:
            return text;
        case Encoding::Utf8Bom:
            return std::string(kUtf8Bom) + text;
        case Encoding::Utf16Le: {
            auto utf16 = util::gbkToUtf16le(text);
            if (!utf16)
                return std::nullopt;
            return std::string(kUtf16LeBom) + *utf16;
        }
    }
    return std::nullopt;
}

void IniFile::load(fileio::ReadResult read, std::int64_t readStart) {
    std::string text;
    Encoding encoding = Encoding::Plain;
    unreadable_ = !read.ok;
    raw_.clear();
    if (!read.ok) {
        lastError_ = read.error;
    } else if (read.exists && !decode(read.bytes, text, encoding)) {
        unreadable_ = true;
        lastError_ = "文件不是有效的 UTF-16 文本";
    } else if (text.size() > 0xFFFFFFF0u) {
        unreadable_ = true;
        lastError_ = "文件太大";
        text.clear();
    } else if (encoding != Encoding::Plain) {
        raw_ = std::move(read.bytes);  // a plain file's bytes are the document's text itself
    }
    document_ = std::make_shared<const IniDocument>(std::move(text));
    stamp_ = read.stamp;
    encoding_ = encoding;
    loaded_ = true;
    // A change made within the stamp's granularity of this one could keep the same stamp: until a check happens
    // well after the stamp, the content itself is compared.
    racy_ = read.stamp.exists && readStart - read.stamp.modified < fileio::stampGranularity(read.stamp);
}

bool IniFile::holds(std::string_view bytes) const {
    return encoding_ == Encoding::Plain ? bytes == document_->text() : bytes == raw_;
}

void IniFile::refresh() {
    if (scopeDepth_ > 0 && scopeChecked_)
        return;
    try {
        check();
    } catch (const std::bad_alloc&) {
        forget(kOutOfMemory);
    }
}

void IniFile::check() {
    const std::int64_t checkStart = fileio::nowNanoseconds();
    const fileio::FileStamp now = fileio::stampOf(path_);
    if (!loaded_ || unreadable_ || now != stamp_) {
        load(fileio::readFile(path_), checkStart);
    } else if (racy_) {
        fileio::ReadResult read = fileio::readFile(path_);
        if (!read.ok || read.stamp != stamp_ || !holds(read.bytes)) {
            load(std::move(read), checkStart);
        } else if (checkStart - stamp_.modified >= fileio::stampGranularity(stamp_)) {
            racy_ = false;
        }
    }
    scopeChecked_ = scopeDepth_ > 0;
}

std::shared_ptr<const IniDocument> IniFile::document() {
    refresh();
    return document_;
}

std::optional<std::string> IniFile::read(std::string_view section, std::string_view key) {
    refresh();
    try {
        if (auto value = document_->value(section, key))
            return std::string(*value);
    } catch (const std::bad_alloc&) {
        forget(kOutOfMemory);
    }
    return std::nullopt;
}

bool IniFile::write(const std::vector<IniEdit>& edits) {
    for (const IniEdit& edit : edits) {
        if (auto reason = IniDocument::checkEdit(edit)) {
            lastError_ = *reason;
            return false;
        }
    }
    return update([&edits](const IniDocument&, IniEditor& editor) -> std::optional<std::string> {
        for (const IniEdit& edit : edits) {
            if (auto reason = editor.apply(edit))
                return reason;
        }
        return std::nullopt;
    });
}

bool IniFile::update(const EditFunction& makeEdits) {
    try {
        // A new document that another copy made meanwhile is written again, under that document's lock.
        for (int attempt = 0;; ++attempt) {
            const std::optional<bool> done = updateOnce(makeEdits);
            if (done)
                return *done;
            if (attempt == 100) {
                lastError_ = "文档一直在被其他程序创建和删除";
                return false;
            }
        }
    } catch (const std::bad_alloc&) {
        forget(kOutOfMemory);
        return false;
    }
}

std::optional<bool> IniFile::updateOnce(const EditFunction& makeEdits) {
    lastError_.clear();
    const std::filesystem::path target = fileio::writeTarget(path_);
    const fileio::DocumentLock lock(target);
    if (!lock.held()) {
        lastError_ = lock.error();
        return false;
    }
    // Under the lock, start from what is on disk now, whatever a scope has seen.
    scopeChecked_ = false;
    refresh();
    if (unreadable_)
        return false;  // lastError_ says why; writing would lose what could not be read
    // Even a write that changes nothing takes away what killed writers left.
    if (!lock.newDocument())
        fileio::removeStaleTemporaries(target);
    const std::shared_ptr<const IniDocument> current = document_;
    std::string text;
    {
        IniEditor editor(*current);
        if (auto reason = makeEdits(*current, editor)) {
            lastError_ = *reason;
            return false;
        }
        text = editor.text();
    }
    if (text == current->text())
        return true;
    // A plain file is written from the text itself; the other encodings keep their bytes for comparisons.
    std::optional<std::string> bytes;
    if (encoding_ != Encoding::Plain) {
        bytes = encode(text);
        if (!bytes) {
            lastError_ = "文字无法以文件的 UTF-16 编码保存";
            return false;
        }
    }
    const fileio::WriteResult written =
        fileio::replaceFile(target, bytes ? *bytes : text, {createFolder_, lock.newDocument()});
    if (written.appeared)
        return std::nullopt;
    if (!written.ok) {
        lastError_ = written.error;
        return false;
    }
    if (lock.newDocument()) {
        // Now there is a document to lock, under which what killed writers of it left can go.
        const fileio::DocumentLock made(target);
        if (made.held() && !made.newDocument())
            fileio::removeStaleTemporaries(target);
    }
    // The file now holds what was just written; its stamp is taken afresh and, being new, stays under suspicion
    // until the content has been compared once more after the stamp's granularity.
    document_ = std::make_shared<const IniDocument>(std::move(text));
    raw_ = bytes ? std::move(*bytes) : std::string();
    stamp_ = fileio::stampOf(path_);
    loaded_ = true;
    unreadable_ = false;
    racy_ = true;
    scopeChecked_ = false;
    return true;
}

void IniFile::forget(const char* reason) {
    // What memory the cached version held is given back; the next read loads the file again.
    document_ = std::make_shared<const IniDocument>();
    std::string().swap(raw_);
    stamp_ = {};
    loaded_ = false;
    unreadable_ = true;
    racy_ = false;
    scopeChecked_ = scopeDepth_ > 0;  // a scope keeps this state rather than loading the file at every read
    lastError_ = reason;
}

}  // namespace store
