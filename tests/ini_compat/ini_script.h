#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The scripts that the INI comparison plays against both the Windows private-profile functions and our engine, and
// the outcomes they leave, in the text form both players read and write (see ini_compat_win.cpp for the grammar).
namespace inicompat {

struct IniOp {
    enum class Kind { Set, DeleteKey, DeleteSection, Clear, Read };
    Kind kind = Kind::Set;
    std::string section;
    std::string key;    // Set, DeleteKey, Read
    std::string value;  // Set

    bool operator==(const IniOp&) const = default;
};

using IniScript = std::vector<IniOp>;

// What a script leaves: the file's bytes (nullopt when there is no file) and each read's value (nullopt: missing).
struct IniOutcome {
    std::optional<std::string> file;
    std::vector<std::optional<std::string>> reads;
    std::vector<std::string> problems;  // writes our engine refused, with its reasons
};

std::string formatScript(const IniScript& script);
// Nullopt, with the reason in error, when a line is not an operation.
std::optional<IniScript> parseScript(std::string_view text, std::string& error);

std::string formatOutcome(const IniOutcome& outcome);

// Readable forms for failure reports: bytes outside printable ASCII as \xNN, line breaks as \r and \n.
std::string quoteBytes(std::string_view bytes);
std::string describeScript(const IniScript& script);
// An outcome text as formatOutcome writes it, made readable; text that does not parse is shown as it is.
std::string describeOutcome(std::string_view outcomeText);

}  // namespace inicompat
