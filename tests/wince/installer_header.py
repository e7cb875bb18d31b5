"""A reader of the .000 installer header of a Pocket PC cab, written from the
format's table (a 100-byte fixed part, then six tables and three texts),
that checks what a device's installer relies on while it reads: lengths,
counts, offsets, terminators, padding and the ids between tables.

read(data) returns a Header, or raises Malformed saying what is wrong.
"""
import struct


class Malformed(Exception):
    pass


class Header:
    pass


def _require(ok, what):
    if not ok:
        raise Malformed(what)


def _padded_text(data, at, length, what):
    """A NUL-terminated ASCII text in `length` bytes, zero-padded to a
    multiple of 4 (the length counts the padding)."""
    _require(length > 0 and length % 4 == 0, f"{what}: length {length} is not a multiple of 4")
    _require(at + length <= len(data), f"{what} runs past the end of the file")
    raw = data[at:at + length]
    end = raw.find(b"\0")
    _require(end >= 0, f"{what} is not NUL-terminated")
    _require(raw[end:] == bytes(length - end), f"{what} is not zero-padded after its NUL")
    _require(length - (end + 1) < 4, f"{what} carries more padding than a multiple of 4 needs")
    return raw[:end].decode("ascii")


def read(data):
    _require(len(data) >= 100, "shorter than the 100-byte fixed part")
    magic, zero1, length, zero2, one, processor = struct.unpack_from("<4sIIIII", data, 0)
    _require(magic == b"MSCE", "no MSCE signature")
    _require((zero1, zero2, one) == (0, 0, 1), "the fixed words at 4, 12 and 16 are not 0, 0, 1")
    _require(length == len(data), f"the length field {length} is not the file's length {len(data)}")
    h = Header()
    h.length = length
    h.processor = processor
    h.os_min = struct.unpack_from("<II", data, 24)
    h.os_max = struct.unpack_from("<II", data, 32)
    h.build_min, h.build_max = struct.unpack_from("<II", data, 40)
    counts = struct.unpack_from("<6H", data, 48)
    offsets = struct.unpack_from("<6I", data, 60)
    texts = struct.unpack_from("<6H", data, 84)
    _require(struct.unpack_from("<HH", data, 96) == (0, 0), "the last two words are not 0")
    for count, offset, what in zip(counts, offsets, ("strings", "directories", "files", "hives", "keys", "links")):
        _require(count == 0 or 100 <= offset < len(data), f"the {what} table's offset {offset} is outside the file")

    def text(index, what):
        at, size = texts[2 * index], texts[2 * index + 1]
        if size == 0:
            return ""
        _require(100 <= at and at + size <= len(data), f"the {what} lies outside the file")
        raw = data[at:at + size]
        _require(raw.endswith(b"\0") and b"\0" not in raw[:-1], f"the {what} is not one NUL-terminated text")
        return raw[:-1].decode("ascii")

    h.application, h.provider, h.unsupported = text(0, "application name"), text(1, "provider"), text(2, "unsupported list")
    h.text_spans = [(texts[2 * i], texts[2 * i + 1]) for i in range(3)]
    h.table_offsets = offsets

    def entries(index, what, parse):
        at, found = offsets[index], []
        for _ in range(counts[index]):
            _require(at + 4 <= len(data), f"a {what} entry runs past the end of the file")
            entry, at = parse(at)
            found.append(entry)
        return found

    def string_entry(at):
        sid, size = struct.unpack_from("<HH", data, at)
        return (sid, _padded_text(data, at + 4, size, f"string {sid}")), at + 4 + size

    h.strings = dict(entries(0, "string", string_entry))
    _require(len(h.strings) == counts[0], "two strings share an id")

    def id_list(at, size, what):
        _require(size % 2 == 0 and at + size <= len(data), f"{what}: its id list runs past the file")
        return list(struct.unpack_from(f"<{size // 2}H", data, at))

    def directory_entry(at):
        did, size = struct.unpack_from("<HH", data, at)
        ids = id_list(at + 4, size, f"directory {did}")
        _require(ids and ids[-1] == 0 and 0 not in ids[:-1], f"directory {did}: its string ids do not end in one 0")
        for sid in ids[:-1]:
            _require(sid in h.strings, f"directory {did} names string {sid}, which does not exist")
        return (did, "\\".join(h.strings[s] for s in ids[:-1])), at + 4 + size

    h.directories = dict(entries(1, "directory", directory_entry))

    def file_entry(at):
        fid, did, number, flags, size = struct.unpack_from("<HHHIH", data, at)
        _require(did in h.directories, f"file {fid} is in directory {did}, which does not exist")
        name = _padded_text(data, at + 12, size, f"file {fid}'s name")
        return (fid, {"directory": did, "number": number, "flags": flags, "name": name}), at + 12 + size

    h.files = dict(entries(2, "file", file_entry))
    _require(counts[3] == 0 and counts[4] == 0, "registry entries, which this reader does not take")

    def link_entry(at):
        lid, zero, base, target, kind, size = struct.unpack_from("<6H", data, at)
        _require(zero == 0, f"link {lid}: its second word is not 0")
        ids = id_list(at + 12, size, f"link {lid}")
        _require(len(ids) == 1 and ids[0] in h.strings, f"link {lid}: its name is not one existing string")
        if kind == 1:
            _require(target in h.files, f"link {lid} points at file {target}, which does not exist")
        else:
            _require(kind == 0 and target in h.directories, f"link {lid} points at directory {target}, which does not exist")
        return (lid, {"base": base, "target": target, "kind": kind, "name": h.strings[ids[0]]}), at + 12 + size

    h.links = dict(entries(5, "link", link_entry))
    h.counts = counts
    return h
