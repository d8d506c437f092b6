"""Reads the HKEY_LOCAL_MACHINE keys of a machine profile (.reg text, as
regedit writes it) for the tests that turn profiles into hive files."""

import re

_HEADER5 = "Windows Registry Editor Version 5.00"


class Key:
    def __init__(self, name):
        self.name = name
        self.values = []  # (name, type, bytes) in the order first written
        self.subkeys = []  # in the order first written

    def child(self, name):
        for k in self.subkeys:
            if k.name.upper() == name.upper():
                return k
        k = Key(name)
        self.subkeys.append(k)
        return k

    def set(self, name, kind, data):
        for i, (n, _, _) in enumerate(self.values):
            if n.upper() == name.upper():
                self.values[i] = (n, kind, data)
                return
        self.values.append((name, kind, data))

    def walk(self, path=()):
        """(path, key) for this key and every key below it, depth first."""
        yield path, self
        for k in self.subkeys:
            yield from k.walk(path + (k.name,))


def _unescape(text, i):
    out = bytearray()
    while True:
        c = text[i]
        i += 1
        if c == '"':
            return bytes(out), i
        if c == "\\":
            c = text[i]
            i += 1
        out += c.encode("latin-1")


def _hex_bytes(text):
    text = text.replace("\\", "").replace("\n", "").replace(" ", "")
    return bytes(int(b, 16) for b in text.split(",") if b)


def read_profile(path):
    """The HKEY_LOCAL_MACHINE tree of a profile: a Key named "" with the
    roots' subkeys below it. Texts are Windows-1252 bytes with their NUL."""
    raw = open(path, "rb").read()
    if raw.startswith(b"\xef\xbb\xbf"):
        raw = raw[3:]
    first = raw.split(b"\n", 1)[0].strip()
    if first == _HEADER5.encode():
        text = raw.decode("utf-8").encode("cp1252", "replace").decode("latin-1")
    else:
        text = raw.decode("latin-1")
    # Hex lists continue over lines that end in a backslash.
    text = re.sub(r"\\\r?\n\s*", "", text.replace("\r\n", "\n"))
    root = Key("")
    key = None
    for line in text.split("\n")[1:]:
        line = line.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("["):
            parts = line[1:-1].split("\\")
            key = None
            if parts[0].upper() == "HKEY_LOCAL_MACHINE":
                key = root
                for p in parts[1:]:
                    key = key.child(p)
            continue
        if key is None:
            continue
        if line.startswith("@"):
            name, i = "", 1
        else:
            name_bytes, i = _unescape(line, 1)
            name = name_bytes.decode("latin-1")
        data = line[line.index("=", i) + 1:]
        if data.startswith('"'):
            value, _ = _unescape(data, 1)
            key.set(name, 1, value + b"\0")
        elif data.startswith("dword:"):
            key.set(name, 4, int(data[6:], 16).to_bytes(4, "little"))
        elif data.startswith("hex:"):
            key.set(name, 3, _hex_bytes(data[4:]))
        elif data.startswith("hex("):
            kind, rest = data[4:].split("):", 1)
            key.set(name, int(kind, 16), _hex_bytes(rest))
        else:
            raise ValueError("%s: cannot read %r" % (path, line))
    return root
