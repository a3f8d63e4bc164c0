#!/usr/bin/env python3
"""Post-link step for setup.exe: what the MinGW linker can't be asked for, set in the PE header.

    pe-header.py PROGRAM

- IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP and IMAGE_FILE_NET_RUN_FROM_SWAP: started from a disc, a
  USB stick or a share, Windows copies the image to the swap file first, so a disc pulled or a
  share lost mid-install can't page garbage into the running program.
- The file header's TimeDateStamp fixed at 0 (the link already leaves it out), so two builds of
  one commit give the same bytes.
- The checksum recomputed for the changed header.

Runs on the linked program, before any signing: it refuses a file that already carries a
signature, since any change here would break it. Running it twice changes nothing more.
"""
import struct
import sys

REMOVABLE_RUN_FROM_SWAP = 0x0400
NET_RUN_FROM_SWAP = 0x0800
FIXED_TIME_STAMP = 0


def fail(message):
    sys.exit(f"pe-header: {sys.argv[1]}: {message}")


def checksum(image, field):
    """The PE checksum: 16-bit one's-complement-style sum of the file, its own field as 0, plus the length."""
    data = image[:field] + b"\0\0\0\0" + image[field + 4:]
    if len(data) % 2:
        data += b"\0"
    total = 0
    for (word,) in struct.iter_unpack("<H", data):
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16) + len(image)) & 0xFFFFFFFF


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: pe-header.py PROGRAM")
    path = sys.argv[1]
    with open(path, "rb") as f:
        image = bytearray(f.read())
    if image[:2] != b"MZ" or len(image) < 0x40:
        fail("not an executable")
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[pe:pe + 4] != b"PE\0\0":
        fail("no PE header")
    file_header, optional = pe + 4, pe + 24
    magic = struct.unpack_from("<H", image, optional)[0]
    directories = {0x10B: optional + 96, 0x20B: optional + 112}.get(magic)
    if directories is None:
        fail(f"unknown optional header magic {magic:#x}")
    security = directories + 4 * 8  # data directory 4: the certificate table
    if struct.unpack_from("<II", image, security) != (0, 0):
        fail("already signed: the header must be set before signing")

    struct.pack_into("<I", image, file_header + 4, FIXED_TIME_STAMP)
    characteristics = struct.unpack_from("<H", image, file_header + 18)[0]
    struct.pack_into("<H", image, file_header + 18, characteristics | REMOVABLE_RUN_FROM_SWAP | NET_RUN_FROM_SWAP)
    field = optional + 64
    struct.pack_into("<I", image, field, checksum(image, field))

    with open(path, "r+b") as f:
        f.write(image[:optional + 68])


if __name__ == "__main__":
    main()
