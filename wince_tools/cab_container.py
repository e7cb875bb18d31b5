"""The MS-CAB container of the device's installer cab, laid out as the
platform's own cab tool lays out its cabs: uncompressed, one folder per
member in the order given, a per-folder reserve whose copy in folder 0
names the application and the provider (the others as long and zero), and
a nonzero set id that follows from the members, so that the same input
gives the same bytes.

The format, as documented: CFHEADER (here with the reserve sizes), one
CFFOLDER per folder, one CFFILE per member, then each folder's CFDATA
blocks of at most 32768 bytes, each with its checksum.
"""
import hashlib
import struct
import time

SIGNATURE = b"MSCF"
VERSION_MINOR, VERSION_MAJOR = 3, 1
FLAG_RESERVE_PRESENT = 0x0004
COMPRESS_NONE = 0
BLOCK_SIZE = 32768
ATTRIBUTE_ARCHIVE = 0x20
HEADER_SIZE = 36 + 4               # the fixed part, then cbCFHeader, cbCFFolder, cbCFData
FOLDER_SIZE = 8                    # coffCabStart, cCFData, typeCompress; the reserve follows
FILE_SIZE = 16                     # before the name
DATA_SIZE = 8                      # csum, cbData, cbUncomp; the data follows
NAMES_RESERVE_WORDS = 5            # 0, name offset, name length, provider offset, provider length


def padded(text):
    """NUL-terminated ASCII, zero-padded to a multiple of 4."""
    data = text.encode("ascii") + b"\0"
    return data + bytes(-len(data) % 4)


def names_reserve(application, provider):
    """Folder 0's reserve: five words, then the two names. The offsets count
    from the start of the CFFOLDER entry; the lengths count the padding."""
    name, who = padded(application), padded(provider)
    name_at = FOLDER_SIZE + 4 * NAMES_RESERVE_WORDS
    words = struct.pack("<5I", 0, name_at, len(name), name_at + len(name), len(who))
    return words + name + who


def checksum(data, seed=0):
    """The CFDATA checksum: the XOR of the data's little-endian 32-bit words,
    then of its last one to three bytes, the first of them highest."""
    total = seed
    whole = len(data) - len(data) % 4
    for (word,) in struct.iter_unpack("<I", data[:whole]):
        total ^= word
    rest = 0
    for byte in data[whole:]:
        rest = (rest << 8) | byte
    return total ^ rest


def data_block(chunk):
    """One CFDATA entry: the checksum covers the data, then the two sizes."""
    sizes = struct.pack("<HH", len(chunk), len(chunk))
    return struct.pack("<I", checksum(sizes, checksum(chunk))) + sizes + chunk


def dos_date_time(seconds):
    """The MS-DOS date and time words of a moment, in UTC."""
    t = time.gmtime(seconds)
    if t.tm_year < 1980:
        raise ValueError("a cab cannot hold a time before 1980")
    return ((t.tm_year - 1980) << 9) | (t.tm_mon << 5) | t.tm_mday, (t.tm_hour << 11) | (t.tm_min << 5) | t.tm_sec // 2


def set_id(members):
    """A nonzero number that follows from the members' names and bytes."""
    digest = hashlib.sha256()
    for name, data in members:
        digest.update(name.encode("ascii") + b"\0" + struct.pack("<I", len(data)) + data)
    value = int.from_bytes(digest.digest()[:2], "little")
    return value or 1


def cabinet(members, application, provider, stamp):
    """The cab of [(member name, bytes)], each member in a folder of its own,
    every member stamped with the time `stamp` (seconds since 1970)."""
    reserve = names_reserve(application, provider)
    if len(reserve) > 255:
        raise ValueError("the application name and provider do not fit a folder's reserve")
    date, clock = dos_date_time(stamp)
    folders_at = HEADER_SIZE
    files_at = folders_at + len(members) * (FOLDER_SIZE + len(reserve))
    data_at = files_at + sum(FILE_SIZE + len(name) + 1 for name, _ in members)

    folders, files, blocks = bytearray(), bytearray(), bytearray()
    for index, (name, data) in enumerate(members):
        chunks = [data[at:at + BLOCK_SIZE] for at in range(0, len(data), BLOCK_SIZE)]
        folder_reserve = reserve if index == 0 else bytes(len(reserve))
        folders += struct.pack("<IHH", data_at + len(blocks), len(chunks), COMPRESS_NONE) + folder_reserve
        files += struct.pack("<IIHHHH", len(data), 0, index, date, clock, ATTRIBUTE_ARCHIVE)
        files += name.encode("ascii") + b"\0"
        for chunk in chunks:
            blocks += data_block(chunk)

    size = data_at + len(blocks)
    header = struct.pack("<4sIIIIIBBHHHHH", SIGNATURE, 0, size, 0, files_at, 0, VERSION_MINOR, VERSION_MAJOR,
                         len(members), len(members), FLAG_RESERVE_PRESENT, set_id(members), 0)
    header += struct.pack("<HBB", 0, len(reserve), 0)
    assert len(header) == HEADER_SIZE
    return header + bytes(folders) + bytes(files) + bytes(blocks)
