"""A reader of an uncompressed MS-CAB, written from the format's
documentation (CFHEADER, CFFOLDER, CFFILE, CFDATA) for the tests: it keeps
every field a check may look at, the reserves included, verifies each data
block's checksum, and gives each member's bytes.

read(data) returns a Cabinet, or raises Malformed saying what is wrong.
"""
import struct

FLAG_PREVIOUS, FLAG_NEXT, FLAG_RESERVE = 0x1, 0x2, 0x4


class Malformed(Exception):
    pass


class Cabinet:
    pass


def _require(ok, what):
    if not ok:
        raise Malformed(what)


def checksum(data, seed):
    """The CFDATA checksum: 32-bit little-endian words XORed together, then
    the one to three bytes left, the first of them the highest."""
    total = seed
    words = len(data) // 4
    for (word,) in struct.iter_unpack("<I", data[:4 * words]):
        total ^= word
    tail = 0
    for byte in data[4 * words:]:
        tail = tail << 8 | byte
    return total ^ tail


def read(data):
    _require(len(data) >= 36 and data[:4] == b"MSCF", "no MSCF signature")
    cab = Cabinet()
    (_, _, cab.size, _, files_at, _, minor, major, folder_count, file_count, cab.flags, cab.set_id,
     cab.index) = struct.unpack_from("<4sIIIIIBBHHHHH", data, 0)
    _require(cab.size == len(data), f"cbCabinet {cab.size} is not the file's length {len(data)}")
    _require((major, minor) == (1, 3), f"version {major}.{minor}, not 1.3")
    _require(not cab.flags & (FLAG_PREVIOUS | FLAG_NEXT), "a cab of a set: this reader takes single cabs")
    at = 36
    cab.header_reserve_size = cab.folder_reserve_size = cab.data_reserve_size = 0
    if cab.flags & FLAG_RESERVE:
        cab.header_reserve_size, cab.folder_reserve_size, cab.data_reserve_size = struct.unpack_from("<HBB", data, at)
        at += 4 + cab.header_reserve_size

    cab.folders = []
    for _ in range(folder_count):
        start, blocks, compression = struct.unpack_from("<IHH", data, at)
        cab.folders.append({"at": at, "data_at": start, "blocks": blocks, "compression": compression,
                            "reserve": data[at + 8:at + 8 + cab.folder_reserve_size]})
        at += 8 + cab.folder_reserve_size
    _require(at <= files_at, "the folders run into the files")

    for folder in cab.folders:
        _require(folder["compression"] == 0, f"folder at {folder['at']} is compressed ({folder['compression']})")
        content, block_at, folder["checksums_right"] = bytearray(), folder["data_at"], True
        for _ in range(folder["blocks"]):
            stored, packed, unpacked = struct.unpack_from("<IHH", data, block_at)
            reserve_end = block_at + 8 + cab.data_reserve_size
            chunk = data[reserve_end:reserve_end + packed]
            _require(len(chunk) == packed and packed == unpacked, f"a data block at {block_at} is cut short")
            expected = checksum(data[block_at + 4:reserve_end], checksum(chunk, 0))
            folder["checksums_right"] &= stored == expected
            content += chunk
            block_at = reserve_end + packed
        folder["content"] = bytes(content)

    cab.files, at = [], files_at
    for _ in range(file_count):
        size, offset, folder, date, time, attributes = struct.unpack_from("<IIHHHH", data, at)
        end = data.index(b"\0", at + 16)
        name = data[at + 16:end].decode("ascii")
        _require(folder < len(cab.folders), f"{name} is in folder {folder}, which does not exist")
        body = cab.folders[folder]["content"][offset:offset + size]
        _require(len(body) == size, f"{name} runs past its folder's data")
        cab.files.append({"name": name, "folder": folder, "offset": offset, "date": date, "time": time,
                          "attributes": attributes, "data": body})
        at = end + 1
    return cab
