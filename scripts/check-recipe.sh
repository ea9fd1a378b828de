#!/usr/bin/env bash
# Proves the recipe of commands/README.md ("Adding an operation") end to end:
# on a copy of the tree, adds its example operation exactly as the README
# says (its tagged blocks into the header, the table, the simulator and the
# command-text test; the generated files written anew; the contract's count
# raised by two), builds, and checks that the new operation sends its text
# and is callable, typed, from C++, Python, C# and `vekctl call` against
# veksim. Any further edit the operation would need fails a step here.
#
#   scripts/check-recipe.sh            (VEK_RECIPE_KEEP=1 keeps the copy)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(mktemp -d)"
src="$work/src"
sim_pid=""
cleanup() {
  if [[ -n "$sim_pid" ]]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi
  if [[ "${VEK_RECIPE_KEEP:-0}" == 1 ]]; then echo "recipe: the copy stays in $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

failures=0
passes=0
pass() { echo "ok:   $*"; passes=$((passes + 1)); }
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
step() { echo "== recipe: $*"; }
python="${PYTHON:-python3}"

step "a copy of the tree in $src"
mkdir -p "$src"
(cd "$root" && git ls-files -co --exclude-standard -z | while IFS= read -r -d '' f; do [[ -e "$f" ]] && printf '%s\0' "$f"; done |
  tar --null -T - -cf -) | tar -xf - -C "$src"
# What the copy holds before the recipe, to tell afterwards what it changed.
manifest() { (cd "$src" && find . -path ./build -prune -o -type f -print0 | sort -z | xargs -0 sha1sum); }
manifest >"$work/before.sha1"

step "the README's blocks, put where it says"
"$python" - "$src" <<'EOF'
import re, sys
src = sys.argv[1]
readme = open(src + "/commands/README.md").read()
recipe = readme[readme.index("## Adding an operation"):]
# Fenced blocks whose info string names a file: ```c include/vekkestra.h
blocks = re.findall(r"^( *)```\S+ (\S+)\n(.*?)^\1```", recipe, re.S | re.M)
# Where each file takes its block: after the line of the operation's group
# that the README's example sits in (SetAxisHoldVelocity, the last of the
# servo group). The header's block has two parts: the documented Ethernet
# declaration among the Ethernet operations, the serial one among the serial.
anchors = {
    "include/vekkestra.h": [r"VEK_CALL VEKnet_SetAxisHoldVelocity\(", r"VEK_CALL VEKser_SetAxisHoldVelocity\("],
    "commands/operations.h": [r"OP\(SetAxisHoldVelocity,"],
    "sim/mnemonics.cpp": [r'\{"HV",'],
    "tests/commands/command_text_test.cpp": [r"OP\(SetAxisHoldVelocity,"],
}
if sorted(path for _, path, _ in blocks) != sorted(anchors):
    sys.exit("the README's recipe names %s, the check knows %s" % (sorted(p for _, p, _ in blocks), sorted(anchors)))
for indent, path, body in blocks:
    lines = [line[len(indent):] if line.startswith(indent) else line for line in body.splitlines()]
    parts = [lines]
    if path == "include/vekkestra.h":
        split = next(i for i, line in enumerate(lines) if "VEK_CALL VEKnet_" in line) + 1
        parts = [lines[:split], lines[split:]]
    text = open(src + "/" + path).read().split("\n")
    for anchor, part in zip(anchors[path], parts):
        at = next(i for i, line in enumerate(text) if re.search(anchor, line))
        if path == "commands/operations.h":  # the anchor's row may run over several lines
            while not text[at].rstrip().endswith("\\") or text[at + 1].lstrip().startswith("("):
                at += 1
        text[at + 1:at + 1] = part
    open(src + "/" + path, "w").write("\n".join(text))
    print("recipe: %d line(s) into %s" % (sum(len(p) for p in parts), path))
EOF
name="$(sed -n 's/^ *OP(\([A-Za-z0-9]*\), .*/\1/p' <(sed -n '/## Adding an operation/,$p' "$src/commands/README.md") | head -1)"
snake="$(sed -E 's/([a-z0-9])([A-Z])/\1_\2/g; s/([A-Z])([A-Z][a-z])/\1_\2/g' <<<"$name" | tr 'A-Z' 'a-z')"
echo "recipe: the operation is $name ($snake)"

step "the contract's count, raised by two"
contract="$src/tests/commands/contract.cmake"
count="$(sed -n 's/^set(contract_exports \([0-9]*\))$/\1/p' "$contract")"
sed -i "s/^set(contract_exports $count)$/set(contract_exports $((count + 2)))/" "$contract"

step "configure, write the generated files, build"
cd "$src"
cmake --preset default -DVEK_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 || { cat "$work/configure.log"; exit 1; }
cmake --build build --target update-generated
targets=(check-generated vekkestra vekkestra_motion commands_tests veksim vekctl)
[[ -n "$(command -v mcs)" ]] && targets+=(vekkestra_dotnet)
cmake --build build --target "${targets[@]}" >"$work/build.log" 2>&1 || { tail -50 "$work/build.log"; exit 1; }
pass "built with the generated files the table gives (check-generated)"

manifest >"$work/after.sha1"
changed="$({ diff "$work/before.sha1" "$work/after.sha1" || true; } | sed -n 's|^[<>] [0-9a-f]*  \./||p' | sort -u)"
echo "recipe: files changed:" $changed
expected="bindings/dotnet/Native.g.cs bindings/dotnet/Operations.g.cs bindings/python/vekkestra/_exports.py
bindings/python/vekkestra/_operations.py cmake/VekKestra.def commands/operations.h include/vekkestra.h
include/vekkestra_motion_calls.h include/vekkestra_operations.hpp sim/mnemonics.cpp
tests/commands/command_text_test.cpp tests/commands/contract.cmake"
if [[ "$(tr ' ' '\n' <<<"$changed" | sort | xargs)" == "$(tr ' \n' '\n\n' <<<"$expected" | sort | xargs)" ]]; then
  pass "the README's files and the generated ones changed, nothing else"
else
  fail "changed: $(xargs <<<"$changed"); expected: $(xargs <<<"$expected")"
fi

step "the contract and the command-text table"
(cd build && ctest -R library_contract --output-on-failure >"$work/contract.log" 2>&1) && pass "library_contract" ||
  { cat "$work/contract.log"; fail "library_contract"; }
build/tests/commands/commands_tests --gtest_filter="*CommandText*" >"$work/text.log" 2>&1 &&
  pass "the command-text table, $name's row included" || { tail -30 "$work/text.log"; fail "the command-text table"; }

step "veksim"
build/sim/veksim --port 0 >"$work/veksim.out" 2>&1 &
sim_pid=$!
port=""
for _ in $(seq 100); do
  port="$(sed -n 's/.*listening on 127\.0\.0\.1:\([0-9]*\).*/\1/p' "$work/veksim.out" | head -1)"
  [[ -n "$port" ]] && break
  sleep 0.1
done
[[ -n "$port" ]] || { cat "$work/veksim.out"; fail "veksim did not start"; exit 1; }
export LD_LIBRARY_PATH="$src/build:$src/build/motion${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"

step "C++"
cat >"$work/recipe.cpp" <<EOF
#include <cstdio>
#include <cstdlib>
#include "vekkestra.hpp"
int main(int, char** argv) {
  auto ctl = vek::Controller::tcp("127.0.0.1", std::atoi(argv[1]));
  ctl.set_axis_hold_gain(vek::Axis::R, 25);
  const int32_t value = ctl.$snake(vek::Axis::R);
  std::printf("%d\n", static_cast<int>(value));
  return value == 25 ? 0 : 1;
}
EOF
if c++ -std=c++17 -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Werror -Iinclude "$work/recipe.cpp" \
     -Lbuild -Lbuild/motion -lvekkestra-motion -lvekkestra -o "$work/recipe" && "$work/recipe" "$port"; then
  pass "C++: ctl.$snake(vek::Axis::R) gives 25"
else
  fail "C++: ctl.$snake"
fi

step "Python"
if (cd bindings/python && VEKKESTRA_LIBRARY="$src/build/libvekkestra.so.1" \
    VEKKESTRA_MOTION_LIBRARY="$src/build/motion/libvekkestra-motion.so.1" VEKSIM="$src/build/sim/veksim" \
    VEKKESTRA_HEADER="$src/include/vekkestra.h" PYTHONDONTWRITEBYTECODE=1 "$python" - "$port" "$snake" <<'EOF'
import sys, unittest
import vekkestra
from tests import test_simulator
with vekkestra.Controller.tcp("127.0.0.1", int(sys.argv[1])) as ctl:
    ctl.set_axis_hold_gain("R", 25)
    value = getattr(ctl, sys.argv[2])("R")
    print(value)
    assert value == 25 and type(value) is int, value
result = unittest.TextTestRunner(verbosity=1).run(
    unittest.defaultTestLoader.loadTestsFromTestCase(test_simulator.OperationsTest))
sys.exit(0 if result.wasSuccessful() and result.testsRun else 1)
EOF
); then
  pass "Python: ctl.$snake(\"R\") gives 25; every operation of the header is a typed method with its brief"
else
  fail "Python"
fi

step "C#"
if [[ -z "$(command -v mcs)" || -z "$(command -v mono)" ]]; then
  fail "C#: mcs and mono are needed (Debian: mono-mcs mono-runtime)"
else
  cat >"$work/Recipe.cs" <<EOF
using System;
using VekKestra;
static class Recipe
{
    static int Main(string[] args)
    {
        using (Controller ctl = Controller.Tcp("127.0.0.1", int.Parse(args[0])))
        {
            ctl.SetAxisHoldGain(Axis.R, 25);
            int value = ctl.$name(Axis.R);
            Console.WriteLine(value);
            return value == 25 ? 0 : 1;
        }
    }
}
EOF
  if mcs -nologo -warnaserror -out:"$work/Recipe.exe" -r:build/bindings/dotnet/VekKestra.Net.dll "$work/Recipe.cs" &&
     MONO_PATH=build/bindings/dotnet mono "$work/Recipe.exe" "$port"; then
    pass "C#: ctl.$name(Axis.R) gives 25"
  else
    fail "C#: ctl.$name"
  fi
fi

step "vekctl call"
if build/tools/vekctl --tcp "127.0.0.1:$port" call SetAxisHoldGain R 31 &&
   out="$(build/tools/vekctl --tcp "127.0.0.1:$port" call "$name" R)" && echo "$out" && [[ "$out" == *=31 ]] &&
   build/tools/vekctl call --list | grep -q "^$name "; then
  pass "vekctl call $name R gives ${out}, and call --list names it"
else
  fail "vekctl call $name"
fi

echo "recipe: $passes passed, $failures failed"
[[ "$failures" -eq 0 ]]
