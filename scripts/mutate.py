#!/usr/bin/env python3
"""Mutation run over the product sources in src/.

Applies one small change at a time to a C++ file of src/ (operator
replacement, constant change, statement deletion, condition negation),
rebuilds the test program, runs it, and records whether some test failed
(killed), none did (survived), the run did not end in time (timed out) or the
mutant did not build. Prints the kill rate and the survivors.

The mutants are applied to a mirror of the working tree in build-mutation/tree
and built in build-mutation/build, so the working tree is never changed and an
interrupted run leaves nothing behind but the mirror, which the next run
refreshes.

Mutants that no test can tell from the product are listed, each with its
reason, in scripts/mutation-equivalents.toml. A mutant is identified there by
its file, the text of the mutated line and the mutation, so the list survives
unrelated edits of the file.
"""

from __future__ import annotations

import argparse
import bisect
import dataclasses
import fcntl
import fnmatch
import json
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
import tomllib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
EQUIVALENTS = ROOT / "scripts" / "mutation-equivalents.toml"
DEFAULT_WORK = ROOT / "build-mutation"


@dataclasses.dataclass(frozen=True)
class WorkArea:
    """Where one run keeps the mirror, the build and the results. Two runs
    with different work areas can go on side by side."""

    root: Path

    @property
    def mirror(self) -> Path:
        return self.root / "tree"

    @property
    def build(self) -> Path:
        return self.root / "build"

    @property
    def results(self) -> Path:
        return self.root / "results.json"

    @property
    def test_program(self) -> Path:
        return self.build / "tests" / "vintoq_tests"


LAUNCHER_TARGET = "sim/vintoq32-sim"
TEST_TARGET = "tests/vintoq_tests"

# ----------------------------------------------------------------------------
# A C++ lexer good enough for clang-formatted code: comments, strings,
# characters and preprocessor lines are opaque tokens that are never mutated.

PUNCTUATORS = sorted(
    "<<= >>= ... ->* :: -> ++ -- << >> <= >= == != && || += -= *= /= %= &= |= ^= .* "
    "{ } [ ] ( ) ; : , . ? ~ ! + - * / % ^ & | = < >".split(),
    key=len,
    reverse=True,
)
TOKEN_PATTERN = re.compile(
    r"""
    (?P<space>\s+)
  | (?P<comment>//[^\n]*|/\*.*?\*/)
  | (?P<string>"(?:\\.|[^"\\\n])*")
  | (?P<char>'(?:\\.|[^'\\\n])+')
  | (?P<number>(?:0[xX][0-9a-fA-F']+|[0-9][0-9']*(?:\.[0-9]*)?(?:[eE][+-]?[0-9]+)?)[uUlLfF]*)
  | (?P<ident>[A-Za-z_][A-Za-z0-9_]*)
  | (?P<punct>"""
    + "|".join(re.escape(p) for p in PUNCTUATORS)
    + r""")
    """,
    re.VERBOSE | re.DOTALL,
)
PREPROCESSOR = re.compile(r"^[ \t]*#(?:[^\n]*\\\n)*[^\n]*", re.MULTILINE)

KEYWORDS = set(
    "alignas alignof auto bool break case catch char class const constexpr consteval "
    "constinit continue default delete do double else enum explicit extern false float for "
    "goto if inline int long namespace new noexcept nullptr operator private protected public "
    "return short signed sizeof static static_assert struct switch template this throw true "
    "try typedef typename union unsigned using virtual void volatile while".split()
)


@dataclasses.dataclass
class Token:
    kind: str
    text: str
    start: int
    end: int


def tokenize(source: str) -> list[Token]:
    opaque = {m.start(): m.end() for m in PREPROCESSOR.finditer(source)}
    tokens: list[Token] = []
    position = 0
    while position < len(source):
        if position in opaque:
            position = opaque[position]
            continue
        match = TOKEN_PATTERN.match(source, position)
        if match is None:
            raise ValueError(f"cannot read the source at offset {position}")
        kind = match.lastgroup
        if kind not in ("space", "comment"):
            tokens.append(Token(kind, match.group(), match.start(), match.end()))
        position = match.end()
    return tokens


def matching_brackets(tokens: list[Token]) -> dict[int, int]:
    pairs: dict[int, int] = {}
    stack: list[int] = []
    for i, token in enumerate(tokens):
        if token.text in ("(", "[", "{"):
            stack.append(i)
        elif token.text in (")", "]", "}") and stack:
            j = stack.pop()
            pairs[j] = i
            pairs[i] = j
    return pairs


# ----------------------------------------------------------------------------
# Mutation operators.

BINARY_REPLACEMENTS = {
    # relational: the boundary and the negation
    "<": ["<="],
    "<=": ["<"],
    ">": [">="],
    ">=": [">"],
    "==": ["!="],
    "!=": ["=="],
    # arithmetic
    "+": ["-"],
    "-": ["+"],
    "*": ["/"],
    "/": ["*"],
    "%": ["/"],
    # logical
    "&&": ["||"],
    "||": ["&&"],
    # bitwise
    "&": ["|"],
    "|": ["&"],
    "^": ["|"],
    "<<": [">>"],
    ">>": ["<<"],
    # compound assignment
    "+=": ["-="],
    "-=": ["+="],
    "*=": ["/="],
    "/=": ["*="],
    "&=": ["|="],
    "|=": ["&="],
    "<<=": [">>="],
    ">>=": ["<<="],
}
BINARY_KIND = {
    **dict.fromkeys(["<", "<=", ">", ">=", "==", "!="], "relational"),
    **dict.fromkeys(["+", "-", "*", "/", "%"], "arithmetic"),
    **dict.fromkeys(["&&", "||"], "logical"),
    **dict.fromkeys(["&", "|", "^", "<<", ">>"], "bitwise"),
    **dict.fromkeys(["+=", "-=", "*=", "/=", "&=", "|=", "<<=", ">>="], "assignment"),
}
BOOLEANS = {"true": "false", "false": "true", "TRUE": "FALSE", "FALSE": "TRUE"}
STATEMENT_KEYWORDS = KEYWORDS - {"this", "true", "false", "nullptr", "sizeof", "delete"}
ASSIGNMENTS = {"=", "+=", "-=", "*=", "/=", "%=", "&=", "|=", "^=", "<<=", ">>="}
DEFAULT_RETURNS = {"{}", "0", "false", "FALSE", "nullptr"}


@dataclasses.dataclass
class Mutant:
    file: str  # relative to the repository
    line: int  # 1-based, of the first mutated character
    line_text: str  # that line, stripped
    kind: str
    original: str
    replacement: str
    start: int
    end: int
    occurrence: int = 0  # among the mutants of the same line and description
    line_occurrence: int = 1  # among the lines of the file with the same text
    status: str = ""
    detail: str = ""
    seconds: float = 0.0

    @property
    def description(self) -> str:
        text = f"{self.kind}: {shorten(self.original)} -> {shorten(self.replacement)}"
        return text + (f" #{self.occurrence + 1}" if self.occurrence else "")

    @property
    def key(self) -> tuple[str, str, str, int]:
        """Names the mutant across edits elsewhere in the file: the file, the
        text of the line (the how-manyth line of that text) and the mutation."""
        return (self.file, normalise(self.line_text), self.description, self.line_occurrence)

    def apply(self, source: str) -> str:
        return source[: self.start] + self.replacement + source[self.end :]


def shorten(text: str) -> str:
    text = normalise(text)
    return text if len(text) <= 60 else text[:57] + "..."


def normalise(text: str) -> str:
    return " ".join(text.split())


def spaced(source: str, token: Token) -> bool:
    """A binary operator in clang-formatted code has a blank on each side;
    template brackets, declarators and unary operators do not."""
    before = source[token.start - 1] if token.start > 0 else "\n"
    after = source[token.end] if token.end < len(source) else "\n"
    return before in " \t\n" and after in " \t\n"


def static_assert_ranges(tokens: list[Token], pairs: dict[int, int]) -> list[tuple[int, int]]:
    """Token index ranges inside static_assert(...): a mutant there only
    breaks the build."""
    ranges = []
    for i, token in enumerate(tokens):
        if token.text == "static_assert" and i + 1 < len(tokens) and tokens[i + 1].text == "(":
            ranges.append((i, pairs.get(i + 1, i + 1)))
    return ranges


def integer_variants(text: str) -> list[str]:
    match = re.fullmatch(r"(0[xX])?([0-9a-fA-F']+)([uUlL]*)", text)
    if match is None:
        return []
    prefix, digits, suffix = match.groups()
    digits = digits.replace("'", "")
    value = int(digits, 16 if prefix else 10)

    def spell(number: int) -> str:
        if prefix:
            spelled = format(number, "X" if digits.upper() == digits else "x")
            return prefix + spelled.zfill(len(digits)) + suffix
        return str(number) + suffix

    values = [value + 1]
    if value >= 1:
        values.append(value - 1)
    return [spell(v) for v in values]


def float_variants(text: str) -> list[str]:
    match = re.fullmatch(r"([0-9]+\.[0-9]*)([fF]?)", text)
    if match is None:
        return []
    value = float(match.group(1))
    return [repr(value + 1.0) + match.group(2), repr(value - 1.0) + match.group(2)]


def char_variants(text: str) -> list[str]:
    body = text[1:-1]
    if len(body) != 1 or not body.isprintable() or body in "\\'":
        return []
    variants = []
    for code in (ord(body) + 1, ord(body) - 1):
        character = chr(code)
        if 32 <= code < 127 and character not in "\\'":
            variants.append(f"'{character}'")
    return variants


def statement_starts(tokens: list[Token], pairs: dict[int, int]) -> set[int]:
    """Indices of tokens that begin a statement."""
    starts = set()
    for i in range(1, len(tokens)):
        previous = tokens[i - 1].text
        if previous in (";", "{", "}"):
            starts.add(i)
        elif previous == ")" and pairs.get(i - 1, 0) > 0:
            opener = pairs[i - 1]
            if opener > 0 and tokens[opener - 1].text in ("if", "while", "for"):
                starts.add(i)
        elif previous == "else":
            starts.add(i)
        elif previous == ":" and is_label_colon(tokens, i - 1):
            starts.add(i)
    return starts


def is_label_colon(tokens: list[Token], colon: int) -> bool:
    for j in range(colon - 1, -1, -1):
        text = tokens[j].text
        if text in ("case", "default", "public", "private", "protected"):
            return True
        if text in (";", "{", "}", "?", "(", ")", ","):
            return False
    return False


def statement_end(tokens: list[Token], pairs: dict[int, int], start: int) -> int | None:
    """Index of the ';' that ends the statement beginning at start."""
    i = start
    while i < len(tokens):
        text = tokens[i].text
        if text in ("(", "[", "{"):
            if text == "{" and tokens[i - 1].text in (")", "else", "do"):
                return None  # a compound statement, not an expression
            i = pairs.get(i, i) + 1
            continue
        if text in (")", "]", "}"):
            return None
        if text == ";":
            return i
        i += 1
    return None


def postfix_chain_end(tokens: list[Token], pairs: dict[int, int], i: int, end: int) -> int:
    """Skips name, name::name, .name, ->name, [..] and (..) from i; returns the
    index after the chain."""
    if i < end and tokens[i].text == "::":
        i += 1
    if i >= end or tokens[i].kind != "ident" or tokens[i].text in STATEMENT_KEYWORDS:
        return -1
    i += 1
    while i < end:
        text = tokens[i].text
        if text in ("::", ".", "->") and i + 1 < end and tokens[i + 1].kind == "ident":
            i += 2
        elif text in ("(", "["):
            i = pairs.get(i, end) + 1
        else:
            break
    return i


def statement_mutants(source: str, tokens: list[Token], pairs: dict[int, int], start: int):
    """Deletion of a call, assignment or increment statement, and the
    default value for a returned expression."""
    end = statement_end(tokens, pairs, start)
    if end is None:
        return
    first = tokens[start]
    span = (first.start, tokens[end].end)
    text = source[span[0] : span[1]]
    if first.text == "return":
        value = source[tokens[start + 1].start : tokens[end].start] if end > start + 1 else ""
        if not value:
            yield ("statement", text, "{}", span)
        elif normalise(value) not in DEFAULT_RETURNS and not value.startswith("{"):
            yield ("return", text, "return {};", span)
        return
    if first.text in ("break", "continue"):
        yield ("statement", text, "{}", span)
        return
    i = start
    if first.text in ("++", "--", "*"):
        i += 1
    chain_end = postfix_chain_end(tokens, pairs, i, end)
    if chain_end < 0:
        return
    is_call = chain_end == end and tokens[end - 1].text == ")"
    is_assignment = chain_end < end and tokens[chain_end].text in ASSIGNMENTS
    is_increment = first.text in ("++", "--") and chain_end == end
    is_increment = is_increment or (chain_end == end - 1 and tokens[chain_end].text in ("++", "--"))
    if (is_call and first.text != "*") or is_assignment or is_increment:
        yield ("statement", text, "{}", span)


def condition_mutants(source: str, tokens: list[Token], pairs: dict[int, int], i: int):
    """if (c), while (c) and the middle of for (a; c; b) negated."""
    keyword = tokens[i].text
    if i + 1 >= len(tokens) or tokens[i + 1].text != "(" or (i + 1) not in pairs:
        return
    opener, closer = i + 1, pairs[i + 1]
    if keyword == "for":
        semicolons = [j for j in range(opener + 1, closer)
                      if tokens[j].text == ";" and depth_one(tokens, pairs, opener, j)]
        if len(semicolons) != 2 or semicolons[1] == semicolons[0] + 1:
            return
        first, last = semicolons[0] + 1, semicolons[1] - 1
    else:
        first, last = opener + 1, closer - 1
    inner = tokens[first : last + 1]
    declaration = inner and inner[0].text in KEYWORDS - {"true", "false"}
    if declaration or any(t.text == "=" for t in inner):
        return  # a declaration as condition
    span = (tokens[first].start, tokens[last].end)
    text = source[span[0] : span[1]]
    yield ("condition", text, f"!({text})", span)


def depth_one(tokens: list[Token], pairs: dict[int, int], opener: int, index: int) -> bool:
    j = opener + 1
    while j < index:
        if tokens[j].text in ("(", "[", "{"):
            j = pairs.get(j, j)
            if j >= index:
                return False
        j += 1
    return True


def find_mutants(path: str, source: str) -> list[Mutant]:
    tokens = tokenize(source)
    pairs = matching_brackets(tokens)
    excluded = static_assert_ranges(tokens, pairs)
    found: list[tuple[str, str, str, tuple[int, int]]] = []

    def inside_static_assert(index: int) -> bool:
        return any(low <= index <= high for low, high in excluded)

    starts = statement_starts(tokens, pairs)
    for i, token in enumerate(tokens):
        if inside_static_assert(i):
            continue
        span = (token.start, token.end)
        if token.kind == "punct":
            if token.text in BINARY_REPLACEMENTS and spaced(source, token):
                for replacement in BINARY_REPLACEMENTS[token.text]:
                    found.append((BINARY_KIND[token.text], token.text, replacement, span))
            elif token.text in ("++", "--"):
                found.append(("increment", token.text, "--" if token.text == "++" else "++", span))
            elif token.text == "!" and not spaced(source, token):
                found.append(("negation", "!", "", span))
        elif token.kind == "number":
            for variant in integer_variants(token.text) or float_variants(token.text):
                found.append(("constant", token.text, variant, span))
        elif token.kind == "char":
            for variant in char_variants(token.text):
                found.append(("constant", token.text, variant, span))
        elif token.kind == "ident":
            if token.text in BOOLEANS:
                found.append(("constant", token.text, BOOLEANS[token.text], span))
            if token.text in ("if", "while", "for"):
                found.extend(condition_mutants(source, tokens, pairs, i))
        if i in starts:
            found.extend(statement_mutants(source, tokens, pairs, i))

    line_starts = [0] + [m.end() for m in re.finditer("\n", source)]
    lines = source.split("\n")
    line_occurrences = []
    seen_lines: dict[str, int] = {}
    for text in lines:
        seen_lines[normalise(text)] = seen_lines.get(normalise(text), 0) + 1
        line_occurrences.append(seen_lines[normalise(text)])
    mutants: list[Mutant] = []
    seen_sources: set[str] = set()
    occurrences: dict[tuple[int, str, str, str], int] = {}
    for kind, original, replacement, (start, end) in sorted(found, key=lambda f: f[3][0]):
        mutated = source[:start] + replacement + source[end:]
        if mutated in seen_sources:
            continue
        seen_sources.add(mutated)
        line = bisect.bisect_right(line_starts, start)
        base = (line, kind, normalise(original), normalise(replacement))
        occurrence = occurrences.get(base, 0)
        occurrences[base] = occurrence + 1
        mutants.append(
            Mutant(path, line, lines[line - 1].strip(), kind, original, replacement, start, end,
                   occurrence, line_occurrences[line - 1])
        )
    return mutants


# ----------------------------------------------------------------------------
# The accepted equivalent mutants.


class Equivalents:
    """The accepted equivalent mutants. An entry names a file, the text of the
    mutated line and the mutation; when the file has several lines of that
    text, `occurrence` (1 for the first) names one of them."""

    def __init__(self, path: Path):
        self.reasons: dict[tuple[str, str, str, int], str] = {}
        if not path.exists():
            return
        with path.open("rb") as stream:
            data = tomllib.load(stream)
        for entry in data.get("equivalent", []):
            mutations = entry.get("mutations", [])
            if "mutation" in entry:
                mutations = [entry["mutation"], *mutations]
            for mutation in mutations:
                key = (entry["file"], normalise(entry["line"]), mutation,
                       entry.get("occurrence", 0))
                self.reasons[key] = entry["reason"]

    def covers(self, mutant: Mutant) -> bool:
        file, line, mutation, occurrence = mutant.key
        return ((file, line, mutation, 0) in self.reasons
                or (file, line, mutation, occurrence) in self.reasons)

    def unmatched(self, everything: list[Mutant]) -> list[tuple[str, str, str, int]]:
        found = set()
        for mutant in everything:
            found.add(mutant.key)
            found.add((*mutant.key[:3], 0))
        return [key for key in self.reasons if key not in found]


# ----------------------------------------------------------------------------
# The mirror, the build and the test run.


def tracked_files() -> list[str]:
    listing = subprocess.run(
        ["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"],
        cwd=ROOT, check=True, capture_output=True,
    ).stdout.decode()
    return [name for name in listing.split("\0") if name and (ROOT / name).is_file()]


def sync_mirror(area: WorkArea) -> None:
    """Copies every changed file of the working tree into the mirror. Files
    are written, not copied with their times: a file put back must look newer
    than the objects built from its mutants."""
    wanted = set(tracked_files())
    for name in wanted:
        source, target = ROOT / name, area.mirror / name
        content = source.read_bytes()
        if not target.exists() or target.read_bytes() != content:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(content)
    for target in list(area.mirror.rglob("*")):
        if target.is_file() and str(target.relative_to(area.mirror)) not in wanted:
            target.unlink()


def configure(area: WorkArea) -> None:
    if (area.build / "build.ninja").exists():
        return
    flags = ["-DCMAKE_BUILD_TYPE=None", "-DCMAKE_CXX_FLAGS=-O1", "-DCMAKE_C_FLAGS=-O1"]
    if shutil.which("ld.lld"):
        # Most of a mutant's build time is the link of the test program.
        flags.append("-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld")
    subprocess.run(["cmake", "-S", str(area.mirror), "-B", str(area.build), "-G", "Ninja", *flags],
                   check=True, stdout=subprocess.DEVNULL)


def run_limited(area: WorkArea, command: list[str], seconds: float) -> tuple[str, str]:
    """Runs a command in the build directory, in its own process group;
    ('timeout', output) when it does not end in time, else ('ok' or 'failed',
    output)."""
    process = subprocess.Popen(command, cwd=area.build, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                               start_new_session=True)
    try:
        output, _ = process.communicate(timeout=seconds)
    except subprocess.TimeoutExpired:
        os.killpg(process.pid, signal.SIGKILL)
        output, _ = process.communicate()
        return "timeout", output.decode(errors="replace")
    return ("ok" if process.returncode == 0 else "failed"), output.decode(errors="replace")


def build(area: WorkArea, targets: list[str], jobs: int) -> tuple[str, str]:
    return run_limited(area, ["ninja", f"-j{jobs}", *targets], 3600)


def first_failed_test(output: str) -> str:
    match = re.search(r"^\[  FAILED  \] (\S+)", output, re.MULTILINE)
    if match:
        return match.group(1)
    lines = output.strip().splitlines()
    return lines[-1][:120] if lines else ""


def run_suite(area: WorkArea, timeout: float, test_filter: str) -> tuple[str, str]:
    """'killed', 'survived' or 'timeout', and the test that failed. The test
    program stops at its first failure; the launcher's own tests run only when
    every other test passed."""
    outcome, output = run_limited(
        area, [str(area.test_program), "--gtest_fail_fast", "--gtest_brief=1",
         f"--gtest_filter={test_filter}"], timeout)
    if outcome == "timeout":
        return "timeout", ""
    if outcome == "failed":
        return "killed", first_failed_test(output)
    outcome, output = run_limited(area, ["ctest", "-R", "^Launcher\\.", "--stop-on-failure"], timeout)
    if outcome == "timeout":
        return "timeout", ""
    if outcome == "failed":
        match = re.search(r"\d+ - (\S+) \(Failed\)", output)
        return "killed", match.group(1) if match else "Launcher"
    return "survived", ""


# ----------------------------------------------------------------------------
# The run.


def product_files(patterns: list[str]) -> list[str]:
    files = sorted(
        name for name in tracked_files()
        if name.startswith("src/") and name.endswith((".cpp", ".h"))
    )
    # The process entry and string functions are linked only into the Windows
    # program, which no test here can run.
    files = [name for name in files if not name.startswith("src/context/runtime/")]
    if patterns:
        files = [name for name in files if any(fnmatch.fnmatch(name, p) for p in patterns)]
    # Sources before headers: a header's mutant rebuilds everything that includes it.
    return sorted(files, key=lambda name: (name.endswith(".h"), name))


def select_mutants(args, accepted, area: WorkArea) -> tuple[list[Mutant], list[Mutant]]:
    """Every mutant of src/, and those of them this run is to try."""
    everything = []
    for name in product_files([]):
        everything.extend(find_mutants(name, (ROOT / name).read_text()))
    mutants = everything
    if args.file:
        wanted_files = set(product_files(args.file))
        mutants = [m for m in mutants if m.file in wanted_files]
    if args.match:
        pattern = re.compile(args.match)
        mutants = [m for m in mutants
                   if pattern.search(m.line_text) or pattern.search(m.description)]
    if args.untried:
        previous = load_results(area)
        mutants = [m for m in mutants if m.key not in previous]
    if args.rerun_survivors:
        previous = load_results(area)
        mutants = [m for m in mutants
                   if previous.get(m.key, {}).get("status") == "survived"]
    if args.shard:
        mutants = shard(mutants, *args.shard)
    if args.sample:
        candidates = [m for m in mutants if not accepted.covers(m)]
        generator = random.Random(args.seed)
        chosen = {id(m) for m in generator.sample(candidates, min(args.sample, len(candidates)))}
        mutants = [m for m in mutants if id(m) in chosen]
    return everything, mutants


def shard(mutants: list[Mutant], index: int, count: int) -> list[Mutant]:
    """The index-th (1-based) of count interleaved slices: runs over the slices
    in work areas of their own share the work and never the same mutant."""
    return mutants[index - 1 :: count]


def parse_shard(text: str) -> tuple[int, int]:
    match = re.fullmatch(r"([0-9]+)/([0-9]+)", text)
    if match is None or not 1 <= int(match.group(1)) <= int(match.group(2)):
        raise argparse.ArgumentTypeError(f"not I/N with 1 <= I <= N: {text}")
    return int(match.group(1)), int(match.group(2))


def print_mutant(mutant: Mutant, prefix: str = "") -> None:
    print(f"{prefix}{mutant.file}:{mutant.line}: {mutant.description}")
    print(f"{prefix}    {mutant.line_text}")


def summarise(title: str, mutants: list[Mutant], accepted, list_survivors: bool) -> float:
    def count(status: str) -> int:
        return sum(1 for m in mutants if m.status == status)

    equivalent = [m for m in mutants if m.status == "survived" and accepted.covers(m)]
    wrongly_accepted = [m for m in mutants
                        if m.status in ("killed", "timeout") and accepted.covers(m)]
    survivors = [m for m in mutants if m.status == "survived" and not accepted.covers(m)]
    compiled = len(mutants) - count("unbuilt")
    killed = count("killed") + count("timeout")
    scored = compiled - len(equivalent)
    rate = 100.0 * killed / scored if scored else 100.0

    print(f"\n{title}")
    print(f"  mutants: {len(mutants)}   built: {compiled}   did not build: {count('unbuilt')}")
    print(f"  killed: {killed} (of which timed out: {count('timeout')})"
          f"   survived: {len(survivors)}"
          f"   accepted equivalent: {len(equivalent)}")
    print(f"  kill rate: {killed} / ({compiled} - {len(equivalent)}) = {rate:.1f} %")
    if wrongly_accepted:
        print("\nlisted as equivalent but killed (take them off the list):")
        for mutant in wrongly_accepted:
            print_mutant(mutant, "  ")
    if survivors and list_survivors:
        print("\nsurvivors:")
        for mutant in survivors:
            print_mutant(mutant, "  ")
    return rate


def load_results(area: WorkArea) -> dict[tuple[str, str, str, int], dict]:
    if not area.results.exists():
        return {}
    results = json.loads(area.results.read_text())["mutants"]
    return {(r["file"], normalise(r["line_text"]), r["mutation"], r.get("line_occurrence", 1)): r
            for r in results}


def save_results(area: WorkArea, everything: list[Mutant], tried: list[Mutant]) -> list[Mutant]:
    """Keeps the latest outcome of every mutant that still exists, this run's
    over earlier ones; returns every mutant with an outcome."""
    latest = load_results(area)
    for mutant in tried:
        latest[mutant.key] = {
            "file": mutant.file, "line": mutant.line, "line_text": mutant.line_text,
            "line_occurrence": mutant.line_occurrence, "mutation": mutant.description,
            "status": mutant.status, "detail": mutant.detail, "seconds": round(mutant.seconds, 2)}
    known = []
    for mutant in everything:
        if mutant.key in latest and not mutant.status:
            mutant.status = latest[mutant.key]["status"]
            mutant.detail = latest[mutant.key]["detail"]
        if mutant.status:
            known.append(mutant)
    area.results.write_text(json.dumps(
        {"mutants": [latest[m.key] | {"line": m.line} for m in known]}, indent=1))
    return known


def run_mutants(area: WorkArea, mutants: list[Mutant], targets: list[str], jobs: int,
                timeout: float, test_filter: str, accepted) -> None:
    current_file = None
    original = ""
    try:
        for number, mutant in enumerate(mutants, 1):
            if mutant.file != current_file:
                if current_file is not None:
                    (area.mirror / current_file).write_text(original)
                current_file = mutant.file
                original = (area.mirror / current_file).read_text()
            started = time.monotonic()
            (area.mirror / mutant.file).write_text(mutant.apply(original))
            outcome, _ = build(area, targets, jobs)
            if outcome != "ok":
                mutant.status, mutant.detail = "unbuilt", ""
            else:
                mutant.status, mutant.detail = run_suite(area, timeout, test_filter)
            mutant.seconds = time.monotonic() - started
            mark = "" if mutant.status != "survived" else (
                "  (accepted)" if accepted.covers(mutant) else "  <-- SURVIVED")
            print(f"[{number}/{len(mutants)}] {mutant.status:8} {mutant.file}:{mutant.line}: "
                  f"{mutant.description}{mark}", flush=True)
    except KeyboardInterrupt:
        print("interrupted")
    finally:
        if current_file is not None:
            (area.mirror / current_file).write_text(original)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--file", action="append", default=[],
                        help="only these files of src/ (glob, repeatable)")
    parser.add_argument("--match", help="only mutants whose line or mutation matches this regex")
    parser.add_argument("--sample", type=int, default=0,
                        help="a random sample of this many mutants not listed as equivalent")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--shard", type=parse_shard, default=None, metavar="I/N",
                        help="only the I-th of N interleaved slices of the chosen mutants "
                             "(give each slice its own --work)")
    parser.add_argument("--untried", action="store_true",
                        help="only the mutants without an outcome in the work area's results "
                             "(to go on with an interrupted run)")
    parser.add_argument("--rerun-survivors", action="store_true",
                        help="only the mutants that survived when last tried")
    parser.add_argument("--tests", default="*",
                        help="GoogleTest filter of the tests to run (e.g. '-Suite.Test' to see "
                             "what is killed without a test); the results are then not kept")
    parser.add_argument("--list", action="store_true", help="list the mutants and stop")
    parser.add_argument("--jobs", type=int, default=2, help="ninja's parallel jobs")
    parser.add_argument("--check-equivalents", action="store_true",
                        help="exit 1 when an entry of the equivalents names no mutant")
    parser.add_argument("--work", type=Path, default=DEFAULT_WORK,
                        help="directory of the mirror, the build and the results "
                             "(default build-mutation/)")
    parser.add_argument("--fail-under", type=float, default=None,
                        help="exit 1 when this run's kill rate is below this percentage")
    args = parser.parse_args()
    area = WorkArea(args.work.resolve())

    accepted = Equivalents(EQUIVALENTS)
    everything, mutants = select_mutants(args, accepted, area)
    orphans = accepted.unmatched(everything)
    for file, line, mutation, _ in orphans:
        print(f"warning: listed as equivalent but no such mutant: {file}: {mutation}: {line}")
    if args.check_equivalents:
        print(f"{len(accepted.reasons)} accepted equivalents, {len(orphans)} naming no mutant")
        return 1 if orphans else 0
    if args.list:
        for mutant in mutants:
            print_mutant(mutant)
        print(f"{len(mutants)} mutants")
        return 0

    area.root.mkdir(exist_ok=True)
    lock = (area.root / "lock").open("w")
    try:
        fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
    except BlockingIOError:
        print(f"another mutation run is using {area.root}")
        return 2
    os.nice(10)
    sync_mirror(area)
    configure(area)
    targets = [TEST_TARGET, LAUNCHER_TARGET]
    outcome, output = build(area, targets, args.jobs)
    if outcome != "ok":
        print(output[-3000:])
        print("the unmutated tree does not build")
        return 2
    started = time.monotonic()
    outcome, detail = run_suite(area, 3600, args.tests)
    baseline = time.monotonic() - started
    if outcome != "survived":
        print(f"the unmutated tree fails its tests: {detail}")
        return 2
    timeout = max(60.0, 20 * baseline)
    print(f"{len(mutants)} mutants; the suite takes {baseline:.1f} s, time-out {timeout:.0f} s",
          flush=True)

    started = time.monotonic()
    run_mutants(area, mutants, targets, args.jobs, timeout, args.tests, accepted)
    tried = [m for m in mutants if m.status]
    # Outcomes with only some of the tests say nothing about the suite.
    known = save_results(area, everything, tried) if args.tests == "*" else tried
    rate = summarise(f"this run ({(time.monotonic() - started) / 60:.1f} min):", tried, accepted,
                     list_survivors=True)
    if len(known) > len(tried):
        summarise(f"all {len(everything)} mutants of src/, the latest outcome of the "
                  f"{len(known)} tried:",
                  known, accepted, list_survivors=False)
    if args.tests == "*":
        print(f"\nresults: {area.results}")
    if args.fail_under is not None and rate < args.fail_under:
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
