"""Files written the safe way for ``Velvane.Tessaly.generate``: each to a temporary file beside its
target, all renamed into place only once every one is written, so that a failure or an interruption
leaves the targets as they were."""
import os
import stat


def _remove_quietly(path, remove=os.remove):
    try:
        remove(path)
    except OSError:
        pass


def _make_folders(folder, made):
    """Makes `folder` and its missing parents, noting each one made in `made`."""
    if not folder or os.path.isdir(folder):
        return
    _make_folders(os.path.dirname(folder), made)
    os.mkdir(folder)
    made.append(folder)


def replace_files(output_dir, files):
    """Writes `files`, (path relative to `output_dir` with '/' between folders, bytes) pairs, and
    returns the paths written. An existing target keeps its permission bits."""
    made = []
    pending = []  # (temporary, target)
    try:
        for relative, data in files:
            target = os.path.join(output_dir, *relative.split("/"))
            folder = os.path.dirname(target)
            _make_folders(folder, made)
            temporary = os.path.join(folder, ".%s.%s.tmp" % (os.path.basename(target), os.urandom(6).hex()))
            with open(temporary, "xb") as out:
                pending.append((temporary, target))
                out.write(data)
            if os.path.isfile(target):
                os.chmod(temporary, stat.S_IMODE(os.stat(target).st_mode))
        for temporary, target in pending:
            os.replace(temporary, target)
    except BaseException:
        for temporary, _ in pending:
            if os.path.lexists(temporary):
                _remove_quietly(temporary)
        for folder in reversed(made):
            _remove_quietly(folder, os.rmdir)
        raise
    return [target for _, target in pending]
