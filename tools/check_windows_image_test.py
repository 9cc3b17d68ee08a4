#!/usr/bin/env python3
"""Tests of check_windows_image.py on small images that try to fool it: code
outside .text, in a section marked only executable, and x86-64 code beyond
the baseline, beside clean images that must pass. Each image is built here
with MinGW-w64, without a C runtime.

    tools/check_windows_image_test.py
"""
import os
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_windows_image as check  # noqa: E402

# Code the 386 does not have, in a section of its own, called from .text.
HIDDEN_386 = r"""
__attribute__((section(SECTION), noinline)) int Hidden(int a, int b) {
    int r;
    __asm__ volatile("cpuid" : "=a"(r) : "a"(0) : "ebx", "ecx", "edx");
    __asm__ volatile("test %1,%1\n\tcmovne %1,%0" : "+r"(a) : "r"(b));
    return a + r;
}
int Entry(void) { return Hidden(1, 2); }
"""

CLEAN_386 = r"""
__attribute__((noinline)) int Sum(const int* a, int n) {
    int s = 0;
    for (int i = 0; i < n; ++i) s += a[i] * 3 / (i + 1);
    return s;
}
int Entry(void) { static const int a[] = {1, 2, 3}; return Sum(a, 3); }
"""

# One instruction of each extension the baseline lacks.
BEYOND_BASELINE = {
    "aesenc": "aesenc %xmm1, %xmm0",
    # objdump names it by its immediate: pclmullqlqdq.
    "pclmul": "pclmulqdq $0, %xmm1, %xmm0",
    "rdrand": "rdrand %eax",
    "rdseed": "rdseed %eax",
    "adcx": "adcx %ebx, %eax",
    "adox": "adox %ebx, %eax",
    "sha1rnds4": "sha1rnds4 $0, %xmm1, %xmm0",
    "rdtscp": "rdtscp",
    "xsave": "xsave (%rsp)",
    "lahf": "lahf",
    "cmpxchg16b": "cmpxchg16b (%rsp)",
    "popcnt": "popcnt %eax, %eax",
    "haddpd": "haddpd %xmm1, %xmm0",
    "vaddps": "vaddps %ymm1, %ymm0, %ymm0",
}
# Basic asm: never run, so nothing needs to know what it clobbers.
ABOVE_X86_64 = "void Entry(void) {\n" + "".join(
    f'    __asm__ volatile("{text}");\n'
    for text in BEYOND_BASELINE.values()) + "}\n"

# What the baseline has: cmov, cpuid, rdtsc, SSE2 doubles, long nops.
CLEAN_X86_64 = r"""
__attribute__((noinline)) double Scale(double a, long b) { return a / (double)b; }
int Entry(void) {
    unsigned lo, hi, a = 0;
    __asm__ volatile("cpuid" : "+a"(a) :: "ebx", "ecx", "edx");
    __asm__ volatile("rdtsc" : "=a"(lo), "=d"(hi));
    __asm__ volatile("cmovne %1, %0\n\tnopw 0(%%rax,%%rax,1)\n\tpause" : "+r"(lo) : "r"(hi));
    return (int)Scale(lo, 7) + (int)hi;
}
"""


class CheckWindowsImage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def build(self, arch, source, *flags):
        name = f"image{len(os.listdir(self.work.name))}"
        c = os.path.join(self.work.name, name + ".c")
        exe = os.path.join(self.work.name, name + ".exe")
        with open(c, "w") as f:
            f.write(source)
        entry = "_Entry" if arch == "i686" else "Entry"
        march = ["-march=i386"] if arch == "i686" else []
        subprocess.run([f"{arch}-w64-mingw32-gcc", "-O1", *march, *flags, "-nostdlib",
                        f"-Wl,-e,{entry}", "-o", exe, c], check=True)
        return exe

    def problems(self, arch, exe):
        problems = []
        count = check.check_instructions(check.Image(exe), exe,
                                         f"{arch}-w64-mingw32-objdump", problems)
        self.assertGreater(count, 0)
        return problems

    def test_code_in_a_second_section_is_checked(self):
        exe = self.build("i686", HIDDEN_386, '-DSECTION=".text2"')
        problems = "\n".join(self.problems("i686", exe))
        self.assertIn(".text2", problems)
        self.assertIn("cpuid", problems)
        self.assertIn("cmovne", problems)

    def test_a_section_marked_only_executable_is_checked(self):
        exe = self.build("i686", HIDDEN_386, '-DSECTION=".rdata2"')
        image = check.Image(exe)
        index = [s[0] for s in image.sections].index(".rdata2")
        with open(exe, "r+b") as f:
            pe = struct.unpack_from("<I", image.data, 0x3C)[0]
            optional_size = struct.unpack_from("<H", image.data, pe + 20)[0]
            at = pe + 24 + optional_size + 40 * index + 36
            f.seek(at)
            f.write(struct.pack("<I", (image.flags[index] & ~check.SECTION_CODE) |
                                check.SECTION_EXECUTE))
        self.assertEqual(check.Image(exe).flags[index] & check.SECTION_CODE, 0)
        problems = "\n".join(self.problems("i686", exe))
        self.assertIn(".rdata2", problems)
        self.assertIn("cpuid", problems)

    def test_386_code_passes(self):
        self.assertEqual(self.problems("i686", self.build("i686", CLEAN_386)), [])

    def test_every_extension_beyond_the_x86_64_baseline_is_refused(self):
        problems = self.problems("x86_64", self.build("x86_64", ABOVE_X86_64))
        for mnemonic in BEYOND_BASELINE:
            with self.subTest(mnemonic):
                self.assertTrue(any(f" {mnemonic}" in p for p in problems),
                                f"{mnemonic} not refused: {problems}")

    def test_x86_64_baseline_code_passes(self):
        self.assertEqual(self.problems("x86_64", self.build("x86_64", CLEAN_X86_64)), [])


if __name__ == "__main__":
    unittest.main()
