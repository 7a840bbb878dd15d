#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ini_script.h"

// Random INI scripts, each starting from no file, the same ones for the same seed on every machine. They mix writes,
// deletes, clears and reads over a few section and key names that recur with their ASCII letters in other cases, GBK
// characters (those whose second byte is "]", "\" or an ASCII letter among them), blanks inside names and values,
// quotes, "=" and ";" in values, and reads of sections and keys that are not there.
//
// They keep to what our engine and the Windows functions as Wine implements them both do as Windows does: no blank
// or control character at either end of a value, no blank at the end of a name (Wine keeps those in what it writes
// and trims them when it next reads the file), no blank before the names of a delete or a clear (Wine does not trim
// those), nothing our engine refuses to write (IniDocument::checkEdit).
namespace inicompat {

class ScriptGenerator {
  public:
    explicit ScriptGenerator(std::uint64_t seed) : random_(seed) {}

    // Whether a script may delete and clear without ever setting a value, so that it ends with no file on the
    // Windows side. Off while our engine leaves an empty file there instead.
    void setDeletesWithoutFile(bool allow) { deletesWithoutFile_ = allow; }

    IniScript next();

  private:
    std::size_t below(std::size_t bound);
    bool chance(int percent) { return below(100) < static_cast<std::size_t>(percent); }

    std::string gbkCharacter();
    std::string nameCharacter();
    std::string newName(bool isKey);
    std::string spell(const std::string& name, bool mayIndent);  // the name as one call spells it
    std::string valuePart(std::size_t length);
    std::string newValue();

    std::mt19937_64 random_;
    bool deletesWithoutFile_ = false;
};

}  // namespace inicompat
