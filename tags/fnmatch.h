#pragma once
// Wildcard matching of file names: "*" and "?", letter case ignored, stepping by whole
// characters of the ANSI code page (a Shift-JIS lead byte and its trail byte are one character).

#include <optional>
#include <string_view>

// Does Name match Pattern. No backtracking: a "*" takes the longest stretch of the name that
// still leaves an occurrence of the literal run after it.
bool WildMatch(std::string_view Name, std::string_view Pattern);
// Does Name match any of the patterns in Patterns, split at each Separator.
bool WildMatchList(std::string_view Name, std::string_view Patterns, std::string_view Separator);
// Offset of the last occurrence of Literal in Text, case ignored; nothing when there is none.
std::optional<size_t> FindLastOccurrence(std::string_view Text, std::string_view Literal);
