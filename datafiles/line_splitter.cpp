#include "datafiles/line_splitter.h"

namespace sheaver {
namespace {

// The text without the space characters at either end.
std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

enum class State {
  kBetweenWords,  // looking for the start of the next word
  kInQuotes,      // inside a quoted word
  kAfterQuote,    // a quote was seen inside a quoted word: closing quote or the first of ""
  kInPlainWord,   // inside an unquoted word
};

}  // namespace

WordList GetWords(std::string_view line) {
  WordList words;
  words.reserve(8);  // room for the words of a usual line without regrowing
  words.emplace_back();
  State state = State::kBetweenWords;
  std::string quoted;          // text of the quoted word being read
  std::size_t heldSpaces = 0;  // spaces seen after a quote that may be the closing one
  std::size_t plainStart = 0;  // where the plain word being read starts in the line

  // The line is scanned with a line feed appended: it ends the last word like a comma would.
  for (std::size_t i = 0; i <= line.size(); ++i) {
    const char c = i < line.size() ? line[i] : '\n';
    const bool separator = c == ',' || c == '\n';
    switch (state) {
      case State::kBetweenWords:
        if (c == ' ') break;
        if (c == '"') {
          quoted.clear();
          state = State::kInQuotes;
        } else if (separator) {
          words.emplace_back();
        } else {
          plainStart = i;
          state = State::kInPlainWord;
        }
        break;
      case State::kInQuotes:
        if (c == '"') {
          heldSpaces = 0;
          state = State::kAfterQuote;
        } else {
          quoted += c;
        }
        break;
      case State::kAfterQuote:
        if (c == '"') {
          // Not a closing quote after all: keep it and the spaces behind it, drop this one.
          quoted += '"';
          quoted.append(heldSpaces, ' ');
          state = State::kInQuotes;
        } else if (c == ' ') {
          ++heldSpaces;
        } else if (separator) {
          words.emplace_back(TrimSpaces(quoted));
          state = State::kBetweenWords;
        } else {
          return WordList(1);  // text after a closing quote: malformed
        }
        break;
      case State::kInPlainWord:
        if (separator) {
          words.emplace_back(TrimSpaces(line.substr(plainStart, i - plainStart)));
          state = State::kBetweenWords;
        }
        break;
    }
  }
  // Only a scan that ends between words is complete; an unclosed quote yields nothing.
  if (state != State::kBetweenWords) return WordList(1);
  return words;
}

std::string QuoteWord(std::string_view text) {
  std::string quoted;
  quoted.reserve(text.size() + 2);
  quoted += '"';
  for (char c : text) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  quoted += '"';
  return quoted;
}

}  // namespace sheaver
