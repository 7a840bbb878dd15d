#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "store/ini_document.h"

// Makes edits on an IniDocument one after the other, as the platform's write functions would make them on the file,
// and gives the resulting text. Only the sections that edits reach are copied; the rest is written out as it stands.
namespace store {

class IniEditor {
  public:
    explicit IniEditor(const IniDocument& doc);
    ~IniEditor();
    IniEditor(const IniEditor&) = delete;
    IniEditor& operator=(const IniEditor&) = delete;

    // Makes one edit; the reason when it cannot be written faithfully (then nothing changed).
    std::optional<std::string> apply(const IniEdit& edit);
    std::optional<std::string> apply(IniEdit::Kind kind,
                                     std::string_view section,
                                     std::string_view key = {},
                                     std::string_view value = {});

    // Sets each key to its value in one section (keys distinct), as the single edits in order would; a section that
    // does not exist yet is made in one step. The reason when an edit cannot be written (then nothing changed).
    std::optional<std::string> setValues(std::string_view section,
                                         const std::string_view* keys,
                                         const std::string_view* values,
                                         std::size_t count);

    // Keeps of the first section of that name only the key lines whose place among its key lines (in file order,
    // from 0) is marked in keep; with none kept the section goes as DeleteSection removes it. Comments, blank and
    // odd lines stay. A missing section is left alone.
    void keepKeyLines(std::string_view section, const std::vector<bool>& keep);

    // Text that text() writes after everything else, made only then by write, which appends it to the text it is
    // given: many new sections at once, without the editor holding their lines. The caller vouches that it is whole
    // lines, each ended by a line break, that no other section or edit bears the names of its sections, and that
    // write appends exactly size bytes.
    void appendLater(std::size_t size, std::function<void(std::string& out)> write);

    // The document's text with every edit made so far.
    std::string text() const;

  private:
    static constexpr std::size_t kUntouched = std::numeric_limits<std::size_t>::max();
    static constexpr std::size_t kDeletedUntouched = kUntouched - 1;  // deleted before any other edit

    // One line, 32 bytes: a document of 100,000 persons has millions of them.
    struct Line {
        const char* data = nullptr;  // the text without its break
        std::uint32_t length = 0;
        std::uint32_t keyStart = 0, keyLength = 0, equalsAt = 0;
        std::uint8_t lineBreak = 0;  // an index into kBreaks
        bool isHead = false;
        bool isKey = false;

        std::string_view text() const { return {data, length}; }
        void setText(std::string_view text) {
            data = text.data();
            length = static_cast<std::uint32_t>(text.size());
        }
    };
    static constexpr std::string_view kBreaks[] = {"", "\r\n", "\n", "\r"};
    static std::uint8_t breakIndex(std::string_view lineBreak);

    struct EditSection {
        std::string_view name;
        bool alive = true;
        // Bits of the hashes of every key ever added: a key whose bit is clear is certainly not there.
        std::array<std::uint64_t, 4> keyFilter{};
        std::size_t nextWithSameHash = kUntouched;  // the appended section of the same name hash made before it
        std::vector<Line> lines;                    // lines[0] is the head while alive
    };

    template <typename Append>
    static void writeLines(const EditSection& sec, Append& append);
    static Line makeLine(std::string_view text, std::uint8_t lineBreak, bool isHead);
    static std::optional<std::size_t> findKeyLine(const EditSection& sec, std::string_view key, std::uint64_t hash);

    std::string_view store(std::string_view a,
                           std::string_view b = {},
                           std::string_view c = {},
                           std::string_view d = {});
    std::size_t touch(std::size_t original);
    std::optional<std::size_t> findAlive(std::string_view name);
    std::optional<std::size_t> findUntouched(std::string_view name) const;
    // The first section of the original text with that name that is neither deleted nor touched and dead.
    std::optional<std::size_t> firstLiveOriginal(std::string_view name, std::uint64_t hash) const;
    void setValue(std::string_view section, std::string_view key, std::string_view value);
    void setValuesInSection(std::size_t index,
                            const std::string_view* keys,
                            const std::string_view* values,
                            std::size_t count);
    std::size_t appendSection(std::string_view section);
    static Line newKeyLine(std::string_view text, std::size_t keyLength);

    const IniDocument& doc_;
    std::string_view text_;
    std::vector<std::size_t> touched_;  // original section -> index in sections_
    std::vector<EditSection> sections_;
    std::vector<std::size_t> appended_;
    std::unordered_map<std::uint64_t, std::size_t> appendedByHash_;  // the newest appended section of a hash
    std::string checkedSection_;                                     // the section name the last edit checked
    // The section the last edit went to: edits come in runs on one section.
    std::string lastName_;
    std::size_t lastSection_ = kUntouched;
    std::vector<std::unique_ptr<char[]>> arena_;
    std::size_t arenaSize_ = 0, arenaUsed_ = 0, extraBytes_ = 0;
    std::vector<std::function<void(std::string&)>> later_;
    std::size_t laterBytes_ = 0;
};

}  // namespace store
