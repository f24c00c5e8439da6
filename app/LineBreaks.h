// A multi-line text edited in a widget that knows only one kind of line break:
// the lines come back without their breaks, and each gets the break it had
// when it was shown (CR LF, lone CR, LF or a paragraph separator), so a text
// keeps its stored form in every line the user did not touch. Plain C++, UTF-8.
#pragma once

#include <string>
#include <vector>

namespace velmora {

// The line breaks a text editor splits a text at, longest first.
inline constexpr const char* LineBreakSequences[] = {
    "\r\n", "\r", "\n", "\xE2\x80\xA9" /* U+2029 paragraph separator */};

// The text of edited lines, joined by the breaks of stored: a line that
// matches the stored text from the start or from the end takes the break of
// its stored counterpart, a changed line the break of the stored line at its
// place, and a new line the stored text's first break (LF when it had none).
std::string withStoredLineBreaks(const std::string& stored, const std::vector<std::string>& lines);

} // namespace velmora
