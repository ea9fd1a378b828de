"""The installed server: `cmake --install` lays out the launcher and its
package so that the launcher finds them, and the library, by itself."""

import os
import subprocess
import tempfile
import unittest


class InstallTest(unittest.TestCase):
    @unittest.skipUnless(os.environ.get("VEK_BUILD_DIR"), "VEK_BUILD_DIR names no build to install")
    def test_installed_launcher_finds_its_package_and_the_library(self) -> None:
        with tempfile.TemporaryDirectory() as prefix:
            subprocess.run(["cmake", "--install", os.environ["VEK_BUILD_DIR"], "--prefix", prefix], check=True,
                           stdout=subprocess.DEVNULL)
            environment = {k: v for k, v in os.environ.items() if k not in ("VEKKESTRA_LIBRARY", "PYTHONPATH")}
            shown = subprocess.run([os.path.join(prefix, "bin", "VekKestraDS"), "--version"], env=environment,
                                   cwd=prefix, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
            self.assertEqual(shown.returncode, 0, shown.stdout)
            lines = shown.stdout.splitlines()
            self.assertRegex(lines[0], r"^VekKestraDS \d+\.\d+\.\d+$")
            self.assertEqual(lines[1], "  server package: %s/share/vekkestra/tango/vekkestra_tango" % prefix)
            self.assertEqual(lines[2], "  vekkestra package: %s/share/vekkestra/python/vekkestra" % prefix)
            self.assertRegex(lines[3], r"^  library: %s/lib[^ ]*/libvekkestra\.so\.1 \(VekKestra DLL v" % prefix)
            self.assertTrue(os.path.isfile(os.path.join(prefix, "share", "doc", "vekkestra", "images",
                                                        "tango-taurus-form.png")))
