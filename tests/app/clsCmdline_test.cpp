#include "app/clsCmdline.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "runtime/error.h"
#include "support/recording_message_box.h"

namespace sheaver {
namespace {

int ErrorNumberOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.Number();
  }
  return 0;
}

std::vector<std::string> Split(const std::string& line) {
  clsCmdline cl;
  cl.Cmdline(line);
  std::vector<std::string> args;
  for (Int16 i = 0; i < cl.argc; ++i) args.push_back(cl.argv(i));
  if (cl.argc < clsCmdline::kMaxArgs) {
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

TEST(ClsCmdline, SplitsAtSpacesAndKeepsQuotedArgumentsWhole) {
  struct Case {
    std::string line;
    Args argv;
  };
  const Case cases[] = {
      {"", {}},
      {"    ", {}},
      {"a  b c ", {"a", "b", "c"}},
      {R"(/OPEN "C:\My Settings\week.set" /AutoRun)",
       {"/OPEN", R"("C:\My Settings\week.set")", "/AutoRun"}},
      {R"("/in" x)", {R"("/in")", "x"}},
      {R"("say ""hi""")", {R"("say "hi"")"}},
      {R"("")", {R"("")"}},
      {R"("""")", {R"(""")"}},
      {R"("ab"cd)", {R"("ab")", "cd"}},  // a closing quote ends the argument
      {R"("ab""cd")", {R"("ab"cd")"}},   // but a doubled one does not
      {R"(ab"c d)", {R"(ab"c)", "d"}},   // a quote inside a plain argument
      {"/in\tC:\\x", {"/in\tC:\\x"}},    // only the space separates
      {"\ta", {"\ta"}},
      {R"(a "open b c)", {"a"}},  // unterminated: the rest is dropped
      {R"(a "b"" c)", {"a"}},
      {R"(a "b" "c)", {"a", R"("b")"}},
      {R"("  spaced  " x)", {R"("  spaced  ")", "x"}},
      {Numbers(1, 21), {"1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10",
                        "11", "12", "13", "14", "15", "16", "17", "18", "19", "20"}},
      {Numbers(1, 20) + "\"x y\" \"unterminated", Split(Numbers(1, 20))},
  };
  for (const Case& c : cases) EXPECT_EQ(Split(c.line), c.argv) << "line: " << c.line;
}

TEST(ClsCmdline, ArgRemovesTheEnclosingQuotes) {
  clsCmdline cl;
  cl.Cmdline(R"(plain "quoted one" "" "a""b" x"y")");
  const Args expected = {"plain", "quoted one", "", "a\"b", "x\"y\""};
  ASSERT_EQ(cl.argc, 5);
  for (Int16 i = 0; i < cl.argc; ++i) EXPECT_EQ(cl.arg(i), expected[static_cast<size_t>(i)]);
}

TEST(ClsCmdline, RmQuotesLooksOnlyAtTheFirstCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {R"("abc")", "abc"},   {R"(abc")", R"(abc")"}, {R"("ab)", "a"},
      {R"(")", ""},          {R"("")", ""},          {"", ""},
      {R"(x"y")", R"(x"y")"}};
  for (const auto& [in, out] : cases) EXPECT_EQ(clsCmdline::RmQuotes(in), out) << in;
}

TEST(ClsCmdline, IndexesOutsideTheTableOrBeforeTheFirstLineAreSubscriptErrors) {
  clsCmdline fresh;
  EXPECT_EQ(fresh.argc, 0);
  EXPECT_EQ(ErrorNumberOf([&] { fresh.argv(0); }), err::kSubscript);
  EXPECT_EQ(ErrorNumberOf([&] { fresh.arg(0); }), err::kSubscript);
  clsCmdline cl;
  cl.Cmdline("one");
  EXPECT_EQ(cl.argv(19), "");
  EXPECT_EQ(ErrorNumberOf([&] { cl.argv(20); }), err::kSubscript);
  EXPECT_EQ(ErrorNumberOf([&] { cl.arg(-1); }), err::kSubscript);
  cl.Cmdline("");  // a new line replaces the old arguments
  EXPECT_EQ(cl.argc, 0);
  EXPECT_EQ(cl.argv(0), "");
}

TEST(JoinCommandLine, SplitsBackIntoTheSameArguments) {
  const std::vector<Args> cases = {
      {},
      {"plain"},
      {"with space"},
      {""},
      {"\""},
      {"\"\""},
      {"\"\"\""},
      {"a\"b"},
      {"\"lead"},
      {"trail\""},
      {"\"both\""},
      {"x\"\" y"},
      {"tab\there", "new\nline"},
      {"  spaced  "},
      {"/in", "C:\\My Dir\\", "/autorun"},
      {"a", "", "b", ""},
      {"Zürich", "日本語 テキスト"},
      {"\"a b\" \"c d\""},
  };
  for (const Args& args : cases) {
    const std::string line = JoinCommandLine(args);
    clsCmdline cl;
    cl.Cmdline(line);
    Args back;
    for (Int16 i = 0; i < cl.argc; ++i) back.push_back(cl.arg(i));
    EXPECT_EQ(back, args) << "joined: " << line;
  }
}

TEST(JoinCommandLine, QuotesOnlyWhatNeedsIt) {
  EXPECT_EQ(JoinCommandLine(Args{"/in", "C:\\a b", "", "say \"hi\""}),
            R"(/in "C:\a b" "" "say ""hi""")");
  const char* const argv[] = {"/usr/bin/sheaver", "/open", "my week.set"};
  EXPECT_EQ(JoinCommandLine(3, argv), R"(/open "my week.set")");
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
      {"", {"show"}},
      {"   ", {"show"}},
      {R"(/OPEN "C:\My Settings\week.set" /AutoRun)",
       {"show", R"(Open C:\My Settings\week.set)", "Go"}},
      {R"("/in" C:\Forms)", {"show", R"(in=C:\Forms)"}},
      {R"(/IN C:\Forms)", {"show", R"(in=C:\Forms)"}},
      {R"(/in "say ""hi""")", {"show", R"(in=say "hi")"}},
      {R"(/in "")", {"show"}},
      {"/in /out", {"show", "in=/out"}},
      {"/in /autorun", {"show", "in=/autorun"}},
      {"/data", {"show"}},
      {R"(/open w.set /in C:\in)", {"show", "Open w.set", R"(in=C:\in)"}},
      {R"(/type C:\ft\time.dat)", {"show", R"(type=C:\ft\time.dat)"}},
      {"/in a /in b", {"show", "in=b"}},
      {"/data d /out o /in i /type t /open s",
       {"show", "Open s", "type=t", "in=i", "out=o", "data=d"}},
      {"/autorun", {"show", "Go"}},
      {R"(ab"c d)", {"usage"}},
      {"/in\tC:\\x", {"usage"}},
      {"/autorun bogus", {"usage"}},
      {"/in a /IN", {"show"}},  // the last value wins, and "/IN" at the end has an empty one
      {Repeat("/in a ", 10) + "bogus", {"show", "in=a"}},         // the 21st argument is ignored
      {Repeat("/autorun ", 19) + R"(/in C:\x)", {"show", "Go"}},  // /in as the 20th argument
      {R"(/in a "unterminated bogus)", {"show", "in=a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(StartUp(c.line), c.calls) << "line: " << c.line;
}

TEST(RunStartup, CountsUnrecognisedArguments) {
  StartupOptions o = ScanStartupOptions("one /in x two /AUTORUN three");
  EXPECT_EQ(o.unrecognised, 3);
  EXPECT_EQ(o.in_dir, "x");
  EXPECT_TRUE(o.autorun);
}

TEST(Usage, NamesTheProductAndEveryOption) {
  EXPECT_EQ(UsageText(),
            "Usage: \r\nSheaver [/open settings] [/type formtype] [/in inPath] [/out outPath] "
            "[/data dataFile] [/autorun]");
}

TEST(UsageDeathTest, ShowsAnOkOnlyMessageTitledWithTheDescriptionAndEnds) {
  EXPECT_EXIT(
      {
        test::ScopedMessageBox box;
        box->echoToStderr = true;
        ShowUsage();
      },
      testing::ExitedWithCode(2), "\\[Sheaver form filer\\|OK\\|no icon\\] Usage: ");
}

}  // namespace
}  // namespace sheaver
