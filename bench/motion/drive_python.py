"""The Python face of the soak (soak.py): vekkestra.Controller driven by one
command line at a time on standard input, one answer line for each on
standard output; the same lines as drive_cpp.cpp:

    open tcp HOST PORT | open serial COM | move TIMEOUT_MS A=N ... | slip A... | close | quit
    -> "ok", or "error CLASS CODE NAME MESSAGE" (the message on one line)

The package is taken from bindings/python of this tree; VEKKESTRA_LIBRARY
and VEKKESTRA_MOTION_LIBRARY name the libraries of the build."""

import os
import sys
from typing import Callable, Dict, List, Optional

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bindings", "python"))

from vekkestra import Controller, VekError  # noqa: E402


class Driver:
    def __init__(self) -> None:
        self.ctl: Optional[Controller] = None
        self.commands: Dict[str, Callable[[List[str]], None]] = {
            "open": self.open, "move": self.move, "slip": self.slip, "close": self.close,
        }

    def open(self, words: List[str]) -> None:
        self.close([])
        if words[0] == "tcp":
            self.ctl = Controller.tcp(words[1], int(words[2]))
        else:
            self.ctl = Controller.serial(int(words[1]))

    def close(self, words: List[str]) -> None:
        if self.ctl is not None:
            self.ctl.close()
            self.ctl = None

    def move(self, words: List[str]) -> None:
        targets = {word[0]: int(word[2:]) for word in words[1:]}
        self.ctl.move(targets, int(words[0]))

    def slip(self, words: List[str]) -> None:
        self.ctl.enable_slip_detection(words[0])

    def run(self, line: str) -> bool:
        words = line.split()
        if not words or words[0] == "quit":
            return False
        try:
            self.commands[words[0]](words[1:])
            answer = "ok"
        except VekError as error:
            answer = "error %s %d %s %s" % (type(error).__name__, error.code, error.name, one_line(str(error)))
        except Exception as error:  # the soak counts whatever the face raised
            answer = "error %s 0 - %s" % (type(error).__name__, one_line(str(error)))
        sys.stdout.write(answer + "\n")
        sys.stdout.flush()
        return True


def one_line(text: str) -> str:
    return text.replace("\r", "|").replace("\n", "|")


def main() -> None:
    driver = Driver()
    for line in sys.stdin:
        if not driver.run(line):
            break


if __name__ == "__main__":
    main()
