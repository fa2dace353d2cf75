#include "app/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/raised.h"

namespace sheaver {
namespace {

using test::RaisedBy;

std::vector<std::string> Split(const std::string& line) {
  CommandLine cl;
  cl.Cmdline(line);
  std::vector<std::string> args;
  for (Int16 i = 0; i < cl.argc; ++i) args.push_back(cl.argv(i));
  if (cl.argc < CommandLine::kMaxArgs) {
    EXPECT_EQ(cl.argv(cl.argc), "") << line;
  }
  return args;
}

std::string Numbers(int from, int to) {
  std::string line;
  for (int i = from; i <= to; ++i) line += std::to_string(i) + " ";
  return line;
}

using Args = std::vector<std::string>;

TEST(CommandLine, SplitsAtSpacesAndKeepsQuotedArgumentsWhole) {
  struct Case {
    std::string line;
    Args argv;
  };
  const Case cases[] = {
      {"", {}},
      {"a  b c ", {"a", "b", "c"}},
      {R"(/OPEN "C:\My Settings\week.set" /AutoRun)",
       {"/OPEN", R"("C:\My Settings\week.set")", "/AutoRun"}},
      {R"("say ""hi""")", {R"("say "hi"")"}},
      {R"("ab"cd)", {R"("ab")", "cd"}},  // a closing quote ends the argument
      {R"("ab""cd")", {R"("ab"cd")"}},   // but a doubled one does not
      {"/in\tC:\\x", {"/in\tC:\\x"}},    // only the space separates
      {R"(a "open b c)", {"a"}},         // unterminated: the rest is dropped
      {Numbers(1, 21), {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
                        "11", "12", "13", "14", "15", "16", "17", "18", "19", "20"}},
      {Numbers(1, 20) + "\"x y\" \"unterminated", Split(Numbers(1, 20))},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.argv) << "line: " << c.line;
}

TEST(CommandLine, ArgAndRmQuotesRemoveTheEnclosingQuotesByTheFirstCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {R"("abc")", "abc"}, {R"(abc")", R"(abc")"}, {R"("ab)", "a"}, {R"(")", ""}};
  for (const auto& [in, out] : cases) EXPECT_EQ(CommandLine::RmQuotes(in), out) << in;
  CommandLine cl;
  cl.Cmdline(R"(plain "a""b")");
  EXPECT_EQ(cl.arg(0), "plain");
  EXPECT_EQ(cl.arg(1), "a\"b");
}

TEST(CommandLine, IndexesOutsideTheTableOrBeforeTheFirstLineAreSubscriptErrors) {
  CommandLine cl;
  EXPECT_EQ(RaisedBy([&] { cl.arg(0); }).number, err::kSubscript);
  cl.Cmdline("one two");
  cl.Cmdline("three");  // a new line replaces the old arguments
  EXPECT_EQ(cl.argc, 1);
  EXPECT_EQ(cl.argv(1), "");
  EXPECT_EQ(RaisedBy([&] { cl.argv(20); }).number, err::kSubscript);
  EXPECT_EQ(RaisedBy([&] { cl.arg(-1); }).number, err::kSubscript);
}

TEST(JoinCommandLine, SplitsBackIntoTheSameArguments) {
  // clang-format off
  const std::vector<Args> cases = {
      {}, {"plain"}, {"with space"}, {""}, {"\""}, {"\"\"\""}, {"a\"b"}, {"\"lead"}, {"trail\""},
      {"x\"\" y"}, {"tab\there", "new\nline"}, {"  spaced  "}, {"a", "", "b", ""},
      {"Zürich", "日本語 テキスト"}, {"\"a b\" \"c d\""}};
  // clang-format on
  for (const Args& args : cases) {
    const std::string line = JoinCommandLine(args);
    CommandLine cl;
    cl.Cmdline(line);
    Args back;
    for (Int16 i = 0; i < cl.argc; ++i) back.push_back(cl.arg(i));
    EXPECT_EQ(back, args) << "joined: " << line;
  }
  const char* const argv[] = {"/usr/bin/sheaver", "my week.set"};  // the program is left out
  EXPECT_EQ(JoinCommandLine(2, argv), R"("my week.set")");
}

// Records what start-up asks of the window.
class RecordingWindow : public StartupWindow {
 public:
  explicit RecordingWindow(std::vector<std::string>& log) : log_(log) {}
  void AppCmd(const std::string& pCmd, const std::vector<std::string>& pArg) override {
    std::string entry = pCmd;
    for (const auto& a : pArg) entry += " " + a;
    log_.push_back(entry);
  }
  void SetFormType(const std::string& t) override { log_.push_back("type=" + t); }
  void SetInDir(const std::string& t) override { log_.push_back("in=" + t); }
  void SetOutDir(const std::string& t) override { log_.push_back("out=" + t); }
  void SetExportTo(const std::string& t) override { log_.push_back("data=" + t); }

 private:
  std::vector<std::string>& log_;
};

std::vector<std::string> StartUp(const std::string& line) {
  std::vector<std::string> log;
  RecordingWindow window(log);
  bool shown = RunStartup(
      line,
      [&]() -> StartupWindow& {
        log.push_back("show");
        return window;
      },
      [&] { log.push_back("usage"); });
  EXPECT_EQ(shown, log.empty() || log.front() != "usage") << line;
  return log;
}

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

TEST(RunStartup, DrivesTheWindowAsTheCommandLineSays) {
  struct Case {
    std::string line;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {R"(/OPEN "C:\My Settings\week.set" /AutoRun)",
       {"show", R"(Open C:\My Settings\week.set)", "Go"}},
      {R"(/in "")", {"show"}},
      {"/data d /out o /in i /type t /open s",
       {"show", "Open s", "type=t", "in=i", "out=o", "data=d"}},
      {"/autorun bogus", {"usage"}},
      {Repeat("/autorun ", 19) + R"(/in C:\x)", {"show", "Go"}},  // /in as the 20th argument
  };
  for (const Case& c : cases) EXPECT_EQ(StartUp(c.line), c.calls) << "line: " << c.line;
}

}  // namespace
}  // namespace sheaver
