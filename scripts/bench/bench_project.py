#!/usr/bin/env python3
"""Writes the project the link benchmarks download: M30624FGFP, the given
User ROM and Boot ROM files, and either every block (no BLOCKS) or the
block list BLOCKS.

usage: bench_project.py OUT.pxp USER_FILE BOOT_FILE [BLOCKS]
"""
import struct
import sys


def text(s):
    b = s.encode()
    return struct.pack('<I', len(b)) + b


def main():
    out, user, boot = sys.argv[1:4]
    blocks = sys.argv[4] if len(sys.argv) > 4 else ''
    device = b'M30624FGFP'.ljust(104, b'\0')
    device += struct.pack('<IIIiB3xIIIii', 0xC0000, 0xFFFFF, 0x40000, 6, 0x7F, 0xFE000, 0xFFFFF, 0x2000, 50, 50)
    p = b'PLX-71RD project file Ver.A'.ljust(32, b' ')
    p += struct.pack('<i', 0) + device + struct.pack('<iii', 1, 9, 1)
    p += text(boot) + text(user)
    # Lock bits "No Change"; operation blocks "All", or "Block" with the list.
    p += struct.pack('<i', 0) + text('') + struct.pack('<i', 1 if blocks else 0) + text(blocks)
    p += bytes(7) + struct.pack('<ii', 0, 4)
    with open(out, 'wb') as f:
        f.write(p)


if __name__ == '__main__':
    main()
