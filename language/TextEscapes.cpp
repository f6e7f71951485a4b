#include "language/TextEscapes.h"

namespace {

// One left-to-right pass finds every occurrence: a replacement is never a backslash or a letter,
// so it cannot form a new sequence with its neighbours.
std::string replaceEscape(const std::string& text, char letter, char replacement) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\\' && at + 1 < text.size() && text[at + 1] == letter) {
            out += replacement;
            ++at;
        } else {
            out += text[at];
        }
    }
    return out;
}

}  // namespace

std::string applyTextEscapes(std::string text) {
    text = replaceEscape(text, 't', '\t');
    text = replaceEscape(text, 'n', '\n');
    return replaceEscape(text, 'r', '\r');
}
