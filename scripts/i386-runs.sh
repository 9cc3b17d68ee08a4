#!/usr/bin/env bash
# Prints "yes" when this kernel runs a 32-bit x86 program, otherwise "no: "
# and the reason. The question is asked of the kernel, not guessed from the
# name of the machine's architecture: a static i386 ELF of 96 bytes (ELF
# header, one program header, then mov eax,1; mov ebx,42; int 0x80) must
# exit with 42. Written with printf, so that nothing needs to be installed.
set -uo pipefail
elf=$(mktemp)
trap 'rm -f "$elf"' EXIT
# ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054.
printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' > "$elf"
printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00' >> "$elf"
printf '\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00' >> "$elf"
printf '\x00\x00\x00\x00' >> "$elf"
# Program header: the whole file loaded read and execute at 0x08048000.
printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >> "$elf"
printf '\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >> "$elf"
# The code: exit(42) through the i386 system call gate.
printf '\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >> "$elf"
chmod +x "$elf"
output=$("$elf" 2>&1)
code=$?
if [ $code -eq 42 ]; then
    echo yes
else
    echo "no: this kernel does not run 32-bit x86 programs (a static i386 ELF gave exit code $code${output:+: $output})"
fi
