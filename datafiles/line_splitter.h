// Splitting one line of a table file into its words (cells): quoted or plain words separated by
// commas: the cell format that DataTable reads and writes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sheaver {

// A split line: element 0 is always empty and carries nothing; words are elements 1 to k in the
// order they stand in the line, so the number of words is size() - 1.
using WordList = std::vector<std::string>;

// The words of `line` (one line without its line end), in one pass over its characters.
// - Comma and line feed separate words; a line always holds at least one word ("" gives one empty
//   word, "," two).
// - A word that starts with a double quote runs to the matching closing quote; inside it commas,
//   line feeds and spaces are text and "" stands for one quote. Spaces between the closing quote
//   and the separator are dropped; a second quoted part after spaces ("ab" "cd") continues the
//   word, keeping the quote and the spaces (ab" cd).
// - Any other word runs to the next separator; quotes in it are ordinary characters.
// - Every word loses its leading and trailing spaces (the space character only, quoted words
//   too; tabs are ordinary characters).
// - A malformed line (a quote never closed, or text after a closing quote other than spaces and
//   a separator) yields no words at all: a list holding only the empty element 0.
// There is no limit on the number of words or on the length of the line.
WordList GetWords(std::string_view line);

// The writing half: text as a quoted word, in double quotes with each quote inside doubled.
// GetWords reads it back as text, but for leading and trailing spaces, which every word loses.
std::string QuoteWord(std::string_view text);

}  // namespace sheaver
