#!/usr/bin/python3
"""Writes a Windows 9x registry file (CREG, as SYSTEM.DAT) with the
HKEY_LOCAL_MACHINE keys of a machine profile; texts without their NUL.

    make_creg.py PROFILE.reg OUTPUT"""

import struct
import sys

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
from regfile import read_profile

KEYS_PER_BLOCK = 254
PAGE = 0x1000


def _round(n):
    return (n + PAGE - 1) // PAGE * PAGE


def _record(key, key_id, block):
    name = key.name.encode("latin-1")
    values = b""
    for vname, kind, data in key.values:
        if kind in (1, 2) and data.endswith(b"\0"):
            data = data[:-1]
        vn = vname.encode("latin-1")
        values += struct.pack("<IIHH", kind, 0, len(vn), len(data)) + vn + data
    size = 20 + len(name) + len(values)
    return struct.pack("<IHHIHHI", size, key_id, block, size, len(name), len(key.values), 0) + name + values


def build(root):
    keys = list(root.walk())  # depth first; the root first
    index = {id(k): i for i, (_, k) in enumerate(keys)}
    parent = {}
    for _, k in keys:
        for sub in k.subkeys:
            parent[id(sub)] = k
    entry_at = lambda i: 0x20 + 28 * i  # offsets within the key block

    # Records, KEYS_PER_BLOCK to a data block; the root has none.
    blocks, place = [], {}
    for i, (_, k) in enumerate(keys[1:], start=1):
        b, kid = divmod(i - 1, KEYS_PER_BLOCK)
        if b == len(blocks):
            blocks.append([])
        blocks[b].append(_record(k, kid, b))
        place[i] = (kid, b)

    rgkn = bytearray()
    for i, (_, k) in enumerate(keys):
        p = parent.get(id(k))
        first = entry_at(index[id(k.subkeys[0])]) if k.subkeys else 0xFFFFFFFF
        siblings = p.subkeys if p else []
        pos = [id(s) for s in siblings].index(id(k)) if p else -1
        nxt = entry_at(index[id(siblings[pos + 1])]) if p and pos + 1 < len(siblings) else 0xFFFFFFFF
        kid, b = place.get(i, (0xFFFF, 0xFFFF))
        hashed = sum(k.name.upper().encode("latin-1"))
        rgkn += struct.pack("<IIIIIIHH", 0, hashed, 0, entry_at(index[id(p)]) if p else 0xFFFFFFFF, first, nxt,
                            kid, b)
    rgkn_size = _round(0x20 + len(rgkn))
    rgkn = struct.pack("<4sIIII12x", b"RGKN", rgkn_size, 0x20, 0x20 + len(rgkn), 8) + rgkn
    rgkn += b"\0" * (rgkn_size - len(rgkn))

    data = b""
    for b, records in enumerate(blocks):
        body = b"".join(records)
        size = _round(32 + len(body) + 16)
        free = size - 32 - len(body)
        body += struct.pack("<IHHI", free, 0xFFFF, 0xFFFF, 0xFFFFFFFF) + b"\0" * (free - 12)
        data += struct.pack("<4sIIHHIHH8x", b"RGDB", size, free, 8, b, 32 + len(body) - free, 0xFE, 0xFF) + body

    header = struct.pack("<4sIIIHHI8x", b"CREG", 0x00010000, 0x20 + rgkn_size, 0, len(blocks), 0x20, 0x00010000)
    return header + rgkn + data


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[2], "wb") as out:
        out.write(build(read_profile(sys.argv[1])))
