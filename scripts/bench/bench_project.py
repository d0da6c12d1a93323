#!/usr/bin/env python3
"""Writes the project the link benchmarks download: M30624FGFP (or, with
DEVICE=M30622F8FP in the environment, that device's 64 KiB User ROM of 256
pages), the given User ROM and Boot ROM files, and either every block (no
BLOCKS) or the block list BLOCKS.

usage: bench_project.py OUT.pxp USER_FILE BOOT_FILE [BLOCKS]
"""
import os
import struct
import sys

# name -> User ROM start, end, size, last block, block mask (Boot ROM FE000, 8 KiB)
DEVICES = {
    'M30624FGFP': (0xC0000, 0xFFFFF, 0x40000, 6, 0x7F),
    'M30622F8FP': (0xF0000, 0xFFFFF, 0x10000, 3, 0x0F),
}


def text(s):
    b = s.encode()
    return struct.pack('<I', len(b)) + b


def main():
    out, user, boot = sys.argv[1:4]
    blocks = sys.argv[4] if len(sys.argv) > 4 else ''
    name = os.environ.get('DEVICE', 'M30624FGFP')
    device = name.encode().ljust(104, b'\0')
    device += struct.pack('<IIIiB3xIIIii', *DEVICES[name], 0xFE000, 0xFFFFF, 0x2000, 50, 50)
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
