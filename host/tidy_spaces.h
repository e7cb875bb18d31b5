// Text as the system gives it (a processor's name, a compiler's version),
// tidied for a report: what the host description and the processor names
// both need, in a header of its own so that neither includes the other.
#pragma once

#include <cctype>
#include <string>

namespace velmark {

// Collapses runs of white space (and NULs) into one space and trims both ends.
inline std::string tidy_spaces(const std::string &text)
{
    std::string tidy;
    bool space = false;
    for (char c : text) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == '\0') {
            space = !tidy.empty();
            continue;
        }
        if (space) tidy += ' ';
        space = false;
        tidy += c;
    }
    return tidy;
}

}  // namespace velmark
