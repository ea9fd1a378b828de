#!/usr/bin/python3
"""Runs the code blocks of the documentation against the simulator, so that a
renamed call or a changed flag breaks the build instead of the reader.

    scripts/check-docs.sh [BUILD] [FILE.md ...]        (or: scripts/check-docs.py --build BUILD [-v] [FILE.md ...])
    scripts/check-docs.py --list [FILE.md ...]          the blocks and their directives, nothing run

Without files it reads README.md, docs/**/*.md, bindings/*/README.md,
examples/**/README.md, tango/README.md and panel/README.md.

What a block is
- A fenced block whose info string names a language is code a reader pastes.
  sh and bash run with bash -e; c, cpp, python and csharp are built against
  the build tree and run. Unlabelled blocks and text, json and csv are output
  or data and never run. Any other language (cmake, xml ...) cannot run here
  and must carry a skip directive.
- A C, C++ or C# block without a main function is a fragment: its #include
  (C, C++) or using-directive (C#) lines go on top and the rest becomes the
  body of main. A C++ body runs inside a try whose catch prints what() and
  fails. A Python block runs as it is.

Directives: HTML comments on the lines right above the fence, one each,
    <!-- check: skip REASON -->     not run; the reason is required
    <!-- check: simulator -->       (sh) veksim command lines: each is started
                                    once (its flags must be good), and the last
                                    is the simulator of every later block of the file
    <!-- check: standalone -->      no simulator for this block (it starts its own
                                    or needs none)
    <!-- check: file NAME -->       saved as NAME in the file's work folder, not
                                    run itself; a later sh block must use it
    <!-- check: expect TEXT -->     the output must contain TEXT (may repeat)
    <!-- check: before CODE -->     hidden code put before the block (after for after);
    <!-- check: after CODE -->      the comment may span lines

How a block runs
- Each block gets a fresh simulator (unless standalone): the file's simulator
  command, or plain `veksim`. The documentation's controller is
  192.168.0.50 or localhost, port 5001: in every block the checker puts
  127.0.0.1 for 192.168.0.50 and the simulator's port for 5001. A simulator
  started with --publish-com N hands VEKKESTRA_COM<N> to the blocks.
- Installed names reach the build tree: veksim, vekctl, VekKestraDS and
  python3 (the system's, with the package of bindings/python) are on PATH,
  pkg-config finds vekkestra and vekkestra-motion in the build tree, the C#
  assembly is on MONO_PATH.
- HOME is a temporary folder, so `~/...` lands there.
- sh blocks run in a work folder that mirrors the source tree (a link per
  top-level entry, `build` links the build folder), one folder per Markdown
  file, so `build/tools/vekctl` and `scripts/...` mean what they mean in a
  checkout and nothing is written into it.
- A block that runs longer than --timeout seconds fails; whatever a block
  started is ended with its process group.

Relative links (to files, and to headings: `file.md#heading`) must lead
somewhere, so a renamed page or heading fails too; a page under docs/ links
only within docs/, which is installed as a folder of its own.

Exit status: 0 when every block ran or is marked, 1 on any failure (each is
printed as FILE:LINE with the code and its output), 77 when nothing failed
but a tool was missing (mcs, mono, a compiler).
"""

import argparse
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIPPED = 77
OUTPUT_LANGUAGES = {"", "text", "json", "csv"}
LANGUAGE_ALIASES = {"bash": "sh", "shell": "sh", "c++": "cpp", "cs": "csharp", "py": "python"}
DOC_GLOBS = ("README.md", "docs/**/*.md", "bindings/*/README.md", "examples/**/README.md", "tango/README.md",
             "panel/README.md")
EXAMPLE_ADDRESS = "192.168.0.50"
EXAMPLE_PORT = re.compile(r"\b5001\b")
FENCE = re.compile(r"^(\s*)(`{3,}|~{3,})\s*([^\s`]*)")
DIRECTIVE_NAMES = ("skip", "simulator", "standalone", "file", "expect", "before", "after")


class Block:
    """One fenced block and the directives above it."""

    def __init__(self, path, line, language, text, directives):
        self.path = path
        self.line = line
        self.language = LANGUAGE_ALIASES.get(language, language)
        self.text = text
        self.directives = directives

    def where(self):
        return "%s:%d" % (os.path.relpath(self.path, SOURCE), self.line)

    def values(self, name):
        return [value for key, value in self.directives if key == name]

    def has(self, name):
        return any(key == name for key, _ in self.directives)


class Failure(Exception):
    pass


class MissingTool(Exception):
    pass


# ---- Reading the Markdown ----------------------------------------------------------------------------------------


def directives_above(lines, index):
    """The check directives on the lines right above line `index`, top first."""
    found = []
    end = index - 1
    while end >= 0 and lines[end].rstrip().endswith("-->"):
        start = end
        while start >= 0 and "<!--" not in lines[start]:
            start -= 1
        if start < 0:
            break
        comment = "\n".join(lines[start:end + 1]).strip()
        body = comment[comment.index("<!--") + 4:comment.rindex("-->")].strip()
        if not body.startswith("check:"):
            break
        found.insert(0, parse_directive(body[len("check:"):]))
        end = start - 1
    return found


def parse_directive(text):
    name, value = re.match(r"\s*(\S*)\s?(.*)", text, re.S).groups()
    if name not in DIRECTIVE_NAMES:
        return ("unknown", name)
    return (name, value.rstrip() if name in ("before", "after") else value.strip())


def read_blocks(path):
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    blocks = []
    i = 0
    while i < len(lines):
        opening = FENCE.match(lines[i])
        if not opening:
            i += 1
            continue
        indent, fence, language = opening.group(1), opening.group(2), opening.group(3).lower()
        body = []
        j = i + 1
        while j < len(lines) and not lines[j].strip().startswith(fence):
            body.append(lines[j][len(indent):] if lines[j].startswith(indent) else lines[j].lstrip())
            j += 1
        blocks.append(Block(path, i + 1, language, "\n".join(body) + "\n", directives_above(lines, i)))
        i = j + 1
    return blocks


def outside_fences(path):
    """The lines of a Markdown file that are prose (not inside a fenced block), with their numbers."""
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    fence = None
    for number, line in enumerate(lines, 1):
        opening = FENCE.match(line)
        if fence is None and opening:
            fence = opening.group(2)
        elif fence is not None and line.strip().startswith(fence):
            fence = None
        elif fence is None:
            yield number, line


def anchors(path):
    """The anchors that a Markdown viewer gives the headings of a file (lower case, punctuation dropped)."""
    seen = {}
    for _, line in outside_fences(path):
        heading = re.match(r"#{1,6}\s+(.*?)\s*#*\s*$", line)
        if heading:
            slug = re.sub(r"[^\w\- ]", "", heading.group(1).lower()).replace(" ", "-")
            count = seen.get(slug, 0)
            seen[slug] = count + 1
            yield slug if count == 0 else "%s-%d" % (slug, count)


def broken_links(path):
    """Relative links of a file whose target file or heading does not exist."""
    found = []
    for number, line in outside_fences(path):
        for target in re.findall(r"\]\(([^)\s]+)\)", re.sub(r"`[^`]*`", "", line)):
            if re.match(r"[a-z]+:", target):
                continue
            name, _, anchor = target.partition("#")
            linked = os.path.normpath(os.path.join(os.path.dirname(path), name)) if name else path
            docs = os.path.join(SOURCE, "docs") + os.sep
            if path.startswith(docs) and not linked.startswith(docs):
                found.append("%s:%d: the link %s leaves docs/, which is installed as a folder of its own: name the "
                             "file in words" % (os.path.relpath(path, SOURCE), number, target))
            elif not os.path.exists(linked):
                found.append("%s:%d: the link %s leads nowhere" % (os.path.relpath(path, SOURCE), number, target))
            elif anchor and linked.endswith(".md") and anchor not in set(anchors(linked)):
                found.append("%s:%d: %s has no heading #%s" % (os.path.relpath(path, SOURCE), number, name or
                                                               os.path.basename(path), anchor))
    return found


def document_files(arguments):
    if arguments:
        return [os.path.abspath(p) for p in arguments]
    found = set()
    for pattern in DOC_GLOBS:
        for path in glob.glob(os.path.join(SOURCE, pattern), recursive=True):
            relative = os.path.relpath(path, SOURCE)
            if not relative.split(os.sep)[0].startswith(("build", ".")):
                found.add(path)
    return sorted(found)


# ---- The build tree and the environment of a block ----------------------------------------------------------------


class Tree:
    """Where the build's programs and libraries are, and the environment that maps installed names to them."""

    def __init__(self, build, work):
        self.build = os.path.abspath(build)
        self.work = work
        self.library = os.path.join(self.build, "libvekkestra.so")
        self.motion = os.path.join(self.build, "motion", "libvekkestra-motion.so")
        self.veksim = os.path.join(self.build, "sim", "veksim")
        self.assembly_dir = os.path.join(self.build, "bindings", "dotnet")
        for needed in (self.library, self.motion, self.veksim):
            if not os.path.exists(needed):
                sys.exit("check-docs: %s is missing: build first (cmake --build %s)" % (needed, build))
        self.bin = os.path.join(work, "bin")
        self.home = os.path.join(work, "home")
        os.makedirs(self.bin)
        os.makedirs(self.home)
        self.link_programs()
        self.write_pkg_config()

    def link_programs(self):
        programs = {
            "veksim": self.veksim,
            "vekctl": os.path.join(self.build, "tools", "vekctl"),
            "VekKestraDS": os.path.join(SOURCE, "tango", "VekKestraDS"),
            "vekkestra-panel": os.path.join(SOURCE, "panel", "vekkestra-panel"),
            "python3": sys.executable,
            "python": sys.executable,
        }
        for name, target in programs.items():
            if os.path.exists(target):
                os.symlink(target, os.path.join(self.bin, name))

    def write_pkg_config(self):
        """vekkestra.pc and vekkestra-motion.pc for the build tree, as the installed ones name the installed files."""
        self.pkg_config = os.path.join(self.work, "pkgconfig")
        os.makedirs(self.pkg_config)
        rpath = "-Wl,-rpath,%s -Wl,-rpath,%s" % (self.build, os.path.dirname(self.motion))
        entries = {
            "vekkestra": ("", "-L%s -lvekkestra %s" % (self.build, rpath)),
            "vekkestra-motion": ("vekkestra", "-L%s -lvekkestra-motion %s" % (os.path.dirname(self.motion), rpath)),
        }
        for name, (requires, libs) in entries.items():
            with open(os.path.join(self.pkg_config, name + ".pc"), "w") as f:
                f.write("Name: %s\nDescription: %s of the build tree\nVersion: 0\nRequires: %s\n"
                        "Cflags: -I%s\nLibs: %s\n" % (name, name, requires, os.path.join(SOURCE, "include"), libs))

    def environment(self, extra):
        env = dict(os.environ)
        for name in ("PYTHONPATH", "LD_PRELOAD", "VEKKESTRA_SIGNALS"):
            env.pop(name, None)
        env.update({
            "PATH": self.bin + os.pathsep + env.get("PATH", ""),
            "PYTHONPATH": os.path.join(SOURCE, "bindings", "python"),
            "PYTHONDONTWRITEBYTECODE": "1",
            "VEKKESTRA_LIBRARY": self.library,
            "VEKKESTRA_MOTION_LIBRARY": self.motion,
            "MONO_PATH": self.assembly_dir,
            "PKG_CONFIG_PATH": self.pkg_config,
            "HOME": self.home,
        })
        env.update(extra)
        return env

    def mirror(self, name):
        """A folder that looks like the source tree, its `build` being the build tree."""
        root = os.path.join(self.work, "tree-" + name)
        os.makedirs(root)
        for entry in os.listdir(SOURCE):
            if not entry.startswith(("build", ".git")):
                os.symlink(os.path.join(SOURCE, entry), os.path.join(root, entry))
        os.symlink(self.build, os.path.join(root, "build"))
        return root


# ---- Processes ---------------------------------------------------------------------------------------------------


def end_group(process):
    """Ends whatever the block started: its process group, by the leader's id."""
    for sig, grace in ((signal.SIGTERM, 3.0), (signal.SIGKILL, 3.0)):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + grace
        while time.monotonic() < deadline:
            if process.poll() is not None:
                try:
                    os.killpg(process.pid, 0)
                except ProcessLookupError:
                    return
            time.sleep(0.05)


def run(command, cwd, env, timeout, what):
    """Runs one command in its own process group; returns its output, raises Failure on a bad exit or a time-out."""
    with tempfile.TemporaryFile(mode="w+") as out:
        process = subprocess.Popen(command, cwd=cwd, env=env, stdout=out, stderr=subprocess.STDOUT,
                                   stdin=subprocess.DEVNULL, start_new_session=True)
        try:
            status = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            status = None
        finally:
            end_group(process)
        out.seek(0)
        output = out.read()
    if status is None:
        raise Failure("%s did not end within %d s\n%s" % (what, timeout, output))
    if status != 0:
        raise Failure("%s exited with %d\n%s" % (what, status, output))
    return output


class Simulator:
    """One veksim started from a command line, its TCP port and published COM ports read from what it prints."""

    ANNOUNCE_TCP = re.compile(r"listening on [\d.]+:(\d+)")
    ANNOUNCE_COM = re.compile(r"^(VEKKESTRA_COM\d+)=(\S+)", re.M)

    def __init__(self, command, tree, cwd):
        self.command = EXAMPLE_PORT.sub("0", command)
        self.log = tempfile.NamedTemporaryFile(mode="w+", prefix="veksim-", suffix=".log", dir=tree.work,
                                               delete=False)
        self.process = subprocess.Popen(["bash", "-c", "exec " + self.command], cwd=cwd,
                                        env=tree.environment({}), stdout=self.log, stderr=subprocess.STDOUT,
                                        stdin=subprocess.DEVNULL, start_new_session=True)
        self.port, self.com = None, {}
        self.wait_for_announcement()

    def wait_for_announcement(self):
        wants_tcp = "--no-tcp" not in self.command
        wants_com = len(re.findall(r"--publish-com", self.command))
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            with open(self.log.name) as f:
                text = f.read()
            tcp = self.ANNOUNCE_TCP.search(text)
            self.port = tcp.group(1) if tcp else None
            self.com = dict(self.ANNOUNCE_COM.findall(text))
            if (self.port or not wants_tcp) and len(self.com) >= wants_com:
                return
            if self.process.poll() is not None:
                break
            time.sleep(0.05)
        self.stop()
        raise Failure("the simulator `%s` did not start:\n%s" % (self.command, text))

    def stop(self):
        end_group(self.process)
        self.log.close()

    def rewrite(self, text):
        text = text.replace(EXAMPLE_ADDRESS, "127.0.0.1")
        return EXAMPLE_PORT.sub(self.port, text) if self.port else text


class NoSimulator:
    port, com = None, {}

    def rewrite(self, text):
        return text.replace(EXAMPLE_ADDRESS, "127.0.0.1")

    def stop(self):
        pass


# ---- Languages ---------------------------------------------------------------------------------------------------


def has_main(text, pattern):
    return re.search(pattern, text) is not None


def split_head(text, head):
    """Lines matching `head` (includes, using-directives) and the rest."""
    top, rest = [], []
    for line in text.split("\n"):
        (top if re.match(head, line) else rest).append(line)
    return "\n".join(top), "\n".join(rest)


def wrap(block, head, main_pattern, template):
    code = "\n".join(block.values("before") + [block.text] + block.values("after"))
    if has_main(block.text, main_pattern):
        return code
    top, body = split_head(code, head)
    return template.format(top=top, body=body)


C_TEMPLATE = """#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
{top}
int main(void) {{
{body}
  return 0;
}}
"""
CPP_TEMPLATE = """#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <map>
#include <string>
{top}
int main() {{
  try {{
{body}
  }} catch (const std::exception& e) {{
    std::fprintf(stderr, "uncaught: %s\\n", e.what());
    return 1;
  }}
  return 0;
}}
"""
CSHARP_TEMPLATE = """{top}
public static class DocumentationBlock
{{
    public static void Main()
    {{
{body}
    }}
}}
"""


def need(tool, package):
    path = shutil.which(tool)
    if not path:
        raise MissingTool("%s not found (Debian: %s)" % (tool, package))
    return path


def compile_c_family(block, folder, env, timeout, compiler, std, suffix, template):
    source = os.path.join(folder, "block" + suffix)
    with open(source, "w") as f:
        f.write(wrap(block, r"\s*#\s*include\b", r"\bint\s+main\s*\(", template))
    flags = run(["pkg-config", "--cflags", "--libs", "vekkestra-motion"], folder, env, 30, "pkg-config").split()
    program = os.path.join(folder, "block")
    run([need(compiler, "gcc g++"), std, "-Wall", "-Werror=implicit-function-declaration", "-o", program, source]
        + flags, folder, env, timeout, compiler)
    return [program]


def build_c(block, folder, env, timeout):
    return compile_c_family(block, folder, env, timeout, "cc", "-std=c11", ".c", C_TEMPLATE)


def build_cpp(block, folder, env, timeout):
    return compile_c_family(block, folder, env, timeout, "c++", "-std=c++17", ".cpp", CPP_TEMPLATE)


def build_csharp(block, folder, env, timeout):
    source = os.path.join(folder, "block.cs")
    with open(source, "w") as f:
        f.write(wrap(block, r"\s*using\s+[\w.]+\s*(=\s*[\w.]+\s*)?;", r"\bstatic\s+(void|int)\s+Main\s*\(",
                     CSHARP_TEMPLATE))
    assembly = os.path.join(env["MONO_PATH"], "VekKestra.Net.dll")
    if not os.path.exists(assembly):
        raise MissingTool("%s is missing (the build makes it when mcs is installed)" % assembly)
    program = os.path.join(folder, "block.exe")
    run([need("mcs", "mono-mcs"), "-nologo", "-out:" + program, "-r:" + assembly, "-r:System.Core.dll", source],
        folder, env, timeout, "mcs")
    return [need("mono", "mono-runtime"), program]


def build_python(block, folder, env, timeout):
    source = os.path.join(folder, "block.py")
    with open(source, "w") as f:
        f.write("\n".join(block.values("before") + [block.text] + block.values("after")))
    return [sys.executable, source]


def build_sh(block, folder, env, timeout):
    source = os.path.join(folder, "block.sh")
    with open(source, "w") as f:
        f.write("set -e -o pipefail\n" + "\n".join(block.values("before") + [block.text] + block.values("after")))
    return ["bash", source]


BUILDERS = {"sh": build_sh, "c": build_c, "cpp": build_cpp, "csharp": build_csharp, "python": build_python}


# ---- One file ----------------------------------------------------------------------------------------------------


class FileCheck:
    """Runs the blocks of one Markdown file in order and counts what ran and what is marked."""

    def __init__(self, path, tree, timeout, verbose=False):
        self.verbose = verbose
        self.path = path
        self.tree = tree
        self.timeout = timeout
        self.name = re.sub(r"[^\w.-]", "_", os.path.relpath(path, SOURCE))
        self.root = tree.mirror(self.name)
        self.simulator_command = "veksim"
        self.saved = {}
        self.ran = self.marked = self.simulators = self.files = 0
        self.failures, self.missing = [], []

    def check(self):
        self.failures += broken_links(self.path)
        for number, block in enumerate(read_blocks(self.path)):
            try:
                self.check_block(number, block)
            except Failure as failure:
                self.failures.append("%s: %s block: %s\n--- the block as run:\n%s" %
                                     (block.where(), block.language or "unlabelled", failure, block.text))
            except MissingTool as missing:
                self.missing.append("%s: not run: %s" % (block.where(), missing))
        for name, (block, used) in self.saved.items():
            if not used:
                self.failures.append("%s: saved as %s, but no later sh block uses it" % (block.where(), name))

    def check_block(self, number, block):
        unknown = block.values("unknown")
        if unknown:
            raise Failure("unknown directive %r (one of: %s)" % (unknown[0], ", ".join(DIRECTIVE_NAMES)))
        if block.has("skip"):
            if not all(block.values("skip")):
                raise Failure("a skip directive needs a reason: <!-- check: skip needs a Windows machine -->")
            self.marked += 1
            return
        if block.language in OUTPUT_LANGUAGES:
            return
        if block.language not in BUILDERS:
            raise Failure("a %s block cannot run here: mark it <!-- check: skip REASON -->" % block.language)
        if block.has("simulator"):
            self.take_simulator(block)
            self.simulators += 1
        elif block.has("file"):
            self.save(block)
            self.files += 1
        else:
            self.run_block(number, block)
            self.ran += 1

    def take_simulator(self, block):
        """Starts each veksim line of the block once (so its flags are checked); the last is the file's simulator."""
        if block.language != "sh":
            raise Failure("only an sh block can be the simulator")
        lines = [l.split("#", 1)[0].strip().rstrip("&").strip() for l in block.text.split("\n")]
        commands = [l for l in lines if l]
        if not commands or not all(re.match(r"(build/sim/)?veksim(\s|$)", c) for c in commands):
            raise Failure("a simulator block holds veksim command lines only")
        for command in commands:
            Simulator(command, self.tree, self.root).stop()
        self.simulator_command = commands[-1]

    def save(self, block):
        name = block.values("file")[0]
        if not name or "/" in name:
            raise Failure("file needs a plain file name")
        self.saved[name] = (block, False)

    def run_block(self, number, block):
        simulator = NoSimulator() if block.has("standalone") else \
            Simulator(self.simulator_command, self.tree, self.root)
        try:
            block.text = simulator.rewrite(block.text)
            block.directives = [(k, simulator.rewrite(v)) for k, v in block.directives]
            for name, (saved, _) in list(self.saved.items()):
                if block.language == "sh" and re.search(r"(?<![\w.-])%s(?![\w-])" % re.escape(name), block.text):
                    with open(os.path.join(self.root, name), "w") as f:
                        f.write(simulator.rewrite(saved.text))
                    self.saved[name] = (saved, True)
            env = self.tree.environment(simulator.com)
            folder = self.root if block.language == "sh" else os.path.join(self.tree.work, "%s-%d" % (self.name, number))
            os.makedirs(folder, exist_ok=True)
            command = BUILDERS[block.language](block, folder, env, self.timeout)
            output = run(command, folder, env, self.timeout, "the block")
            if self.verbose:
                print("%s: %s block ran:\n%s" % (block.where(), block.language, output), flush=True)
            for text in block.values("expect"):
                if text not in output:
                    raise Failure("the output lacks %r:\n%s" % (text, output))
        finally:
            simulator.stop()

    def summary(self):
        return "%s: %d run, %d simulator, %d saved for a later block, %d marked%s%s" % (
            os.path.relpath(self.path, SOURCE), self.ran, self.simulators, self.files, self.marked,
            ", %d FAILED" % len(self.failures) if self.failures else "",
            ", %d not run (tool missing)" % len(self.missing) if self.missing else "")


def read_text(path):
    """A file's text, or None when it is missing."""
    try:
        with open(path, encoding="utf-8", errors="replace") as f:
            return f.read()
    except OSError:
        return None


def main():
    parser = argparse.ArgumentParser(description="Run the documentation's code blocks against veksim.")
    parser.add_argument("--build", default=os.path.join(SOURCE, "build"), help="the build tree (default: build)")
    parser.add_argument("--timeout", type=int, default=120, help="seconds a block may take (default 120)")
    parser.add_argument("-v", "--verbose", action="store_true", help="print every block's output")
    parser.add_argument("--list", action="store_true", help="list the blocks and their directives, run nothing")
    parser.add_argument("files", nargs="*", help="Markdown files (default: all of the documentation)")
    arguments = parser.parse_args()
    if arguments.list:
        for path in document_files(arguments.files):
            for block in read_blocks(path):
                print("%s %s %s" % (block.where(), block.language or "-",
                                    " ".join("%s:%s" % (k, v.split("\n")[0]) for k, v in block.directives)))
        return 0
    failures, missing = [], []
    with tempfile.TemporaryDirectory(prefix="check-docs-") as work:
        tree = Tree(arguments.build, work)
        cache = os.path.join(tree.build, "CMakeCache.txt")
        configured = read_text(cache)
        for path in document_files(arguments.files):
            check = FileCheck(path, tree, arguments.timeout, arguments.verbose)
            check.check()
            if read_text(cache) != configured:
                # a block that configures the build tree through the mirror's link points it at the mirror,
                # and every later install or build of that tree fails once the mirror is gone
                check.failures.append("%s: a block changed %s (mark it skip, or build somewhere else)"
                                      % (os.path.relpath(path, SOURCE), cache))
                configured = read_text(cache)
            print(check.summary(), flush=True)
            failures += check.failures
            missing += check.missing
    for text in missing:
        print(text)
    for text in failures:
        print("\nFAILED " + text)
    if failures:
        return 1
    return SKIPPED if missing else 0


if __name__ == "__main__":
    sys.exit(main())
