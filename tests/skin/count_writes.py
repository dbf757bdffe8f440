#!/usr/bin/env python3
"""Runs a command while watching a folder, and fails when a file in it was written more often
than allowed (each completed write of a file ends in one close after writing).

usage: count_writes.py FOLDER NAME MAX -- COMMAND...   (FOLDER is created empty first)
"""
import ctypes
import os
import shutil
import struct
import subprocess
import sys

IN_CLOSE_WRITE = 0x00000008
IN_NONBLOCK = 0o4000


def main():
    folder, name, most = sys.argv[1], sys.argv[2], int(sys.argv[3])
    command = sys.argv[sys.argv.index('--') + 1:]
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    libc = ctypes.CDLL(None, use_errno=True)
    fd = libc.inotify_init1(IN_NONBLOCK)
    if fd < 0 or libc.inotify_add_watch(fd, folder.encode(), IN_CLOSE_WRITE) < 0:
        sys.exit('cannot watch ' + folder)
    status = subprocess.call(command)
    writes = 0
    try:
        data = os.read(fd, 1 << 16)
    except BlockingIOError:
        data = b''
    at = 0
    while at + 16 <= len(data):
        _, mask, _, length = struct.unpack_from('iIII', data, at)
        event_name = data[at + 16:at + 16 + length].rstrip(b'\0').decode(errors='replace')
        writes += event_name == name and bool(mask & IN_CLOSE_WRITE)
        at += 16 + length
    print(f'{name} was written {writes} time(s) (at most {most} allowed)')
    if status != 0:
        return status
    return 0 if writes <= most else 1


if __name__ == '__main__':
    sys.exit(main())
