#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An INI text held in memory and read and edited exactly as the Windows private-profile functions read and write a
// file: names match ignoring ASCII case, blanks and one pair of outer quotes are trimmed from values, and an edit
// changes only the lines it must, every other byte staying as it was.
namespace store {

// One write, as the platform's write functions make it.
struct IniEdit {
    enum class Kind {
        SetValue,       // WritePrivateProfileString(section, key, value)
        DeleteKey,      // WritePrivateProfileString(section, key, NULL)
        DeleteSection,  // WritePrivateProfileString(section, NULL, NULL)
        ClearSection,   // WritePrivateProfileSection(section, "")
    };
    Kind kind = Kind::SetValue;
    std::string section;
    std::string key;
    std::string value;

    static IniEdit set(std::string section, std::string key, std::string value);
    static IniEdit deleteKey(std::string section, std::string key);
    static IniEdit deleteSection(std::string section);
    static IniEdit clearSection(std::string section);
};

// Why an edit cannot be made; the document is then left as it was.
struct IniEditError {
    std::size_t editIndex = 0;
    std::string reason;
};

// One key line of a section, as offsets into the document's text.
struct IniEntry {
    std::string_view key;    // trimmed
    std::string_view value;  // trimmed and unquoted, as a read returns it
};

// Reads fill small caches (a section's key index, the last section found): one thread uses a document at a time.
class IniDocument {
  public:
    IniDocument() = default;
    explicit IniDocument(std::string text);

    const std::string& text() const { return text_; }

    // The value of key in section (first section and first key of that name), or nullopt when either is missing.
    // Names are trimmed of blanks before use, as the platform does.
    std::optional<std::string_view> value(std::string_view section, std::string_view key) const;

    // The key lines of a section in file order (duplicates included), or nullopt when the section is missing.
    std::optional<std::vector<IniEntry>> entries(std::string_view section) const;

    // Calls visit(entry) for each key line of a section in file order, without keeping them; false when the
    // section is missing.
    bool forEachEntry(std::string_view section, const std::function<void(const IniEntry&)>& visit) const;

    bool hasSection(std::string_view section) const;

    // The names of all sections in file order, as their heads give them (trimmed; duplicates included).
    std::vector<std::string_view> sectionNames() const;
    std::size_t sectionCount() const { return sections_.size(); }

    // Calls visit(name, body) for each section in file order (duplicates included): its trimmed name, and the text
    // after its head line up to the next head, whose key lines the grammar of ini_grammar.h reads.
    void forEachSection(const std::function<void(std::string_view name, std::string_view body)>& visit) const;

    // The text that results from making the edits one after the other; the document itself does not change.
    // Fails, naming the first edit that cannot be made, when a name or value could not be written faithfully
    // (an empty name, a line break or NUL anywhere, a key that would not read back as a key, a section name with
    // a "]" of its own).
    struct EditResult {
        std::optional<std::string> text;
        IniEditError error;
    };
    EditResult withEdits(const std::vector<IniEdit>& edits) const;

    // Checks one edit's names and value without making it; the reason when it cannot be written.
    static std::optional<std::string> checkEdit(const IniEdit& edit);
    static std::optional<std::string> checkEdit(IniEdit::Kind kind,
                                                std::string_view section,
                                                std::string_view key,
                                                std::string_view value);

  private:
    friend class IniEditor;

    struct Section {
        std::uint32_t headStart;  // first byte of the head line
        std::uint32_t bodyStart;  // first byte after the head line's end
        std::uint32_t end;        // first byte of the next head line, or the end of the text
        std::uint32_t nameStart;
        std::uint32_t nameLength;
    };
    struct KeyLine {
        std::uint32_t lineStart;
        std::uint32_t lineEnd;  // before the line break
        std::uint32_t breakLength;
        std::uint32_t keyStart;
        std::uint32_t keyLength;
        std::uint32_t valueStart;
        std::uint32_t valueLength;
    };

    void indexSections();
    std::optional<std::size_t> findSection(std::string_view trimmedName) const;
    const std::vector<KeyLine>& keyLines(std::size_t section) const;
    std::optional<std::size_t> findKey(std::size_t section, std::string_view trimmedKey) const;

    std::string text_;
    std::uint32_t preambleEnd_ = 0;  // lines before the first head belong to no section
    std::vector<Section> sections_;
    std::vector<std::pair<std::uint64_t, std::uint32_t>> sectionsByHash_;  // sorted (hash, index)
    // Built on first use per section: its key lines, and for large sections (hash, position) pairs sorted for
    // lookup.
    mutable std::vector<std::vector<KeyLine>> keyLines_;
    mutable std::vector<std::vector<std::pair<std::uint64_t, std::uint32_t>>> keysByHash_;
    mutable std::vector<bool> keyLinesBuilt_;
    mutable std::string lastFoundName_;
    mutable std::size_t lastFoundSection_ = static_cast<std::size_t>(-1);
};

// Trims blanks (space and tab) from both ends.
inline std::string_view trimBlanks(std::string_view text) {
    std::size_t begin = 0, end = text.size();
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.substr(begin, end - begin);
}

// The hash under which names are looked up: of the name with ASCII case folded outside two-byte characters.
std::uint64_t nameHash(std::string_view name);

}  // namespace store
