#!/usr/bin/env python3
"""Writes the seed inputs of every fuzz harness into OUT/<target>/ (default
tests/fuzz/seeds, not committed): the example files, the device table, and
box answers taken from wire logs of the software writer box (plx71sim --log)
when log files are given. The committed corpus is these seeds after
`-merge=1` (see docs/NOTES.md).

    python3 tests/fuzz/make_seeds.py [OUT] [--log FILE ...]"""
import os
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
EXAMPLES = os.path.join(ROOT, "examples")
TABLE = os.path.join(ROOT, "resources", "plx71typ.tbl")

# Indexes into resources/plx71typ.tbl.
M30624FGFP, M30622F8FP, M30803FGFP = 0, 2, 7


def read(path):
    with open(path, "rb") as f:
        return f.read()


def hex_line(count, offset, rtype, data):
    body = bytes([count, (offset >> 8) & 0xFF, offset & 0xFF, rtype]) + bytes(data)
    return ":" + body.hex().upper() + "%02X" % ((0x100 - sum(body)) & 0xFF)


def s_line(kind, address, data):
    width = {"1": 2, "2": 3, "3": 4, "7": 4, "8": 3, "9": 2}[kind]
    body = bytes([len(data) + width + 1]) + address.to_bytes(width, "big") + bytes(data)
    return "S" + kind + body.hex().upper() + "%02X" % (~sum(body) & 0xFF)


def lines(*items):
    return ("\r\n".join(items) + "\r\n").encode()


def head_and_end(path, n, end):
    """The first n lines of an example and its end record: small seeds."""
    text = read(path).decode().splitlines()
    return lines(*(text[:n] + [end]))


def datafile_seeds():
    user_hex = read(os.path.join(EXAMPLES, "user_program.hex"))
    user_mot = read(os.path.join(EXAMPLES, "user_program.mot"))
    boot = read(os.path.join(EXAMPLES, "boot_update.btp"))
    protect = lines(hex_line(2, 0, 2, [0xF0, 0x00]), hex_line(1, 0xFFFF, 0, [0x3F]), ":00000001FF")
    wide = lines(hex_line(2, 0, 4, [0x00, 0xFC]), hex_line(4, 0x0000, 0, [1, 2, 3, 4]), ":00000001FF")
    s3 = lines(s_line("3", 0xFC0000, [9, 8, 7]), s_line("2", 0xFFFFF0, [0x55] * 16), s_line("7", 0, []))
    boot_hex = lines(hex_line(2, 0, 2, [0xF0, 0x00]), hex_line(8, 0xE000, 0, list(b"BT 1.02 ")), ":00000001FF")
    bad_sum = lines(":0400000001020304F0", ":00000001FF")
    lower = lines(hex_line(2, 0, 2, [0xC0, 0x00]).lower(), hex_line(3, 0x10, 0, [0xAB, 0xCD, 0xEF]).lower())
    return {
        "user_hex": bytes([M30624FGFP, 0]) + user_hex,
        "user_mot": bytes([M30624FGFP, 2]) + user_mot,
        "boot_btp": bytes([M30624FGFP, 3]) + boot,
        "boot_hex": bytes([M30624FGFP, 1]) + boot_hex,
        "outside_area": bytes([M30622F8FP, 0]) + head_and_end(os.path.join(EXAMPLES, "user_program.hex"), 3, ":00000001FF"),
        "protect_cancel": bytes([M30624FGFP, 0]) + protect,
        "protect_ok": bytes([M30624FGFP, 4]) + protect,
        "wide_hex": bytes([M30803FGFP, 0]) + wide,
        "wide_s3": bytes([M30803FGFP, 2]) + s3,
        "bad_checksum": bytes([M30624FGFP, 0]) + bad_sum,
        "lower_case": bytes([M30624FGFP, 0]) + lower,
    }


def firmware_seeds():
    v131 = os.path.join(EXAMPLES, "firmware_v131.hex")
    bad = os.path.join(EXAMPLES, "firmware_bad_header.hex")
    mot = lines(s_line("2", 0xC1000, list(b"V1.31 2002/03/15")), s_line("2", 0xC3FF0, [0] * 16),
                s_line("2", 0xC2000, []), s_line("8", 0, []))
    low = lines(hex_line(2, 0, 2, [0xC0, 0x00]), hex_line(1, 0x0FFF, 0, [1]), ":00000001FF")
    high = lines(hex_line(2, 0, 2, [0xF0, 0x00]), hex_line(2, 0xFFFE, 0, [1, 2]), ":00000001FF")
    return {
        "v131_head": bytes([0]) + head_and_end(v131, 6, ":00000001FF"),
        "bad_header_head": bytes([0]) + head_and_end(bad, 4, ":00000001FF"),
        "s_records": bytes([1]) + mot,
        "below_area": bytes([0]) + low,
        "above_area": bytes([0]) + high,
        "other_type": bytes([2]) + b"anything",
    }


def project(names=(b"", b""), device_index=0, record=None, port=0, tail=b""):
    header = b"PLX-71RD project file Ver.A     "
    if record is None:
        record = (b"M30624FGFP".ljust(104, b"\0") + struct.pack("<IIIiB3xIIIii", 0xC0000, 0xFFFFF, 0x40000, 6,
                                                                   0x7F, 0xFE000, 0xFFFFF, 0x2000, 50, 50))
    boot, user = names
    body = header + struct.pack("<i", device_index) + record + struct.pack("<iii", 0, 9, 1)
    body += struct.pack("<I", len(boot)) + boot + struct.pack("<I", len(user)) + user
    body += struct.pack("<iI", 3, 5) + b"0,2-4" + struct.pack("<iI", 1, 3) + b"1-2"
    body += b"PLX71RD" + struct.pack("<ii", port, 4)
    return body + tail


def project_seeds():
    names = (b"boot_update.btp", b"user_program.hex")
    default = project(device_index=-1, record=b"M30624FGFP".ljust(104, b"\0")
                      + struct.pack("<IIIiB3xIIIii", 0xC0000, 0xFFFFF, 0, 6, 0x7F, 0xFE000, 0xFFFFF, 0, 0, 0))
    return {
        "demo": bytes([0]) + read(os.path.join(EXAMPLES, "demo_project.pxp")),
        "reloads": bytes([1]) + project(names),
        "reloads_other_device": bytes([5]) + project(names, device_index=2),
        "missing_file": bytes([0]) + project((b"", b"gone.hex")),
        "no_device": bytes([0]) + default,
        "bad_choice": bytes([0]) + project(port=7),
        "trailing_byte": bytes([0]) + project(tail=b"\0"),
    }


def table_seeds():
    table = read(TABLE)
    return {
        "shipped": table,
        "crlf_blank_line": table.replace(b"\n", b"\r\n").replace(b"// M306Nx", b"\r\n// M306Nx"),
        "odd_records": b"A,FE000,2000,C0000,40000,9,3.3V,12V\nB,FE000,0,C0000,40000,6,5.0V,5.0V\n"
                       b" //x,1,1,1,1,0,1V,1V\nC,FE000,2000\n",
    }


def number_seeds():
    def block(text, highest=6, lowest=0, previous=0x05):
        return bytes([0, highest, lowest]) + struct.pack("<I", previous) + text

    def ranges(text, lowest=0xC0000, span=0xFFFF):
        return bytes([1]) + struct.pack("<IH", lowest, span) + text

    return {
        "blocks": block(b"0,2-4"),
        "blocks_bad": block(b"1-2-3"),
        "blocks_zeros": block(b"007,000"),
        "ranges": ranges(b"c0000 - c00ff , C1000"),
        "ranges_six": ranges(b"C0000,C0001,C0002,C0003,C0004,C0005"),
        "hex_field": bytes([2]) + b"  fffff",
        "check_id": bytes([3]) + bytes(7) + b"50,4C,58 37 31,52,44",
        "check_id_short": bytes([3]) + bytes(7) + b"1,2,3",
    }


def frame(payload, code=0):
    body = bytes([code]) + payload
    return struct.pack("<H", len(body)) + body + bytes([sum(body) & 0xFF])


def good_answers(op, choice):
    """An operation whose box answers every request well."""
    return bytes([op, choice, 0xFF, 0xFF])


def parse_log(path):
    """(request, answer) pairs of a wire log: the PC's frame and every byte
    the box sent before the PC's next frame."""
    pairs, request, answer = [], None, b""
    with open(path) as f:
        for line in f:
            prefix, _, data = line.strip().partition(" ")
            data = bytes.fromhex(data)
            if prefix in ("PC>", "PC#", "PC!") and len(data) > 1:
                if request is not None:
                    pairs.append((request, answer))
                request, answer = data, b""
            elif prefix in ("BOX>", "BOX!"):
                answer += data
    if request is not None:
        pairs.append((request, answer))
    return pairs


def scripted(pairs):
    """A box script answering each request as the log shows (see
    scripted_box.hpp); long answers become default answers."""
    out = b""
    for _, answer in pairs:
        out += bytes([7, len(answer)]) + answer if len(answer) <= 255 else bytes([0])
    return out


def stream(pairs, limit=8):
    out = b""
    for _, answer in pairs[:limit]:
        answer = answer[:255]
        out += bytes([len(answer)]) + answer
    return out


def link_seeds(logs):
    ops = {
        "about": good_answers(0, 0),
        "loader_versions": good_answers(1, 4),
        "download": good_answers(2, 0x50),
        "download_verify": good_answers(2, 0x58),
        "verify": good_answers(5, 0x08),
        "download_wide_boot_verify": good_answers(2, 0x19),  # M30803FGFP, Boot ROM, read-back
        "upload": good_answers(3, 0x14),
        "firmware": good_answers(4, 0x2F),
        "download_nak": bytes([2, 0, 6, 0x15, 6, 0x15, 6, 0x15]),
        "upload_odd_settings": bytes([3, 0, 0, 0, 0, 4, 12]) + bytes(range(12)),
    }
    settings = (bytes.fromhex("E00F0800000C0001072" "20A") + b"M30624FGFP" + bytes([1, 0, 0]) + bytes(7)
                + bytes([10, 0x80, 0x7F]))
    versions = b"\x06" + frame(b"BOOT V1.00      V1.30 2001/12/25")
    frames = {
        "versions": bytes([0, len(versions)]) + versions,
        "settings_record": bytes([7]) + settings,
        "settings_reply": bytes([3, len(settings) + 5, 6]) + frame(settings),
        "status_busy": bytes([2, 5, 6]) + frame(b"\x80"),
        "bad_checksum_then_good": bytes([2, 5, 6]) + frame(b"\x00")[:-1] + b"\x01" + bytes([5, 6]) + frame(b"\x00"),
        "long_reply": bytes([6, 0, 3, 6, 0xFF, 0xFF]),
    }
    for log in logs:
        pairs = parse_log(log)
        if not pairs:
            continue
        name = os.path.basename(log).split(".")[0]
        op = {"download": 2, "upload": 3, "firmware": 4}.get(name, 1)
        ops["log_" + name] = bytes([op, 0]) + scripted(pairs)
        frames["log_" + name] = bytes([0]) + stream(pairs)
    return ops, frames


def main():
    args = sys.argv[1:]
    logs = args[args.index("--log") + 1:] if "--log" in args else []
    out = args[0] if args and args[0] != "--log" else os.path.join(HERE, "seeds")
    link_ops, link_frames = link_seeds(logs)
    targets = {
        "datafile_reader": datafile_seeds(),
        "firmware_reader": firmware_seeds(),
        "project_file": project_seeds(),
        "device_table": table_seeds(),
        "number_fields": number_seeds(),
        "link_ops": link_ops,
        "link_frames": link_frames,
    }
    for target, seeds in targets.items():
        os.makedirs(os.path.join(out, target), exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(out, target, "seed-" + name), "wb") as f:
                f.write(data)
        print("%-16s %d seeds" % (target, len(seeds)))


if __name__ == "__main__":
    main()
