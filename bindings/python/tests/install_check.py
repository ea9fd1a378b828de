"""Installs the package the way a user does, offline, into a fresh virtual
environment, and imports it from there with the library named by
VEKKESTRA_LIBRARY and the motion core named by VEKKESTRA_MOTION_LIBRARY.
Exits 77 (skipped) when this interpreter cannot build a package offline
(Debian: python3-venv python3-pip python3-setuptools python3-wheel).

    python3 tests/install_check.py    (from bindings/python)
"""

import importlib.util
import os
import re
import shutil
import subprocess
import sys
import tempfile

SOURCE = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SKIPPED = 77


def run(command, **kwargs):
    print("+ " + " ".join("<script>" if "\n" in part else part for part in command), flush=True)
    done = subprocess.run(command, capture_output=True, text=True, timeout=300, **kwargs)
    if done.returncode != 0:
        sys.exit("failed (%d):\n%s%s" % (done.returncode, done.stdout, done.stderr))
    return done.stdout


def main():
    for module in ("venv", "pip", "setuptools", "wheel"):
        if importlib.util.find_spec(module) is None:
            print("%s cannot build the package offline: no %s module" % (sys.executable, module))
            return SKIPPED
    # Build tools run without the sanitizer runtime some builds preload.
    tools_env = {k: v for k, v in os.environ.items() if k not in ("LD_PRELOAD", "PYTHONPATH", "PIP_INDEX_URL")}
    with tempfile.TemporaryDirectory() as work:
        # A copy, so that the build leaves nothing behind in the source tree.
        source = os.path.join(work, "src")
        os.mkdir(source)
        for name in ("pyproject.toml", "README.md"):
            shutil.copy(os.path.join(SOURCE, name), source)
        shutil.copytree(os.path.join(SOURCE, "vekkestra"), os.path.join(source, "vekkestra"),
                        ignore=shutil.ignore_patterns("__pycache__"))

        venv = os.path.join(work, "venv")
        run([sys.executable, "-m", "venv", "--system-site-packages", "--without-pip", venv], env=tools_env)
        python = os.path.join(venv, "Scripts" if os.name == "nt" else "bin", "python")
        run([python, "-m", "pip", "install", "--no-build-isolation", "--no-index", "--no-deps", source],
            env=tools_env)

        env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
        env["PYTHONDONTWRITEBYTECODE"] = "1"
        out = run([python, "-c",
                   "import importlib.metadata as m, os, vekkestra\n"
                   "package = os.path.dirname(vekkestra.__file__)\n"
                   "print(package)\n"
                   "print(sorted(f for f in os.listdir(package) if f != '__pycache__'))\n"
                   "print(m.version('vekkestra'), vekkestra.__version__)\n"
                   "print(vekkestra.version())\n"
                   "print(vekkestra.core_version())\n"], cwd=work, env=env).splitlines()
        print("\n".join(out))
        package, files, versions, library_version, core_version = out
        expected = sorted(f for f in os.listdir(os.path.join(SOURCE, "vekkestra"))
                          if f.endswith(".py") or f == "py.typed")
        with open(os.path.join(SOURCE, "..", "..", "VERSION"), encoding="ascii") as f:
            product = f.read().strip()
        problems = []
        if not os.path.realpath(package).startswith(os.path.realpath(venv) + os.sep):
            problems.append("imported from %s, not from the environment" % package)
        if files != repr(expected):
            problems.append("installed files %s, expected %s" % (files, expected))
        if versions != "%s %s" % (product, product):
            problems.append("versions (metadata, module) %s, VERSION says %s" % (versions, product))
        if not re.match(r"VekKestra DLL v\d+\.\d\d\.\d\d - ", library_version):
            problems.append("library version text %r" % library_version)
        if core_version != product:
            problems.append("motion core version %r, VERSION says %s" % (core_version, product))
        if problems:
            sys.exit("\n".join(problems))
    print("installed offline and imported: ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
