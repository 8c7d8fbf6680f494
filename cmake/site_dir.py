"""Prints the directory under an install prefix from which this interpreter
imports modules: one of its site directories, the user's included (which
follows PYTHONUSERBASE). A prefix that holds none of them gets the usual
<prefix>/lib/pythonX.Y/site-packages, and a note on stderr that the
interpreter will not look there by itself.

    python3 site_dir.py PREFIX
"""
import os
import site
import sys
import sysconfig


def site_dirs():
    dirs = list(site.getsitepackages())
    if site.ENABLE_USER_SITE:
        dirs.append(site.getusersitepackages())
    return dirs


def site_dir_under(prefix):
    real_prefix = os.path.realpath(prefix)
    for candidate in site_dirs():
        relative = os.path.relpath(os.path.realpath(candidate), real_prefix)
        # <prefix>/lib/...: not /usr/local/lib/... for the prefix /usr.
        if relative.split(os.sep)[0] in ("lib", "lib64"):
            return os.path.join(prefix, relative)
    return None


def main():
    prefix = os.path.abspath(sys.argv[1])
    found = site_dir_under(prefix)
    if found is None:
        found = sysconfig.get_path("platlib", "posix_prefix", vars={"base": prefix, "platbase": prefix})
        print(f"note: {sys.executable} does not import from {found} by itself; add it with "
              "PYTHONPATH, a .pth file in a site directory, or site.addsitedir()", file=sys.stderr)
    print(found)


if __name__ == "__main__":
    main()
