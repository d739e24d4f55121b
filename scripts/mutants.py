#!/usr/bin/env python3
"""Mutation testing of the project's tests: which small changes to the code no test notices.

usage (from the project root):
  scripts/mutants.py [--files GLOB...] [--max N] [--seed S] [--timeout SEC] [--list]
                     [--ids N,...] [--workdir DIR] [--jobs N] [--preset NAME] [--target T...]
                     [--test REGEX]
or through make, which installs what it needs first and passes ARGS on:
  make mutants ARGS="--ids 162"         the core against the native unit tests
  make mutants-port ARGS="--max 20"     the Windows port against its tests under Wine

It clones the project's HEAD into a temporary directory (your tree is only read), configures it
with `cmake --preset native` (or the --preset given), builds the test target once and runs its
tests (they must pass). Then, for each mutant, it changes one spot of one source file, rebuilds
the target incrementally (one object recompiled, the test program relinked), runs the target's
CTest tests with --stop-on-failure and a per-test timeout, and puts the file back. A mutant is
  killed    when a test fails, crashes or times out,
  survived  when every test passes: no test notices the change,
  invalid   when it does not compile (the project builds with -Werror, so a new warning counts).
The score is killed / (killed + survived).

Mutants, one change each, on code only (comments, strings, preprocessor lines and static_assert
are left alone):
  relational  < <= > >= == != to a neighbour (< and <=, > and >=, == and !=)
  arithmetic  binary + - * / += -= *= /= swapped (+ and -, * and /), ++ and -- swapped
  boolean     && and || swapped, a ! removed, the literals true and false swapped
  constant    an integer literal n to n+1, and to 0 where n != 0
  return      in a function returning bool: return x; to return !(x); (literals swapped)
  statement   a statement that is one call and whole lines of its own (ending in ");") deleted
  loop        break and continue swapped inside a loop
Operators count only with blanks on both sides, as the code is clang-formatted; that tells
a comparison from a template's angle brackets and a product from a pointer.

Options:
  --files GLOB...  source files to mutate, as globs relative to the project root (default:
                   src/engine/*.cpp src/config/*.cpp src/plugin/*.cpp src/platform/*.cpp);
                   files the build does not compile into the target are skipped
  --max N          run a random sample of N mutants (default: all)
  --seed S         seed of that sample (default 1); the same seed picks the same mutants
  --ids N,...      run only these mutant ids (the numbers --list and the results show)
  --timeout SEC    per-test timeout; a test that exceeds it kills the mutant
                   (default: 10 s, or 10 times the slowest test of the baseline run if more)
  --list           list the mutants that would run, then stop (no build)
  --workdir DIR    keep the clone and its build in DIR and reuse them next time
                   (default: a fresh directory under $TMPDIR, removed at the end)
  --jobs N         parallel build and test jobs (default 1)
  --preset NAME    CMake configure/build/test preset (default native)
  --target T       build target whose CTest tests are run (repeatable; default core_tests)
  --test REGEX     run the CTest tests whose names match REGEX instead of those that run the
                   target (e.g. a test under Wine that a script starts); fixtures come along

Interrupting (Ctrl-C) stops the build or test under way, restores the file and prints the
summary of the mutants run so far. Output: one line per mutant, then the summary, the score
per folder and per kind, the time per mutant, every survivor with its diff, and last the time
the whole run took.
"""

import argparse
import bisect
import collections
import fnmatch
import json
import math
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

DEFAULT_GLOBS = ["src/engine/*.cpp", "src/config/*.cpp", "src/plugin/*.cpp", "src/platform/*.cpp"]
KIND_ORDER = ["relational", "arithmetic", "boolean", "constant", "return", "statement", "loop"]
KEYWORDS = {
    "alignas", "alignof", "auto", "break", "case", "catch", "class", "co_await", "co_return",
    "co_yield", "const", "constexpr", "consteval", "constinit", "continue", "decltype", "default",
    "delete", "do", "else", "enum", "explicit", "extern", "for", "friend", "goto", "if", "inline",
    "mutable", "namespace", "new", "noexcept", "operator", "private", "protected", "public",
    "return", "sizeof", "static", "static_assert", "struct", "switch", "template", "this",
    "throw", "try", "typedef", "typename", "union", "using", "virtual", "volatile", "while",
}


class Abort(Exception):
    """Ends the run with a message and exit status 2."""


# ---------------------------------------------------------------------------------------------
# Reading C++: blank out what is not code, then find the scopes, statements and returns.


def is_ident_start(c):
    return c.isalpha() or c == "_"


def is_ident_char(c):
    return c.isalnum() or c == "_"


RAW_STRING = re.compile(r'(?:u8|u|U|L)?R"([^()\\\s]{0,16})\(')


def mask(text):
    """The text with comments, string and character literals, preprocessor lines and
    static_assert declarations replaced by blanks; line breaks and offsets are kept."""
    out = list(text)

    def blank(a, b):
        for k in range(a, b):
            if out[k] != "\n":
                out[k] = " "

    i, n = 0, len(text)
    line_start = True
    while i < n:
        c = text[i]
        if c == "\n":
            line_start = True
            i += 1
            continue
        if c in " \t\r\f\v":
            i += 1
            continue
        if line_start and c == "#":
            j = i
            while j < n and not (text[j] == "\n" and text[j - 1] != "\\"):
                j += 1
            blank(i, j)
            i = j
            continue
        line_start = False
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            blank(i, j)
            i = j
            continue
        if text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            blank(i, j)
            i = j
            continue
        raw = RAW_STRING.match(text, i)
        if raw and (i == 0 or not is_ident_char(text[i - 1])):
            close = ")" + raw.group(1) + '"'
            j = text.find(close, raw.end())
            j = n if j < 0 else j + len(close)
            blank(i, j)
            i = j
            continue
        if c in "\"'":
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
            blank(i, j)
            i = j
            continue
        if is_ident_start(c):
            while i < n and is_ident_char(text[i]):
                i += 1
            continue
        if c.isdigit():
            i = skip_number(text, i)
            continue
        i += 1
    masked = "".join(out)
    for m in re.finditer(r"\bstatic_assert\b", masked):
        end = masked.find(";", m.end())
        end = n if end < 0 else end + 1
        masked = masked[: m.start()] + "".join("\n" if ch == "\n" else " " for ch in
                                               masked[m.start():end]) + masked[end:]
    return masked


def skip_number(text, i):
    """End of the preprocessing number starting at i (digits, letters, points, separators)."""
    n = len(text)
    j = i + 1
    while j < n and (text[j].isalnum() or text[j] in "._'" or
                     (text[j] in "+-" and text[j - 1] in "eEpP" and not text[i:j].startswith(("0x", "0X")))):
        j += 1
    return j


class Scope:
    def __init__(self, kind, returns_bool=False, loop=False, paren=0):
        self.kind = kind  # namespace, class, function, lambda, block, init
        self.returns_bool = returns_bool
        self.loop = loop
        self.paren = paren


BOOL_FUNCTION = re.compile(
    r"^(?:template\s*<[^;{]*>\s*)?(?:\[\[[^\]]*\]\]\s*)?"
    r"(?:(?:static|inline|constexpr|consteval|virtual|friend|explicit)\s+)*"
    r"bool\s+(?:\w+\s*::\s*)*~?\w+\s*\(")
LAMBDA_HEADER = re.compile(
    r"\[[^\[\]]*\]\s*(?:\((?:[^()]|\([^()]*\))*\))?\s*(?:(?:mutable|constexpr|noexcept)\s*)*"
    r"(?:->\s*[\w:<>,\s*&]+)?$")
FUNCTION_HEADER = re.compile(
    r"\)\s*(?:(?:const|override|final|noexcept|volatile|&&|&)\s*)*(?:->\s*[^{;]+)?$")


def classify(header):
    """What a '{' opens, from the text since the last statement boundary."""
    h = re.sub(r"\s+", " ", header).strip()
    if not h:
        return Scope("block")
    first = re.match(r"[A-Za-z_]\w*", h)
    word = first.group(0) if first else ""
    if word in ("namespace", "extern") or h.startswith("inline namespace"):
        return Scope("namespace")
    if word in ("for", "while", "do"):
        return Scope("block", loop=True)
    if word in ("if", "else", "switch", "try", "catch"):
        return Scope("block")
    if re.match(r"(?:template\s*<[^{;]*>\s*)?(?:class|struct|union|enum)\b", h):
        return Scope("class")
    if LAMBDA_HEADER.search(h):
        return Scope("lambda", returns_bool=bool(re.search(r"->\s*bool$", h)))
    if FUNCTION_HEADER.search(h) or (re.search(r"\)\s*:", h) and h.endswith((")", "}"))):
        return Scope("function", returns_bool=bool(BOOL_FUNCTION.match(h) or
                                                    re.search(r"->\s*bool$", h)))
    return Scope("init")


class Structure:
    """Statements, return statements and jumps of one file, with the scope each is in."""

    def __init__(self, masked):
        self.statements = []  # (start, semicolon, innermost scope kind)
        self.returns = []     # (offset of 'return', innermost function or lambda scope)
        self.jumps = []       # (offset, 'break' or 'continue', inside a loop)
        stack = []
        paren = 0
        boundary = 0
        i, n = 0, len(masked)
        while i < n:
            c = masked[i]
            if is_ident_start(c):
                j = i
                while j < n and is_ident_char(masked[j]):
                    j += 1
                word = masked[i:j]
                if word == "return":
                    self.returns.append((i, self._function(stack)))
                elif word in ("break", "continue"):
                    self.jumps.append((i, word, self._in_loop(stack)))
                i = j
                continue
            if c.isdigit():
                i = skip_number(masked, i)
                continue
            if c in "([":
                paren += 1
            elif c in ")]":
                paren -= 1
            elif c == ";" and paren == 0:
                self.statements.append((boundary, i, stack[-1].kind if stack else "namespace"))
                boundary = i + 1
            elif c == "{":
                scope = classify(masked[boundary:i])
                scope.paren = paren
                stack.append(scope)
                paren = 0
                if scope.kind != "init":
                    boundary = i + 1
            elif c == "}":
                scope = stack.pop() if stack else Scope("namespace")
                paren = scope.paren
                if scope.kind != "init":
                    boundary = i + 1
            i += 1

    @staticmethod
    def _function(stack):
        for scope in reversed(stack):
            if scope.kind in ("function", "lambda"):
                return scope
        return None

    @staticmethod
    def _in_loop(stack):
        for scope in reversed(stack):
            if scope.kind in ("function", "lambda"):
                return False
            if scope.loop:
                return True
        return False


def statement_end(masked, start):
    """Offset of the ';' ending the statement that goes on at start."""
    depth = 0
    for k in range(start, len(masked)):
        c = masked[k]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif c == ";" and depth == 0:
            return k
    return -1


CALL_HEAD = re.compile(r"(?:::)?[A-Za-z_]\w*(?:\s*(?:::|\.|->)\s*~?[A-Za-z_]\w*)*\s*")


def is_call_statement(s):
    """Whether s (masked, without its ';') is an expression statement that is one call."""
    first = re.match(r"(?:::)?([A-Za-z_]\w*)", s)
    if not first or first.group(1) in KEYWORDS or not s.endswith(")") or "(" not in s:
        return False
    if not CALL_HEAD.fullmatch(s[: s.index("(")]):
        return False  # a declaration such as "Type name(args)"
    depth = 0
    for k, c in enumerate(s):
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0 and c in "=,?" and not (
                c == "=" and (s[k - 1:k] in ("=", "!", "<", ">") or s[k + 1:k + 2] == "=")):
            return False  # an assignment or a comma or conditional expression
    return True


# ---------------------------------------------------------------------------------------------
# Mutants


class Mutant:
    def __init__(self, path, start, end, new, kind, description):
        self.path, self.start, self.end, self.new = path, start, end, new
        self.kind, self.description = kind, description
        self.id = 0
        self.line = 0
        self.outcome = None   # killed, survived, invalid
        self.detail = ""
        self.seconds = 0.0
        self.build_seconds = 0.0
        self.test_seconds = 0.0

    def apply(self, text):
        return text[: self.start] + self.new + text[self.end:]

    @property
    def folder(self):
        parts = self.path.split("/")
        if len(parts) > 2 and parts[0] == "src":
            return parts[1]
        return os.path.dirname(self.path) or "."

    def location(self):
        return f"{self.path}:{self.line}"


RELATIONAL = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "=="}
ARITHMETIC = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=", "*=": "/=", "/=": "*="}


def short(text, width=60):
    text = re.sub(r"\s+", " ", text).strip()
    return text if len(text) <= width else text[: width - 3] + "..."


def snippet(text, start, end, new, pad=14):
    """The changed spot with a few characters around it, before and after the change."""
    line_begin = text.rfind("\n", 0, start) + 1
    line_end = text.find("\n", end)
    line_end = len(text) if line_end < 0 else line_end
    a = max(line_begin, start - pad)
    b = min(line_end, end + pad)
    while a > line_begin and is_ident_char(text[a - 1]) and start - a < 2 * pad:
        a -= 1  # whole words
    while b < line_end and is_ident_char(text[b]) and b - end < 2 * pad:
        b += 1
    return short(text[a:b]), short(text[a:start] + new + text[end:b])


def generate(path, text):
    """Every mutant of one file, in file order."""
    masked = mask(text)
    found = []

    def add(start, end, new, kind, description=None):
        if description is None:
            before, after = snippet(text, start, end, new)
            description = f"'{before}' -> '{after}'"
        found.append(Mutant(path, start, end, new, kind, description))

    blank = r"(?<=\s)"
    for m in re.finditer(blank + r"(<=|>=|==|!=|<|>)(?=\s)", masked):
        add(m.start(1), m.end(1), RELATIONAL[m.group(1)], "relational")
    for m in re.finditer(blank + r"([-+*/]=?)(?=\s)", masked):
        add(m.start(1), m.end(1), ARITHMETIC[m.group(1)], "arithmetic")
    for m in re.finditer(r"\+\+|--", masked):
        add(m.start(), m.end(), "--" if m.group(0) == "++" else "++", "arithmetic")
    for m in re.finditer(blank + r"(&&|\|\|)(?=\s)", masked):
        add(m.start(1), m.end(1), "||" if m.group(1) == "&&" else "&&", "boolean")
    for m in re.finditer(r"!(?!=)", masked):
        add(m.start(), m.end(), "", "boolean")

    structure = Structure(masked)
    literal_returns = set()
    for offset, function in structure.returns:
        end = statement_end(masked, offset + len("return"))
        if end < 0:
            continue
        expr_start = offset + len("return")
        expr = text[expr_start:end].strip()
        if expr in ("true", "false"):
            literal_returns.add(text.index(expr, expr_start))
            flipped = "false" if expr == "true" else "true"
            at = text.index(expr, expr_start)
            add(at, at + len(expr), flipped, "return")
        elif function is not None and function.kind == "function" and function.returns_bool and expr:
            at = text.index(expr, expr_start)
            add(at, at + len(expr), "!(" + expr + ")", "return",
                f"'return {short(expr, 40)};' -> 'return !(...);'")
    for m in re.finditer(r"\b(true|false)\b", masked):
        if m.start() in literal_returns:
            continue
        flipped = "false" if m.group(1) == "true" else "true"
        add(m.start(), m.end(), flipped, "boolean")

    for m in re.finditer(r"(?<![\w.'])(0[xX][0-9a-fA-F]+|\d+)([uUlLzZ]*)(?![\w.'])", masked):
        digits, suffix = m.group(1), m.group(2)
        if digits.lower().startswith("0x"):
            value = int(digits, 16)
            width = len(digits) - 2
            upper = any(ch.isupper() for ch in digits[2:])
            spelled = f"{value + 1:0{width}{'X' if upper else 'x'}}"
            plus_one = digits[:2] + spelled
        elif len(digits) > 1 and digits.startswith("0"):
            continue  # octal: rare, left alone
        else:
            value = int(digits)
            plus_one = str(value + 1)
        add(m.start(), m.end(), plus_one + suffix, "constant")
        if value != 0:
            add(m.start(), m.end(), "0" + suffix, "constant")

    for start, semicolon, kind in structure.statements:
        if kind not in ("function", "lambda", "block"):
            continue
        body = masked[start:semicolon]
        first = start + len(body) - len(body.lstrip())
        statement = masked[first:semicolon].rstrip()
        if not statement or not is_call_statement(statement):
            continue
        line_begin = masked.rfind("\n", 0, first) + 1
        line_end = masked.find("\n", semicolon)
        line_end = len(masked) if line_end < 0 else line_end
        if masked[line_begin:first].strip() or masked[semicolon + 1:line_end].strip():
            continue  # shares a line with other code
        removed = text[line_begin:line_end]
        add(line_begin, line_end, "\n" * removed.count("\n"), "statement",
            f"deleted '{short(text[first:semicolon + 1], 56)}'")

    for offset, word, in_loop in structure.jumps:
        if in_loop:
            other = "continue" if word == "break" else "break"
            add(offset, offset + len(word), other, "loop")

    found.sort(key=lambda mu: (mu.start, KIND_ORDER.index(mu.kind), mu.end, mu.new))
    unique, seen = [], set()
    line_starts = [0] + [k + 1 for k, ch in enumerate(text) if ch == "\n"]
    for mu in found:
        key = (mu.start, mu.end, mu.new)
        if key in seen:
            continue
        seen.add(key)
        mu.line = bisect.bisect_right(line_starts, mu.start)
        unique.append(mu)
    return unique


def diff_lines(text, mutant):
    """The changed lines, old and new, with one line of context either side."""
    old_lines = text.split("\n")
    new_lines = mutant.apply(text).split("\n")
    first = mutant.line - 1
    last = text.count("\n", 0, mutant.end)
    width = len(str(last + 2))
    out = []
    if first > 0:
        out.append(f"    {first:>{width}} |{old_lines[first - 1]}")
    changed = [k for k in range(first, last + 1)
               if mutant.kind == "statement" or old_lines[k] != new_lines[k]]
    for k in changed:
        if k > first and k - 1 not in changed:
            out.append(f"    {'':>{width}} |...")
        out.append(f"  - {k + 1:>{width}} |{old_lines[k]}")
        if mutant.kind != "statement":
            out.append(f"  + {k + 1:>{width}} |{new_lines[k]}")
    if last + 1 < len(old_lines) and old_lines[last + 1:] != [""]:
        out.append(f"    {last + 2:>{width}} |{old_lines[last + 1]}")
    return out


# ---------------------------------------------------------------------------------------------
# Running commands


def run(cmd, cwd, timeout=None):
    """Runs cmd in a process group of its own; returns (exit status or None on timeout, output).
    An interrupt or a timeout ends the whole group."""
    proc = subprocess.Popen(cmd, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            stdin=subprocess.DEVNULL, text=True, errors="replace",
                            start_new_session=True)
    try:
        output, _ = proc.communicate(timeout=timeout)
        return proc.returncode, output
    except subprocess.TimeoutExpired:
        kill_group(proc)
        output, _ = proc.communicate()
        return None, output
    except BaseException:
        kill_group(proc)
        proc.wait()
        raise


def kill_group(proc):
    try:
        os.killpg(proc.pid, signal.SIGKILL)
    except ProcessLookupError:
        pass


def git(args, cwd):
    status, output = run(["git"] + args, cwd)
    if status != 0:
        raise Abort(f"git {' '.join(args)} failed:\n{output}")
    return output.strip()


def first_error(output):
    for line in output.splitlines():
        if re.search(r"\berror\b", line):
            line = re.sub(r"^/\S*/", "", line.strip())
            return short(line, 110)
    return "build failed"


def fmt_seconds(seconds):
    if seconds < 120:
        return f"{seconds:.1f} s"
    return f"{int(seconds // 60)} min {int(seconds % 60):02d} s"


# ---------------------------------------------------------------------------------------------
# The run


class Runner:
    def __init__(self, args, root):
        self.args = args
        self.root = root
        self.clone = None
        self.temporary = None
        self.build_dir = None
        self.objects = {}       # source path relative to the clone -> object file
        self.test_numbers = []  # CTest numbers of the target's tests
        self.test_timeout = args.timeout
        self.ctest_guard = None

    def out(self, line=""):
        print(line, flush=True)

    # -- set-up ----------------------------------------------------------------------------

    def prepare_clone(self):
        head = git(["rev-parse", "HEAD"], self.root)
        dirty = git(["--no-optional-locks", "status", "--porcelain", "--untracked-files=no"], self.root)
        if dirty:
            self.out("mutants: note: uncommitted changes are not included; mutating HEAD")
        if self.args.workdir:
            self.clone = os.path.abspath(self.args.workdir)
            if os.path.isdir(os.path.join(self.clone, ".git")):
                git(["fetch", "-q", self.root, "HEAD"], self.clone)
                git(["checkout", "-q", "--force", "--detach", head], self.clone)
                return head
            os.makedirs(os.path.dirname(self.clone) or ".", exist_ok=True)
        else:
            self.temporary = tempfile.mkdtemp(prefix="mutants-")
            self.clone = os.path.join(self.temporary, "project")
        git(["clone", "-q", "--no-checkout", self.root, self.clone], self.root)
        git(["checkout", "-q", "--detach", head], self.clone)
        return head

    def configure(self):
        status, output = run(["cmake", "--preset", self.args.preset], self.clone)
        if status != 0:
            raise Abort(f"cmake --preset {self.args.preset} failed:\n{output}")
        match = re.search(r"Build files have been written to: (.+)", output)
        self.build_dir = (match.group(1).strip() if match
                          else os.path.join(self.clone, "build", self.args.preset))
        commands = os.path.join(self.build_dir, "compile_commands.json")
        if not os.path.exists(commands):
            raise Abort(f"no {commands}: the tool needs CMAKE_EXPORT_COMPILE_COMMANDS")
        with open(commands) as f:
            for entry in json.load(f):
                source = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
                rel = os.path.relpath(source, os.path.realpath(self.clone))
                obj = entry.get("output")
                if not obj:
                    match = re.search(r"\s-o\s+(\S+)", entry.get("command", ""))
                    obj = match.group(1) if match else None
                if obj:
                    self.objects[rel] = os.path.join(entry["directory"], obj)

    def select_files(self):
        tracked = git(["ls-files"], self.clone).splitlines()
        globs = self.args.files or DEFAULT_GLOBS
        chosen = sorted({p for p in tracked if any(fnmatch.fnmatch(p, g) for g in globs)})
        if not chosen:
            raise Abort(f"no tracked file matches {' '.join(globs)}")
        files, skipped = [], []
        for p in chosen:
            (files if p in self.objects else skipped).append(p)
        if skipped and self.args.files:
            self.out(f"mutants: skipped, not compiled by the {self.args.preset} build: {' '.join(skipped)}")
        if not files:
            raise Abort(f"none of the files is compiled by the {self.args.preset} build")
        return files

    def build(self):
        cmd = ["cmake", "--build", "--preset", self.args.preset, "-j", str(self.args.jobs)]
        for target in self.args.target:
            cmd += ["--target", target]
        return run(cmd, self.clone, timeout=1800)

    def find_tests(self):
        status, output = run(["ctest", "--preset", self.args.preset, "--show-only=json-v1"], self.clone)
        if status != 0:
            raise Abort(f"ctest --show-only failed:\n{output}")
        tests = json.loads(output[output.index("{"):])["tests"]
        for number, test in enumerate(tests, 1):
            command = test.get("command") or [""]
            if self.args.test:
                if re.search(self.args.test, test.get("name", "")):
                    self.test_numbers.append(number)
            elif os.path.basename(command[0]) in self.args.target:
                self.test_numbers.append(number)
        if not self.test_numbers:
            wanted = f"matches {self.args.test}" if self.args.test else f"runs {' or '.join(self.args.target)}"
            raise Abort(f"no CTest test {wanted}")

    def ctest(self, stop_on_failure, timeout, guard):
        selection = "1,0,," + ",".join(map(str, self.test_numbers))
        cmd = ["ctest", "--preset", self.args.preset, "-I", selection, "-j", str(self.args.jobs),
               "--timeout", str(timeout)]
        if stop_on_failure:
            cmd.append("--stop-on-failure")
        return run(cmd, self.clone, timeout=guard)

    def baseline(self, files):
        started = time.monotonic()
        status, output = self.build()
        if status != 0:
            raise Abort(f"the unmutated project does not build:\n{output[-4000:]}")
        build_seconds = time.monotonic() - started
        unbuilt = [p for p in files if not os.path.exists(self.objects[p])]
        for p in unbuilt:
            self.out(f"mutants: skipped, not part of {' '.join(self.args.target)}: {p}")
        files = [p for p in files if p not in unbuilt]
        if not files:
            raise Abort("none of the files is built into the target")
        self.find_tests()
        started = time.monotonic()
        status, output = self.ctest(False, 600, 3600)
        test_seconds = time.monotonic() - started
        if status != 0:
            raise Abort("the tests fail without any mutation:\n" + output[-4000:])
        durations = [float(d) for d in re.findall(r"Passed\s+([0-9.]+) sec", output)]
        slowest = max(durations, default=1.0)
        if self.test_timeout is None:
            self.test_timeout = max(10, math.ceil(10 * slowest))
        self.ctest_guard = 2 * (self.test_timeout + 5 * test_seconds) + 60
        return files, build_seconds, test_seconds, slowest

    # -- one mutant --------------------------------------------------------------------------

    def run_mutant(self, mutant, original):
        path = os.path.join(self.clone, mutant.path)
        obj = self.objects[mutant.path]
        started = time.monotonic()
        try:
            with open(path, "w") as f:
                f.write(mutant.apply(original))
            if os.path.exists(obj) and os.stat(path).st_mtime_ns <= os.stat(obj).st_mtime_ns:
                stamp = os.stat(obj).st_mtime_ns + 1_000_000
                os.utime(path, ns=(stamp, stamp))
            written = os.stat(path).st_mtime_ns
            status, output = self.build()
            mutant.build_seconds = time.monotonic() - started
            if status != 0:
                if "Error running test executable" in output:
                    mutant.outcome, mutant.detail = "killed", "the test program fails to list its tests"
                elif status is None:
                    mutant.outcome, mutant.detail = "invalid", "build timed out"
                else:
                    mutant.outcome, mutant.detail = "invalid", first_error(output)
                return
            if not os.path.exists(obj) or os.stat(obj).st_mtime_ns < written:
                raise Abort(f"{mutant.path} was not recompiled by the build; "
                            "is it part of the target?")
            test_started = time.monotonic()
            status, output = self.ctest(True, self.test_timeout, self.ctest_guard)
            mutant.test_seconds = time.monotonic() - test_started
            self.judge(mutant, status, output)
        finally:
            with open(path, "w") as f:
                f.write(original)
            mutant.seconds = time.monotonic() - started

    def judge(self, mutant, status, output):
        if status is None:
            mutant.outcome, mutant.detail = "killed", "the test run timed out"
            return
        failed = re.findall(r"^\s*\d+ - (.+?) \(([^()]+)\)\s*$",
                            output.split("The following tests FAILED:", 1)[-1], re.M) \
            if "The following tests FAILED:" in output else []
        if status == 0:
            mutant.outcome, mutant.detail = "survived", ""
        elif failed:
            name, why = failed[0]
            why = {"Failed": ""}.get(why, why)
            mutant.outcome = "killed"
            mutant.detail = f"by {name}" + (f" ({why.lower()})" if why else "")
        else:
            mutant.outcome, mutant.detail = "invalid", "ctest: " + first_error(output)


def sample(mutants, args):
    chosen = mutants
    if args.ids:
        wanted = set(args.ids)
        chosen = [m for m in mutants if m.id in wanted]
        missing = wanted - {m.id for m in chosen}
        if missing:
            raise Abort(f"no mutant with id {', '.join(map(str, sorted(missing)))} "
                        f"(ids run from 1 to {len(mutants)})")
    if args.max is not None and args.max < len(chosen):
        chosen = random.Random(args.seed).sample(chosen, args.max)
    return sorted(chosen, key=lambda m: m.id)


def score_line(killed, survived):
    if killed + survived == 0:
        return "n/a"
    return f"{100.0 * killed / (killed + survived):.1f} %"


def report(runner, done, total_planned, sources, interrupted):
    out = runner.out
    killed = [m for m in done if m.outcome == "killed"]
    survived = [m for m in done if m.outcome == "survived"]
    invalid = [m for m in done if m.outcome == "invalid"]
    out()
    if interrupted:
        out(f"mutants: interrupted after {len(done)} of {total_planned}")
    k, s, i = len(killed), len(survived), len(invalid)
    out(f"mutants: {k} killed, {s} survived, {i} invalid of {len(done)}; "
        f"score K/(K+S) = {score_line(k, s)}")
    if not done:
        return

    def table(title, key, order):
        out()
        out(f"{title:<12} {'killed':>6} {'survived':>8} {'invalid':>7} {'score':>8}")
        groups = collections.defaultdict(list)
        for m in done:
            groups[key(m)].append(m)
        for name in sorted(groups, key=order):
            ms = groups[name]
            gk = sum(m.outcome == "killed" for m in ms)
            gs = sum(m.outcome == "survived" for m in ms)
            gi = sum(m.outcome == "invalid" for m in ms)
            out(f"{name:<12} {gk:>6} {gs:>8} {gi:>7} {score_line(gk, gs):>8}")

    folder_order = {"engine": 0, "config": 1, "plugin": 2, "platform": 3}
    table("folder", lambda m: m.folder, lambda f: (folder_order.get(f, 9), f))
    table("kind", lambda m: m.kind, lambda kind: KIND_ORDER.index(kind))

    out()
    ran = [m for m in done if m.outcome != "invalid"]
    mean = sum(m.seconds for m in done) / len(done)
    out(f"time: {mean:.1f} s per mutant on average "
        f"(build {sum(m.build_seconds for m in done) / len(done):.1f} s"
        + (f", tests {sum(m.test_seconds for m in ran) / len(ran):.1f} s per built mutant" if ran else "")
        + ")")

    if survived:
        out()
        out(f"survivors ({len(survived)}): changes no test notices")
        for kind in KIND_ORDER:
            group = [m for m in survived if m.kind == kind]
            if not group:
                continue
            out()
            out(f"  {kind} ({len(group)})")
            for m in group:
                out(f"  #{m.id} {m.location()}  {m.kind} {m.description}")
                for line in diff_lines(sources[m.path], m):
                    out("  " + line)


def main():
    parser = argparse.ArgumentParser(
        prog="mutants", description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter,
        usage=argparse.SUPPRESS)
    hidden = argparse.SUPPRESS  # the options are described in the header above
    parser.add_argument("--files", nargs="+", help=hidden)
    parser.add_argument("--max", type=int, help=hidden)
    parser.add_argument("--seed", type=int, default=1, help=hidden)
    parser.add_argument("--ids", type=lambda s: [int(x) for x in s.split(",") if x], help=hidden)
    parser.add_argument("--timeout", type=int, help=hidden)
    parser.add_argument("--list", action="store_true", help=hidden)
    parser.add_argument("--workdir", help=hidden)
    parser.add_argument("--jobs", type=int, default=1, help=hidden)
    parser.add_argument("--preset", default="native", help=hidden)
    parser.add_argument("--target", action="append", help=hidden)
    parser.add_argument("--test", help=hidden)
    args = parser.parse_args()
    args.target = args.target or ["core_tests"]

    def stop(signum, frame):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGHUP, stop)

    status, root = run(["git", "rev-parse", "--show-toplevel"], os.getcwd())
    if status != 0:
        print("mutants: run it inside the project's git work tree", file=sys.stderr)
        return 2
    runner = Runner(args, root.strip())
    wall_started = time.monotonic()
    done, planned, sources = [], [], {}
    interrupted = False
    try:
        head = runner.prepare_clone()
        started = time.monotonic()
        runner.configure()
        configure_seconds = time.monotonic() - started
        files = runner.select_files()
        mutants = []
        for p in files:
            with open(os.path.join(runner.clone, p)) as f:
                sources[p] = f.read()
            mutants += generate(p, sources[p])
        for number, m in enumerate(mutants, 1):
            m.id = number
        planned = sample(mutants, args)
        chosen = "" if len(planned) == len(mutants) else f", {len(planned)} chosen" + (
            f" at random (seed {args.seed})" if args.max is not None and not args.ids else "")
        runner.out(f"mutants: HEAD {head[:10]}, {len(files)} files, {len(mutants)} mutants{chosen}")
        if args.list:
            for m in planned:
                runner.out(f"#{m.id:<4} {m.location():<40} {m.kind:<10} {m.description}")
            return 0
        files_needed = sorted({m.path for m in planned})
        kept, build_seconds, test_seconds, slowest = runner.baseline(files_needed)
        planned = [m for m in planned if m.path in kept]
        runner.out(f"set-up: configure {configure_seconds:.1f} s, build {fmt_seconds(build_seconds)}, "
                   f"baseline tests {test_seconds:.1f} s ({len(runner.test_numbers)} tests, slowest "
                   f"{slowest:.2f} s); per-test timeout {runner.test_timeout} s; clone {runner.clone}")
        width = len(str(len(planned)))
        for n, m in enumerate(sorted(planned, key=lambda m: (m.path, m.start, m.id)), 1):
            runner.run_mutant(m, sources[m.path])
            done.append(m)
            runner.out(f"[{n:>{width}}/{len(planned)}] {m.outcome:<8} #{m.id:<4} {m.location():<36} "
                       f"{m.kind:<10} {m.description}" + (f"  {m.detail}" if m.detail else "")
                       + f"  ({m.seconds:.1f} s)")
    except KeyboardInterrupt:
        interrupted = True
    except Abort as error:
        print(f"mutants: {error}", file=sys.stderr)
        return 2
    finally:
        if runner.temporary:
            shutil.rmtree(runner.temporary, ignore_errors=True)
    if not args.list:
        report(runner, done, len(planned), sources, interrupted)
        runner.out()
        runner.out(f"mutants: {fmt_seconds(time.monotonic() - wall_started)} in all")
    return 130 if interrupted else 0


if __name__ == "__main__":
    sys.exit(main())
