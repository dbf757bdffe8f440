#!/usr/bin/env python3
"""Drops a file's pages from the page cache, or reports how many of them are cached.

usage: page_cache.py drop FILE     (clean pages only; needs no privileges)
       page_cache.py resident FILE (bytes of FILE in the cache, from fincore)
"""
import os
import subprocess
import sys


def main():
    action, path = sys.argv[1], sys.argv[2]
    if action == 'drop':
        fd = os.open(path, os.O_RDONLY)
        try:
            os.fsync(fd)
            os.posix_fadvise(fd, 0, 0, os.POSIX_FADV_DONTNEED)
        finally:
            os.close(fd)
    elif action == 'resident':
        out = subprocess.run(['fincore', '--bytes', '--noheadings', '--output', 'RES', path],
                             check=True, capture_output=True, text=True).stdout
        print(int(out.split()[0]))
    else:
        sys.exit(__doc__)


if __name__ == '__main__':
    main()
