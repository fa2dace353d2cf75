// The floor for filing: what any tool that files a folder of workbooks whole must do, with no
// parsing at all. It lists the input directory, and for each workbook (in name order) reads the
// whole file, appends one block of the size a timesheet's records take in one write to a data
// file held open for the run, and renames the workbook into the output directory.
// Usage: bench_filing_floor IN OUT DATA
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s IN OUT DATA\n", argv[0]);
    return 2;
  }
  const std::string in = argv[1], out = argv[2];
  DIR* dir = ::opendir(in.c_str());
  if (dir == nullptr) return 1;
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(dir))
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  ::closedir(dir);
  std::sort(names.begin(), names.end());

  const int data = ::open(argv[3], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (data < 0) return 1;
  // Seven records of a timesheet: "17,01/01/2024,7.50\r\n" and so on.
  const std::string block(7 * 20, 'x');
  std::vector<char> buffer(1 << 16);
  for (const std::string& name : names) {
    const std::string path = in + "/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 1;
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    ::close(fd);
    if (::write(data, block.data(), block.size()) != static_cast<ssize_t>(block.size())) return 1;
    if (::rename(path.c_str(), (out + "/" + name).c_str()) != 0) return 1;
  }
  return ::close(data) == 0 ? 0 : 1;
}
