// A fresh directory under the system's temporary directory for one test, removed with everything
// in it when the test ends; and running a piece of code as an unprivileged user, so that
// permission tests mean the same when the suite runs as root.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/error.h"

namespace sheaver::test {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
      path_ = (base / ("sheaver-test-" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter++) + "-" + std::to_string(random() % 1000000)))
                  .string();
      if (std::filesystem::create_directory(path_)) break;
    }
  }
  ~TempDir() {
    // Tests may have taken permissions away; give them back so that everything can go.
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      if (it->is_directory(ec) && !it->is_symlink(ec)) ::chmod(it->path().c_str(), 0700);
    ::chmod(path_.c_str(), 0700);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }
  // The path of a file in the directory.
  std::string File(std::string_view name) const { return path_ + "/" + std::string(name); }
  // Creates (or replaces) the file with exactly these bytes; returns its path.
  std::string Write(std::string_view name, std::string_view bytes) const {
    const std::string path = File(name);
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<long>(bytes.size()));
    return path;
  }
  // The bytes of a file, or "<missing>" when there is none.
  std::string Read(std::string_view name) const { return ReadBytes(File(name)); }
  // The names in a directory of this one ("" for itself), sorted.
  std::vector<std::string> Names(std::string_view sub = "") const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(File(sub)))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

 private:
  std::string path_;
};

// True when the tests run with root's privileges, which pass every permission check.
inline bool RunningAsRoot() {
  return ::geteuid() == 0;
}

// Runs f in a child process, as the user "nobody" when the suite runs as root, and returns the
// number of the Error it raised: 0 when it returned normally, -1 when it failed some other way.
// The directories f uses must be open to other users (see OpenToEveryone).
inline int ErrorNumberAsUnprivileged(const std::function<void()>& f) {
  const pid_t child = ::fork();
  if (child == 0) {
    if (RunningAsRoot() && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(255);
    int number = 0;
    try {
      f();
    } catch (const Error& e) {
      number = e.Number();
    } catch (...) {
      ::_exit(254);
    }
    ::_exit(number > 200 ? 253 : number);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  const int code = WEXITSTATUS(status);
  return code >= 253 ? -1 : code;
}

// Lets every user into the directory, so that an unprivileged child can work there.
inline void OpenToEveryone(const std::string& dir) {
  ::chmod(dir.c_str(), 0777);
}

}  // namespace sheaver::test
