"""The documentation checker (scripts/check-docs.py) against small Markdown
pages: a block that fails, lacks its expected output, is marked without a
reason or cannot run fails the check with its file and line; what a block
starts is ended; the simulator's flags reach the blocks. Needs a build
(VEK_BUILD, default ../../build).

    python3 -m unittest -v test_check_docs      (from tests/docs)
"""

import os
import subprocess
import sys
import tempfile
import textwrap
import time
import unittest

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CHECKER = os.path.join(SOURCE, "scripts", "check-docs.py")
BUILD = os.environ.get("VEK_BUILD", os.path.join(SOURCE, "build"))
FENCE = "```"


class CheckDocs(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def check(self, page):
        """Runs the checker on one page; returns its exit status and output."""
        path = os.path.join(self.folder.name, "page.md")
        with open(path, "w") as f:
            f.write(textwrap.dedent(page).replace("~~~", FENCE))
        done = subprocess.run([sys.executable, CHECKER, "--build", BUILD, "--timeout", "60", path],
                              capture_output=True, text=True, timeout=600)
        return done.returncode, done.stdout + done.stderr

    def assertFailsAt(self, page, line, words):
        status, output = self.check(page)
        self.assertEqual(status, 1, output)
        self.assertIn("page.md:%d" % line, output)
        self.assertIn(words, output)

    def test_blocks_that_run_and_blocks_that_are_marked_are_counted(self):
        status, output = self.check("""\
            # A page

            ~~~c
            #include "vekkestra_motion.h"
            printf("%s\\n", vekm_result_name(VEKM_LIMIT));
            ~~~

            <!-- check: skip needs a Windows machine -->
            ~~~python
            import winreg
            ~~~

            ~~~
            output, never run
            ~~~
            """)
        self.assertEqual(status, 0, output)
        self.assertIn("page.md: 1 run, 0 simulator, 0 saved for a later block, 1 marked", output)

    def test_a_failing_block_fails_the_check_at_its_line(self):
        self.assertFailsAt("""\
            Text.

            ~~~python
            raise SystemExit(3)
            ~~~
            """, 3, "exited with 3")

    def test_a_renamed_call_fails_to_build(self):
        self.assertFailsAt("""\
            ~~~cpp
            #include "vekkestra.hpp"
            auto ctl = vek::Controller::tcp("localhost", 5001);
            ctl.move_to(vek::Axis::X, 1000);
            ~~~
            """, 1, "move_to")

    def test_marks_need_a_reason_and_unknown_languages_a_mark(self):
        self.assertFailsAt("""\
            <!-- check: skip -->
            ~~~sh
            true
            ~~~
            """, 2, "needs a reason")
        self.assertFailsAt("""\
            ~~~ruby
            puts 1
            ~~~
            """, 1, "a ruby block cannot run here")
        self.assertFailsAt("""\
            <!-- check: sometimes -->
            ~~~sh
            true
            ~~~
            """, 2, "unknown directive")

    def test_expected_output_must_appear(self):
        self.assertFailsAt("""\
            <!-- check: expect arrived -->
            ~~~sh
            echo "still on the way"
            ~~~
            """, 2, "lacks 'arrived'")

    def test_the_simulator_block_sets_the_flags_and_the_port_of_later_blocks(self):
        status, output = self.check("""\
            <!-- check: simulator -->
            ~~~sh
            veksim --port 5001 --publish-com 3 --limits X=-1000000,5000
            ~~~

            <!-- check: expect limit at 5000 over TCP and COM3 -->
            ~~~python
            from vekkestra import Controller, LimitError
            for ctl in (Controller.tcp("localhost", 5001), Controller.serial(3)):
                with ctl:
                    try:
                        ctl.move_axis("X", 20000, timeout_ms=10000)
                    except LimitError as e:
                        where = e.position
            print("limit at %d over TCP and COM3" % where)
            ~~~
            """)
        self.assertEqual(status, 0, output)

    def test_a_bad_simulator_flag_fails_at_the_simulator_block(self):
        self.assertFailsAt("""\
            <!-- check: simulator -->
            ~~~sh
            veksim --limits X=nowhere
            ~~~
            """, 2, "did not start")

    def test_a_saved_file_is_built_by_a_later_block_and_must_be_used(self):
        status, output = self.check("""\
            <!-- check: file hello.c -->
            ~~~c
            #include <stdio.h>
            #include "vekkestra_motion.h"
            int main(void) { printf("core %s\\n", vekm_version()); return 0; }
            ~~~

            <!-- check: expect core -->
            ~~~sh
            cc hello.c -o hello $(pkg-config --cflags --libs vekkestra-motion) && ./hello
            ~~~
            """)
        self.assertEqual(status, 0, output)
        self.assertFailsAt("""\
            <!-- check: file unused.py -->
            ~~~python
            print(1)
            ~~~
            """, 2, "no later sh block uses it")

    def test_what_a_block_started_is_ended(self):
        pid_file = os.path.join(self.folder.name, "pid")
        status, output = self.check("""\
            <!-- check: standalone -->
            ~~~sh
            sleep 600 &
            echo $! > %s
            ~~~
            """ % pid_file)
        self.assertEqual(status, 0, output)
        with open(pid_file) as f:
            pid = int(f.read())
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and os.path.exists("/proc/%d" % pid):
            time.sleep(0.05)
        self.assertFalse(os.path.exists("/proc/%d" % pid), "the block's background sleep still runs")

    def test_a_block_that_hangs_fails_after_its_time_out(self):
        path = os.path.join(self.folder.name, "page.md")
        with open(path, "w") as f:
            f.write("<!-- check: standalone -->\n%ssh\nsleep 600\n%s\n" % (FENCE, FENCE))
        started = time.monotonic()
        done = subprocess.run([sys.executable, CHECKER, "--build", BUILD, "--timeout", "2", path],
                              capture_output=True, text=True, timeout=120)
        self.assertEqual(done.returncode, 1, done.stdout)
        self.assertIn("did not end within 2 s", done.stdout)
        self.assertLess(time.monotonic() - started, 60)

    def test_links_must_lead_to_a_file_and_a_heading(self):
        with open(os.path.join(self.folder.name, "other.md"), "w") as f:
            f.write("# Serial ports\n")
        status, output = self.check("See [ports](other.md#serial-ports) and [top](#a-page).\n\n# A page\n")
        self.assertEqual(status, 0, output)
        self.assertFailsAt("\n\nSee [gone](missing.md).\n", 3, "leads nowhere")
        self.assertFailsAt("See [ports](other.md#tcp).\n", 1, "has no heading #tcp")


if __name__ == "__main__":
    unittest.main()
