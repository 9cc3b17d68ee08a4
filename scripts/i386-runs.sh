#!/usr/bin/env bash
# Prints "yes" when this kernel runs a 32-bit x86 program, otherwise "no: "
# and the reason. The program is a static i386 ELF of twelve bytes of code
# (exit(42) through int 0x80), written here so that nothing needs to be
# installed to ask.
set -uo pipefail
elf=$(mktemp)
trap 'rm -f "$elf"' EXIT
python3 - "$elf" << 'PY' || { echo "no: python3 is missing"; exit 0; }
import struct, sys
code = bytes([0xB8, 1, 0, 0, 0, 0xBB, 42, 0, 0, 0, 0xCD, 0x80])  # mov eax,1; mov ebx,42; int 0x80
base, ehdr, phdr = 0x08048000, 52, 32
header = b"\x7fELF" + bytes([1, 1, 1, 0]) + bytes(8) + struct.pack(
    "<HHIIIIIHHHHHH", 2, 3, 1, base + ehdr + phdr, ehdr, 0, 0, ehdr, phdr, 1, 0, 0, 0)
size = ehdr + phdr + len(code)
program = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
with open(sys.argv[1], "wb") as out:
    out.write(header + program + code)
PY
chmod +x "$elf"
output=$("$elf" 2>&1)
code=$?
if [ $code -eq 42 ]; then
    echo yes
else
    echo "no: this kernel does not run 32-bit x86 programs (a static i386 ELF gave exit code $code${output:+: $output})"
fi
