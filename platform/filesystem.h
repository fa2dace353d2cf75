// The file system as the program uses it: wildcard lookups of ordinary files, text files read as
// lines and written with CR LF line ends, moving and deleting files, and the two directories the
// program starts from. Every failure is an Error with the run-time file error number and the file
// name in its description.
//
// All operations go through one installed FileSystem, so that tests can put a double in its place
// (for instance one that fails the third append); the real one is installed until then.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/error.h"

namespace sheaver {

// The separator between directory and file names in paths.
inline constexpr char kPathSeparator = '/';

// Reading a whole file, however many lines it holds.
inline constexpr std::size_t kAllLines = static_cast<std::size_t>(-1);
// A lookup that returns every file it finds.
inline constexpr std::size_t kAllFiles = static_cast<std::size_t>(-1);

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Names (not paths) of the first `limit` ordinary files matching the pattern; see the free
  // FindFiles.
  virtual std::vector<std::string> FindFiles(const std::string& pattern, std::size_t limit) = 0;
  // Whether a regular file is at path; see the free RegularFileExists. A file system that hides
  // nothing from FindFiles may keep this default, which asks FindFiles.
  virtual bool RegularFileExists(const std::string& path) { return !FindFiles(path, 1).empty(); }
  // At most maxLines lines of a text file; see the free ReadTextLines.
  virtual std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxLines) = 0;
  // Creates or truncates a text file and writes the lines; see the free WriteTextLines.
  virtual void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) = 0;
  // Appends one line to a text file, creating it; see the free AppendTextLine.
  virtual void AppendTextLine(const std::string& path, std::string_view line) = 0;
  // Moves a file; see the free MoveFile.
  virtual void MoveFile(const std::string& source, const std::string& target) = 0;
  // Moves a file onto a regular file of the same name, replacing it; see the free ReplaceFile.
  virtual void ReplaceFile(const std::string& source, const std::string& target) = 0;
  // Deletes a file; see the free DeleteFile.
  virtual void DeleteFile(const std::string& path) = 0;
  // The process's current directory.
  virtual std::string CurrentDirectory() = 0;
  // The directory of the running program, without a trailing separator.
  virtual std::string ProgramDirectory() = 0;
};

class DirectoryListing;

// The machine's own file system.
class LocalFileSystem : public FileSystem {
 public:
  LocalFileSystem();
  ~LocalFileSystem() override;
  std::vector<std::string> FindFiles(const std::string& pattern, std::size_t limit) override;
  bool RegularFileExists(const std::string& path) override;
  std::vector<std::string> ReadTextLines(const std::string& path, std::size_t maxLines) override;
  void WriteTextLines(const std::string& path, const std::vector<std::string>& lines) override;
  void AppendTextLine(const std::string& path, std::string_view line) override;
  void MoveFile(const std::string& source, const std::string& target) override;
  void ReplaceFile(const std::string& source, const std::string& target) override;
  void DeleteFile(const std::string& path) override;
  std::string CurrentDirectory() override;
  std::string ProgramDirectory() override;

  // RegularFileExists asked of the disk itself: the kernel is asked for the file's type only.
  static bool IsRegularFile(const std::string& path);

 private:
  // Keeps following the directory searched last, for the next search of it.
  std::unique_ptr<DirectoryListing> listing_;
};

// Installs the file system every operation below goes through and returns the previous one.
// A LocalFileSystem is used until another is installed.
std::shared_ptr<FileSystem> SetFileSystem(std::shared_ptr<FileSystem> fileSystem);
// The installed file system.
FileSystem& Files();

// Names (not paths), in a stable order (case-insensitive by name, then bytewise), of the ordinary
// files in the pattern's directory whose names match its last component.
// - Ordinary files only: no directories, no hidden files (names starting with "."), no fifos,
//   sockets or devices. A symbolic link to an ordinary file counts as that file. A file the
//   program may not read is found all the same: a run that opens it stops with Permission
//   denied naming it, instead of passing it over unseen as if it had been filed.
// - Wildcards: "*" matches any run of characters, "?" exactly one character; letters match in
//   either case. A pattern whose extension has exactly three characters also matches longer
//   extensions that begin with them: "*.xls" finds a.XLS, b.xlsx and c.xlsm.
// - A last component without wildcards is looked up exactly as written (the file system's own
//   name comparison), so that the lookup agrees with opening the same path.
// - A pattern without a separator is looked up in the current directory.
// - A missing directory finds nothing; an unreadable one is an error (Permission denied).
// - At most `limit` names: the first ones in that order. Only those are checked for being
//   ordinary files (and only where the directory does not say so itself), so a lookup for the
//   first few names of a large directory costs one pass over the directory and a partial sort,
//   not a file status per entry; a search of the
//   directory searched last does not even read it again on a local file system (see
//   platform/directory_listing.h).
std::vector<std::string> FindFiles(const std::string& pattern, std::size_t limit = kAllFiles);

// True when FindFiles(path) finds something: path names an ordinary, visible file (or a pattern
// matches one).
bool OrdinaryFileExists(const std::string& path);

// True when path names a regular file, or a link to one, whatever its name and permissions (a
// hidden name, a file this process may write but not read). No wildcards.
bool RegularFileExists(const std::string& path);

// Moves the file `source` to the path `target`, across file systems too (copied, flushed, then
// the source removed; a failed copy leaves no partial target and the source in place).
// Never replaces: an existing target is File already exists (58). A missing source is File not
// found (53), a missing target directory Path not found (76), refused access Permission denied
// (70). The description names both files.
void MoveFile(const std::string& source, const std::string& target);

// Moves the file `source` onto `target`, replacing whatever regular file stands there in one
// atomic rename: at every instant the target is either the old file or the new one, and nothing
// is deleted first. A missing source is File not found (53) and leaves the target alone; a
// target that is a directory is File already exists (58). Across file systems the source is
// copied to a hidden name beside the target, renamed over it, and then removed.
void ReplaceFile(const std::string& source, const std::string& target);

// Deletes the file. Missing file: File not found (53); missing directory: Path not found (76).
void DeleteFile(const std::string& path);

// The process's current directory ("/" at the root).
std::string CurrentDirectory();

// The directory that holds the running executable, without a trailing separator ("" when the
// program lies in the root directory, so that appending "/name" always gives a path).
std::string ProgramDirectory();

// The user's home directory: $HOME, else the password database's entry, else "/".
std::string UserHomeDirectory();

// The path with a leading "~/" (or a lone "~") standing for the home directory, as a shell would
// read it; spaces before the "~" are passed over. Any other text is returned as it is.
std::string ExpandHome(std::string_view path);

// The directory part of a path: "." without a separator, "/" for a file in the root.
std::string DirectoryOf(const std::string& path);

// The last component of a path, the name a user knows a file by ("Week07.xls").
std::string_view FileNameOf(std::string_view path);

// dir and name joined by one separator (none added when dir is empty or already ends with one).
std::string JoinPath(std::string_view dir, std::string_view name);

// True when the text holds "*" or "?".
bool HasWildcards(std::string_view text);

// True when name matches the wildcard pattern under FindFiles' rules ("*", "?", any letter case,
// three-character extensions matching longer ones). Exposed for tests.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// The Error for a failed system call on path: errno mapped to the run-time file error numbers
// (53 File not found or 76 Path not found by whether the directory exists, 70 Permission
// denied, 58 File already exists, 61 Disk full, 57 Device I/O error, 52 Bad file name, 75
// Path/File access error for the rest), the path in front of the description.
Error FileError(int errnum, const std::string& path);

// The cross-file-system half of MoveFile: copies source to target (which must not exist), keeps
// its permission bits and times, flushes it to disk, then removes the source. Any failure
// removes the partial target and keeps the source. Exposed so tests can run it on one file system.
void MoveFileByCopy(const std::string& source, const std::string& target);

// MoveFileByCopy without removing the source: target (which must not exist) ends up a flushed
// copy with the source's permission bits and times, or, on any failure, is not there at all.
void CopyFileContents(const std::string& source, const std::string& target);

}  // namespace sheaver
