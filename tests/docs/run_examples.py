#!/usr/bin/env python3
"""Runs the examples of a document and compares what they print with what it shows.

An example is a block of text that starts with a command line `$ COMMAND`: a fenced block with
no language in Markdown, an .nf/.fi block in a manual page. Every line after a command, up to
the next command or the end of the block, is what the command prints on standard output and
standard error together. The examples of one part of the document (a `##` heading, a manual
page's .SH section) run in order in one shell, in a scratch folder that holds a copy of the
example files, so that a `cd` or a file written by one example holds for the next.

usage: run_examples.py --bin DIR --examples DIR DOCUMENT...
Exit status 0 when every example printed what the document shows, 1 otherwise.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

PROMPT = "$ "


class Example:
    def __init__(self, line, command):
        self.line = line          # line of the document the command stands on
        self.command = command
        self.expected = []        # the lines shown after it


def markdown_blocks(text):
    """Yields (part, first line number, lines) for each fenced block without a language."""
    part, block, start, fence = "", None, 0, False
    for number, line in enumerate(text.split("\n"), 1):
        if line.startswith("```"):
            if not fence:
                fence, block, start = True, ([] if line == "```" else None), number + 1
            else:
                if block is not None:
                    yield part, start, block
                fence = False
        elif fence:
            if block is not None:
                block.append(line)
        elif line.startswith("## "):
            part = line[3:]


# The roff escapes the manual pages use in their examples.
ROFF = [("\\-", "-"), ("\\('e", "\u00e9"), ("\\('E", "\u00c9"), ("\\(`a", "\u00e0"),
        ("\\&", ""), ("\\(lq", "\u201c"), ("\\(rq", "\u201d"), ("\\e", "\\")]


def roff_blocks(text):
    """Yields (part, first line number, lines) for each .nf/.fi block of a manual page."""
    part, block, start = "", None, 0
    for number, line in enumerate(text.split("\n"), 1):
        if line.startswith(".SH "):
            part = line[4:]
        elif line == ".nf":
            block, start = [], number + 1
        elif line == ".fi":
            if block is not None:
                yield part, start, block
            block = None
        elif block is not None and not re.match(r"\.(RS|RE|PP)\b", line):
            for escape, char in ROFF:
                line = line.replace(escape, char)
            block.append(line)


def examples_by_part(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    blocks = markdown_blocks(text) if path.endswith(".md") else roff_blocks(text)
    parts = {}
    for part, start, lines in blocks:
        if not lines or not lines[0].startswith(PROMPT):
            continue
        for offset, line in enumerate(lines):
            if line.startswith(PROMPT):
                parts.setdefault(part, []).append(Example(start + offset, line[len(PROMPT):]))
            else:
                parts[part][-1].expected.append(line)
    return parts


def run_part(examples, files, env):
    """Runs the examples in one shell; returns what each printed, as lines."""
    mark = "@@romlift-example-%d@@" % os.getpid()
    script = []
    for k, example in enumerate(examples):
        script.append("{ %s\n} 2>&1\nprintf '\\n%s %d\\n'" % (example.command, mark, k))
    with tempfile.TemporaryDirectory() as scratch:
        for name in os.listdir(files):
            source = os.path.join(files, name)
            if os.path.isfile(source):
                shutil.copy(source, scratch)
        done = subprocess.run(["bash", "-c", "\n".join(script)], cwd=scratch, env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=300)
    outputs, rest = [], done.stdout.decode("utf-8", "replace")
    for k in range(len(examples)):
        printed, found, rest = rest.partition("\n%s %d\n" % (mark, k))
        if not found:
            printed, rest = rest, ""
        if printed.endswith("\n"):
            outputs.append(printed[:-1].split("\n"))
        else:  # a last line without its newline is told as such
            outputs.append((printed + " (no newline)").split("\n") if printed else [])
    return outputs


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True, help="folder of the programs, put first on PATH")
    parser.add_argument("--examples", required=True, help="folder of the files the examples read")
    parser.add_argument("documents", nargs="+")
    args = parser.parse_args()
    env = dict(os.environ, PATH=os.path.abspath(args.bin) + os.pathsep + os.environ.get("PATH", ""),
               LC_ALL="C.UTF-8")
    failures = count = 0
    for path in args.documents:
        for part, examples in examples_by_part(path).items():
            for example, printed in zip(examples, run_part(examples, args.examples, env)):
                count += 1
                if not path.endswith(".md"):  # a manual page shows no blank at the end of a line
                    printed = [line.rstrip(" ") for line in printed]
                if printed != example.expected:
                    failures += 1
                    print("%s:%d (%s): $ %s" % (path, example.line, part, example.command))
                    print("  shown:\n" + "".join("    |%s\n" % l for l in example.expected), end="")
                    print("  printed:\n" + "".join("    |%s\n" % l for l in printed), end="")
    print("%d examples, %d differ" % (count, failures))
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
