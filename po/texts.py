"""The texts of res/strings.h, read as the compiler reads them, for the catalog scripts."""

import re
from dataclasses import dataclass

DECLARATION = re.compile(
    r"^inline constexpr (Text|PluralText) (\w+)\s*(=|\{)(.*?);\s*$", re.S | re.M
)
LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')
ESCAPES = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\", "'": "'"}
# A conversion of printf's: the texts that hold one are formats, checked as such.
FORMAT_DIRECTIVE = re.compile(r"%(?:%|[-+ #0]*\d*(?:\.\d+)?(?:hh|h|ll|l|z|j|t)?[diouxXfeEgGcsp])")


@dataclass
class SourceText:
    name: str
    comment: str
    context: str
    english: str
    plural: str | None

    @property
    def is_format(self):
        return bool(FORMAT_DIRECTIVE.search(self.english))


def unescape(literal):
    out, i = [], 0
    while i < len(literal):
        c = literal[i]
        if c != "\\":
            out.append(c)
            i += 1
            continue
        nxt = literal[i + 1]
        if nxt not in ESCAPES:
            raise ValueError(f"escape \\{nxt} not read here: {literal}")
        out.append(ESCAPES[nxt])
        i += 2
    return "".join(out)


def arguments(body):
    """The string arguments of a declaration: adjacent literals joined, commas apart."""
    args, current = [], None
    position = 0
    for match in LITERAL.finditer(body):
        between = body[position : match.start()]
        if "," in between and current is not None:
            args.append(current)
            current = None
        current = (current or "") + unescape(match.group(1))
        position = match.end()
    if current is not None:
        args.append(current)
    return args


def read_texts(path):
    source = open(path, encoding="utf-8").read()
    texts = []
    for match in DECLARATION.finditer(source):
        kind, name, _, body = match.groups()
        comment_lines = []
        for line in reversed(source[: match.start()].rstrip("\n").split("\n")):
            if not line.startswith("//"):
                break
            comment_lines.insert(0, line[2:].strip())
        args = arguments(body)
        if kind == "PluralText":
            context, english, plural = "", args[0], args[1]
        elif len(args) == 2:
            context, english, plural = args[0], args[1], None
        else:
            context, english, plural = "", args[0], None
        texts.append(SourceText(name, " ".join(comment_lines), context, english, plural))
    return texts
