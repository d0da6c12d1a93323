#!/usr/bin/env python3
"""Writes the example data files into examples/ (plain python3, no modules
beyond the standard library). Run from anywhere: python3 tools/make_examples.py"""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(os.path.dirname(HERE), "examples")


def hex_line(count, offset, rtype, data):
    body = bytes([count, (offset >> 8) & 0xFF, offset & 0xFF, rtype]) + bytes(data)
    return ":" + body.hex().upper() + "%02X" % ((0x100 - sum(body)) & 0xFF)


def s2_line(address, data):
    body = bytes([len(data) + 4, (address >> 16) & 0xFF, (address >> 8) & 0xFF, address & 0xFF]) + bytes(data)
    return "S2" + body.hex().upper() + "%02X" % (~sum(body) & 0xFF)


def chunks(blocks):
    """(address, up to 16 bytes) pieces of every block, cut at 64 KiB boundaries."""
    for start, data in blocks:
        pos = 0
        while pos < len(data):
            address = start + pos
            n = min(16, len(data) - pos, 0x10000 - (address & 0xFFFF))
            yield address, data[pos:pos + n]
            pos += n


def intel_hex(blocks):
    """Intel HEX with "02" extended segment address records (20-bit devices)."""
    lines, segment = [], None
    for address, data in chunks(blocks):
        if address >> 16 != segment:
            segment = address >> 16
            value = (address >> 4) & 0xF000
            lines.append(hex_line(2, 0, 2, [value >> 8, value & 0xFF]))
        lines.append(hex_line(len(data), address & 0xFFFF, 0, data))
    lines.append(":00000001FF")
    return "\r\n".join(lines) + "\r\n"


def s_records(blocks):
    lines = ["S0030000FC"]
    lines += [s2_line(address, data) for address, data in chunks(blocks)]
    lines.append("S804000000FB")
    return "\r\n".join(lines) + "\r\n"


def pattern(n, seed):
    """Deterministic bytes that look like code rather than blank flash."""
    out, x = bytearray(), seed
    for _ in range(n):
        x = (x * 1103515245 + 12345) & 0x7FFFFFFF
        out.append((x >> 16) & 0xFF)
    return bytes(out)


def user_program():
    handler = 0xC0100
    code = b"PLX-71RD example program\0" + pattern(230, 1)
    table = pattern(96, 2)
    # Fixed vectors 0xFFFDC-0xFFFFF: the fourth byte of each vector holds an
    # ID code byte (0xFFFDF, E3, EB, EF, F3, F7, FB) or, for the reset vector,
    # the ROM code protect byte (0xFFFFF, 0xFF: not protected).
    id_code = b"PLX71RD"
    fourth = [id_code[0], id_code[1], 0x00, id_code[2], id_code[3], id_code[4], id_code[5], id_code[6], 0xFF]
    vectors = bytearray()
    for i, high in enumerate(fourth):
        target = 0xC0000 if i == len(fourth) - 1 else handler
        vectors += bytes([target & 0xFF, (target >> 8) & 0xFF, (target >> 16) & 0xFF, high])
    return [(0xC0000, code), (0xF8000, table), (0xFFFDC, bytes(vectors))]


def boot_update():
    return [(0xFE000, b"BT 1.02 " + pattern(184, 3))]


def firmware(start, header, size):
    return [(start, header + pattern(size - len(header), 4))]


def write(name, text):
    with open(os.path.join(OUT, name), "w", newline="") as f:
        f.write(text)


def project(device_index, name, areas, last_block, vcc, vpp, boot_file, user_file):
    """A project file: the device record of the table plus the job. The data
    file names are relative to the project's own folder, so the project opens
    from wherever it is opened (the repository root, examples/, a copy)."""
    import struct
    (user_start, user_size), (boot_start, boot_size) = areas
    record = name.encode().ljust(104, b"\0")
    record += struct.pack("<IIIiB3xIIIii", user_start, user_start + user_size - 1, user_size, last_block,
                          (1 << (last_block + 1)) - 1, boot_start, boot_start + boot_size - 1, boot_size, vcc, vpp)
    assert len(record) == 144

    def text(t):
        return struct.pack("<I", len(t)) + t.encode()

    out = b"PLX-71RD project file Ver.A     " + struct.pack("<i", device_index) + record
    out += struct.pack("<iii", 0, 9, 1 if boot_file else 0)
    out += text(boot_file) + text(user_file)
    out += struct.pack("<i", 0) + text("")         # lock bits: No Change
    out += struct.pack("<i", 0) + text("")         # operation blocks: All
    out += b"PLX71RD"                               # check ID, the program's own ID bytes
    out += struct.pack("<ii", 0, 4)                 # COM1, 115.2K
    return out


def main():
    os.makedirs(OUT, exist_ok=True)
    user = user_program()
    write("user_program.hex", intel_hex(user))
    write("user_program.mot", s_records(user))
    write("boot_update.btp", s_records(boot_update()))
    write("firmware_v131.hex", intel_hex(firmware(0xC1000, b"V1.31 2002/03/15", 0x3000)))
    write("firmware_bad_header.hex", intel_hex(firmware(0xC1100, b"V1.31 2002/03/15", 0x2F00)))
    with open(os.path.join(OUT, "demo_project.pxp"), "wb") as f:
        f.write(project(0, "M30624FGFP", ((0xC0000, 0x40000), (0xFE000, 0x2000)), 6, 50, 50,
                        "boot_update.btp", "user_program.hex"))


if __name__ == "__main__":
    main()
