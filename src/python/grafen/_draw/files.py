"""The files of a drawing: the names of its pages and their atomic writing."""

import os
import tempfile

from .common import Failure


def page_names(output, count):
    """output itself for one page, else output-1.svg ... with the numbers
    padded to one width."""
    if count == 1:
        return [output]
    stem, extension = os.path.splitext(output)
    digits = len(str(count))
    return ["%s-%0*d%s" % (stem, digits, k, extension) for k in range(1, count + 1)]


def write_all(files):
    """Writes every (path, bytes) to a temporary file beside it and renames
    them into place once all are written; on any failure every temporary file
    is removed and no path is touched."""
    temporaries = []
    try:
        for path, data in files:
            directory = os.path.dirname(path) or "."
            try:
                handle, temporary = tempfile.mkstemp(prefix=".grafen-draw-", suffix=".tmp",
                                                     dir=directory)
            except OSError as error:
                raise Failure("cannot write in %s: %s" % (directory, error.strerror or error))
            temporaries.append(temporary)
            try:
                with os.fdopen(handle, "wb") as stream:
                    stream.write(data)
                    stream.flush()
                    os.fsync(stream.fileno())
                # mkstemp makes the file private; give it the usual mode.
                mask = os.umask(0)
                os.umask(mask)
                os.chmod(temporary, 0o666 & ~mask)
            except OSError as error:
                raise Failure("cannot write %s: %s" % (path, error.strerror or error))
        for (path, _), temporary in zip(files, temporaries):
            try:
                os.replace(temporary, path)
            except OSError as error:
                raise Failure("cannot write %s: %s" % (path, error.strerror or error))
    except BaseException:
        for temporary in temporaries:
            try:
                os.unlink(temporary)
            except OSError:
                pass
        raise


def same_file(a, b):
    """Whether a and b name one existing file."""
    try:
        return os.path.samefile(a, b)
    except OSError:
        return False

