#!/usr/bin/python3
# A folder passed through FUSE whose last writes fail on demand, as on a
# network drive whose server fills up or a stick pulled out: while a file
# named fail-eio or fail-enospc lies in its root, fsync and the flush of a
# close fail with that error for every file written since it was opened.
#   failing_drive.py FOLDER MOUNTPOINT   returns once mounted
import errno
import os
import sys
import time

from fusepy import FUSE, FuseOSError, Operations

FAILURES = {"fail-eio": errno.EIO, "fail-enospc": errno.ENOSPC}
UTIME_NOW, UTIME_OMIT = (1 << 30) - 1, (1 << 30) - 2


class FailingDrive(Operations):
    use_ns = True
    # Wine sets the last-write time alone: libfuse 2 drops such a change
    # unless it is told that the file system takes UTIME_OMIT.
    flag_utime_omit_ok = 1

    def __init__(self, root):
        self.root = root
        self.written = set()   # handles written since they were opened

    def _path(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def _fail_if_armed(self, fh):
        if fh not in self.written:
            return
        for name, code in FAILURES.items():
            if os.path.exists(os.path.join(self.root, name)):
                raise FuseOSError(code)

    def getattr(self, path, fh=None):
        st = os.fstat(fh) if fh is not None else os.lstat(self._path(path))
        attrs = {key: getattr(st, key) for key in ("st_mode", "st_nlink", "st_uid", "st_gid", "st_size")}
        attrs.update({key: getattr(st, key + "_ns") for key in ("st_atime", "st_mtime", "st_ctime")})
        return attrs

    def readdir(self, path, fh):
        return [".", ".."] + os.listdir(self._path(path))

    def statfs(self, path):
        st = os.statvfs(self._path(path))
        return {key: getattr(st, key) for key in ("f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail",
                                                   "f_files", "f_ffree", "f_favail", "f_flag", "f_namemax")}

    def utimens(self, path, times=None):
        path = self._path(path)
        if times is None:
            os.utime(path)
            return
        st, now = os.lstat(path), time.time_ns()

        def chosen(wanted, current):
            return current if wanted == UTIME_OMIT else now if wanted == UTIME_NOW else wanted
        os.utime(path, ns=(chosen(times[0], st.st_atime_ns), chosen(times[1], st.st_mtime_ns)))

    def mkdir(self, path, mode):
        os.mkdir(self._path(path), mode)

    def rmdir(self, path):
        os.rmdir(self._path(path))

    def unlink(self, path):
        os.unlink(self._path(path))

    def rename(self, old, new):
        os.rename(self._path(old), self._path(new))

    def truncate(self, path, length, fh=None):
        os.truncate(self._path(path), length)

    def open(self, path, flags):
        return os.open(self._path(path), flags)

    def create(self, path, mode, fi=None):
        return os.open(self._path(path), os.O_RDWR | os.O_CREAT | os.O_TRUNC, mode)

    def read(self, path, size, offset, fh):
        return os.pread(fh, size, offset)

    def write(self, path, data, offset, fh):
        self.written.add(fh)
        return os.pwrite(fh, data, offset)

    def fsync(self, path, datasync, fh):
        self._fail_if_armed(fh)
        os.fsync(fh)

    def flush(self, path, fh):
        self._fail_if_armed(fh)

    def release(self, path, fh):
        self.written.discard(fh)
        os.close(fh)


if __name__ == "__main__":
    FUSE(FailingDrive(os.path.realpath(sys.argv[1])), sys.argv[2], foreground=False, nothreads=True)
