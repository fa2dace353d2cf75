#!/usr/bin/env python3
"""Runs every command block of the README and examples/README as a reader would type it.

A command block is a fence opened with ```sh. Unless the line before it says otherwise, each of
its commands (a line, with its continuation lines) runs on its own in a fresh copy of the
examples made by `sheaver-cli --copy-examples`, with the built programs on PATH, a scratch
HOME and the en_GB locale, and must end with status 0 within a minute. A command whose comment
says "runs until" (a window, a watching run) must still be running after a few seconds, when it
is ended, or have ended with status 0: on Qt's offscreen platform, where nobody could see it,
the window does its start-up (the settings file it was given, its run) and ends. An HTML comment on the line before the fence changes this:

  <!-- readme-test: one session -->                   the commands run in order in one shell
  <!-- readme-test: one session, from the repository -->  ... in a copy of the repository's
                                                      examples/ with build/ leading to the build
  <!-- readme-test: windows -->                       each command opens a window (runs until)
  <!-- readme-test: skip: REASON -->                  not run, for the reason given

Usage: readme_commands.py SOURCE_DIR BUILD_DIR
"""
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

MARKER = re.compile(r"<!--\s*readme-test:\s*(.*?)\s*-->")
STAYS_SECONDS = 3
TIMEOUT_SECONDS = 60


def blocks(path):
    """(first line number, marker or '', [commands]) for each ```sh block of a Markdown file."""
    lines = open(path, encoding="utf-8").read().split("\n")
    found = []
    i = 0
    while i < len(lines):
        if lines[i].strip() == "```sh":
            marker = MARKER.search(lines[i - 1]) if i > 0 else None
            body = []
            j = i + 1
            while lines[j].strip() != "```":
                body.append(lines[j])
                j += 1
            commands, current = [], ""
            for line in body:
                current += line + "\n"
                if not line.endswith("\\"):
                    if current.strip() and not current.lstrip().startswith("#"):
                        commands.append(current.rstrip("\n"))
                    current = ""
            found.append((i + 1, marker.group(1) if marker else "", commands))
            i = j
        i += 1
    return found


class Runner:
    def __init__(self, source, build):
        self.source = source
        self.build = build
        self.scratch = tempfile.mkdtemp(prefix="readme-test-")
        self.failures = []
        self.count = 0
        home = os.path.join(self.scratch, "home")
        os.makedirs(home)
        self.env = dict(os.environ)
        self.env.update({
            "HOME": home,
            "XDG_CONFIG_HOME": os.path.join(home, ".config"),
            "XDG_DATA_HOME": os.path.join(home, ".local/share"),
            "XDG_STATE_HOME": os.path.join(home, ".local/state"),
            "SHEAVER_LOCALE": "en_GB",
            "QT_QPA_PLATFORM": "offscreen",
            "PATH": os.pathsep.join([os.path.join(build, "bin"), os.path.join(build, "cli"),
                                     os.environ.get("PATH", "")]),
        })
        self.cli = os.path.join(build, "cli", "sheaver-cli")

    def examples_copy(self):
        where = tempfile.mkdtemp(dir=self.scratch)
        os.rmdir(where)
        subprocess.run([self.cli, "--copy-examples", where], env=self.env, check=True,
                       stdout=subprocess.DEVNULL)
        return where

    def repository_copy(self):
        """A folder that looks like the repository to the commands: examples/ copied, build/
        leading to the build under test."""
        where = tempfile.mkdtemp(dir=self.scratch)
        shutil.copytree(os.path.join(self.source, "examples"), os.path.join(where, "examples"))
        os.makedirs(os.path.join(where, "build"))
        os.symlink(self.build, os.path.join(where, "build", "default"))
        return where

    def run(self, where, script, cwd, stays):
        self.count += 1
        process = subprocess.Popen(["bash", "-e", "-o", "pipefail", "-c", script], cwd=cwd,
                                   env=self.env, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        try:
            out, _ = process.communicate(timeout=STAYS_SECONDS if stays else TIMEOUT_SECONDS)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGTERM)
            try:
                process.communicate(timeout=10)
            except subprocess.TimeoutExpired:
                os.killpg(process.pid, signal.SIGKILL)
                process.communicate()
            if not stays:
                self.failures.append(f"{where}: did not end within {TIMEOUT_SECONDS} s:\n{script}")
            return
        if process.returncode != 0:
            self.failures.append(f"{where}: status {process.returncode}:\n{script}\n"
                                 f"{out.decode(errors='replace')}")

    def document(self, name):
        for line, marker, commands in blocks(os.path.join(self.source, name)):
            where = f"{name}:{line}"
            if marker.startswith("skip:"):
                print(f"{where}: not run ({marker[5:].strip()})")
                continue
            if marker.startswith("one session"):
                cwd = (self.repository_copy() if "from the repository" in marker
                       else self.examples_copy())
                stays = any("runs until" in c for c in commands)
                if stays:
                    # Each long-running command goes to the background and must still be
                    # running when the session ends.
                    script = ""
                    for c in commands:
                        if "runs until" in c:
                            script += f"(\n{c}\n) & pid=$!; sleep {STAYS_SECONDS}; " \
                                      "if kill $pid 2>/dev/null; then :; else wait $pid; fi\n"
                        else:
                            script += c + "\n"
                    self.run(where, script, cwd, stays=False)
                else:
                    self.run(where, "\n".join(commands), cwd, stays=False)
                continue
            if marker and marker != "windows":
                self.failures.append(f"{where}: unknown readme-test marker '{marker}'")
                continue
            for c in commands:
                self.run(where, c, self.examples_copy(),
                         stays=marker == "windows" or "runs until" in c)


def main():
    source, build = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runner = Runner(source, build)
    try:
        for name in ("README.md", "examples/README.md"):
            runner.document(name)
    finally:
        shutil.rmtree(runner.scratch, ignore_errors=True)
    for failure in runner.failures:
        print("FAIL:", failure)
    print(f"{runner.count} command runs, {len(runner.failures)} failed")
    return 1 if runner.failures or runner.count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
