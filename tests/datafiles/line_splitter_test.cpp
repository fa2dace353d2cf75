#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datafiles/line_splitter.h"

namespace sheaver {
namespace {

// The words of a line (elements 1..k), after checking that element 0 is empty.
std::vector<std::string> WordsOf(std::string_view line) {
  WordList list = GetWords(line);
  EXPECT_FALSE(list.empty()) << "the list always has element 0";
  if (list.empty()) return {};
  EXPECT_EQ(list[0], "") << "element 0 carries nothing";
  return std::vector<std::string>(list.begin() + 1, list.end());
}

struct SplitCase {
  std::string line;
  std::vector<std::string> words;  // empty: the line yields no words
};

using Words = std::vector<std::string>;

TEST(GetWords, SplitsLinesByTheStateTable) {
  const SplitCase cases[] = {
      // Separators and empty words.
      {"a,b", {"a", "b"}},
      {"", {""}},
      {",", {"", ""}},
      {"a\nb", {"a", "b"}},  // a line feed inside the line separates like a comma
      // Plain words: trimmed of spaces only; quotes inside are ordinary.
      {"  a b  ,c", {"a b", "c"}},
      {"ab\"c,d", {"ab\"c", "d"}},
      // Quoted words.
      {"\"a,b\",c", {"a,b", "c"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\"  x  \"  ", {"x"}},
      {"\"ab\"  \"x\"", {"ab\"  x"}},  // the held spaces stay inside the word
      {"\"ab\"  \"\"", {"ab\""}},      // ... and go with the trim when nothing follows
      {"\"Grüße, Jürgen\",Zoë", {"Grüße, Jürgen", "Zoë"}},
      // Malformed lines yield nothing, even after good words.
      {"\"abc", {}},
      {"\"ab\"c,d", {}},
  };
  for (const SplitCase& c : cases) {
    SCOPED_TRACE("line: [" + c.line + "]");
    EXPECT_EQ(WordsOf(c.line), c.words);
  }
}

TEST(GetWords, LongLinesKeepEveryWord) {
  const std::string longWord(40000, 'x');
  EXPECT_EQ(WordsOf(longWord + ",y"), Words({longWord, "y"}));
}

}  // namespace
}  // namespace sheaver
