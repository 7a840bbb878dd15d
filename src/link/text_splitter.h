#pragma once

#include <string>
#include <string_view>
#include <vector>

// Splitting a text at a separator: n separators give n+1 pieces, empty ones included.
namespace calclink {

// Appends the pieces of text between the separators to list, emptying it first when clearFirst is set. "a||b|" at
// "|" gives a, "", b, ""; an empty text gives one empty piece. The separator matches whole GBK characters only (a "|"
// that is the second byte of a character does not split); an empty separator gives the whole text as one piece.
void splitText(std::string_view text, std::string_view separator, std::vector<std::string>& list, bool clearFirst);

}  // namespace calclink
