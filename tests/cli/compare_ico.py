#!/usr/bin/env python3
"""Says whether two .ico files hold the same images in the same order.

The images are compared byte for byte, except the biSizeImage field of bitmap images, which
icon writers are free to set or clear. Exit 0 when equal; otherwise prints the first difference.
usage: compare_ico.py A.ico B.ico
"""
import struct
import sys


def images(path):
    data = open(path, 'rb').read()
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    if reserved != 0 or kind != 1:
        raise ValueError(f'{path}: not an icon file')
    result = []
    for i in range(count):
        size, offset = struct.unpack_from('<II', data, 6 + 16 * i + 8)
        image = bytearray(data[offset:offset + size])
        if len(image) != size:
            raise ValueError(f'{path}: image {i} runs past the end')
        if len(image) >= 40 and struct.unpack_from('<I', image, 0)[0] >= 40:
            image[20:24] = b'\0\0\0\0'
        result.append(bytes(image))
    return result


def main():
    a, b = images(sys.argv[1]), images(sys.argv[2])
    if len(a) != len(b):
        print(f'{len(a)} images against {len(b)}')
        return 1
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            print(f'image {i} differs ({len(x)} against {len(y)} bytes)')
            return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
