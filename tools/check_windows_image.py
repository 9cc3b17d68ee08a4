#!/usr/bin/env python3
"""Checks a built vintoq32.exe against the Windows versions it is built for.

    tools/check_windows_image.py IMAGE OBJDUMP

i386 images (Windows NT 4.0, Windows 95/98 and Win32s on any 386 with a 387):
GUI subsystem and OS version 4.0, base relocations kept (Win32s loads nothing
without them), no TLS directory, only the four system DLLs imported, every
import listed in tools/windows_imports.tsv as present in Windows NT 4.0,
Windows 95 and Win32s, every function the program looks up at run time named
in the image and listed, no instruction outside the 386 and 387 sets, and no x87 instruction but the
entry's fldcw.
x86-64 images (Windows XP x64 and later): subsystem and OS version 5.2, the
same import rules, and no instruction beyond the x86-64 baseline (the 386
set grown to 64 bits with the 486's, the Pentium's and the Pentium Pro's
additions, x87, MMX, SSE and SSE2).
Every section marked as code or executable is disassembled, whatever its name.
"""
import os
import re
import struct
import subprocess
import sys

TABLE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "windows_imports.tsv")
SYSTEM_DLLS = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL"}
MACHINE_I386 = 0x14C
MACHINE_AMD64 = 0x8664
SUBSYSTEM_WINDOWS_GUI = 2
RELOCS_STRIPPED = 0x0001
DIRECTORY_IMPORT = 1
DIRECTORY_BASERELOC = 5
DIRECTORY_TLS = 9
SECTION_CODE = 0x00000020
SECTION_EXECUTE = 0x20000000
# The Windows versions a function may need: NT as major.minor, 95/98 by name.
NT_LIMIT = (4, 0)
WIN9X_ALLOWED = {"95"}

# Every instruction of the 386 and the 387 as objdump spells it in Intel
# syntax. Anything else (the 486's bswap, cmpxchg and xadd, the Pentium's
# cpuid, rdtsc and cmpxchg8b, the Pentium Pro's cmov, fcmov, fcomi and long
# nops, MMX, SSE) is refused.
I386_CONDITIONS = "o no b c nae ae nb nc e z ne nz be na a nbe s ns p pe np po l nge ge nl le ng g nle"
I386 = set(
    """
    mov movsx movzx xchg push pusha pushad popa popad pushf pushfd popf popfd pop lea lds les
    lfs lgs lss cbw cwde cwd cdq lahf sahf xlat xlatb in out ins insb insw insd outs outsb outsw
    outsd add adc sub sbb imul mul idiv div inc dec neg cmp daa das aaa aas aam aad and or xor
    not test shl shr sal sar rol ror rcl rcr shld shrd bt bts btr btc bsf bsr jmp call ret retf
    iret iretd int int3 into loop loope loopne loopz loopnz jcxz jecxz enter leave bound hlt nop
    wait fwait clc stc cmc cld std cli sti movs movsb movsw cmps cmpsb cmpsw cmpsd scas scasb
    scasw scasd lods lodsb lodsw lodsd stos stosb stosw stosd arpl clts lar lgdt lidt lldt lmsw
    lsl ltr sgdt sidt sldt smsw str verr verw
    f2xm1 fabs fadd faddp fbld fbstp fchs fclex fnclex fcom fcomp fcompp fcos fdecstp fdiv fdivp
    fdivr fdivrp ffree fiadd ficom ficomp fidiv fidivr fild fimul fincstp finit fninit fist fistp
    fisub fisubr fld fld1 fldcw fldenv fldl2e fldl2t fldlg2 fldln2 fldpi fldz fmul fmulp fnop
    fpatan fprem fprem1 fptan frndint frstor fsave fnsave fscale fsin fsincos fsqrt fst fstcw
    fnstcw fstenv fnstenv fstp fstsw fnstsw fsub fsubp fsubr fsubrp ftst fucom fucomp fucompp
    fxam fxch fxtract fyl2x fyl2xp1
    """.split()
    + ["j" + c for c in I386_CONDITIONS.split()]
    + ["set" + c for c in I386_CONDITIONS.split()]
)
# The one x87 instruction of the i386 image: the entry sets the control word.
# The calibration's double results are worked out in integers; floating-point
# arithmetic in the image would again round as the x87 precision control says.
X87_SET_UP = {"fldcw"}
# The x86-64 baseline, which every 64-bit x86 processor runs: the 386's
# general-purpose set in 64 bits (the 16/32-bit-only ones cannot be decoded
# in 64-bit mode anyway) less LAHF and SAHF, which the first 64-bit
# processors lacked in 64-bit mode; the 486's, the Pentium's and the Pentium
# Pro's additions; x87 with FCOMI and FCMOV; MMX, SSE and SSE2. Anything else
# (SSE3 and later, AVX, AES-NI, PCLMULQDQ, RDRAND, RDSEED, ADX, SHA, RDTSCP,
# XSAVE, CMPXCHG16B, the bit-manipulation sets, CET's endbr64) is refused.
X86_64_CONDITIONS = I386_CONDITIONS
X86_64 = (
    (I386 - {"lahf", "sahf"})
    | set(
        """
        movsxd movabs cdqe cqo movsq cmpsq scasq lodsq stosq pushfq popfq iretq jrcxz
        bswap cmpxchg xadd invd wbinvd invlpg cpuid rdtsc rdmsr wrmsr rdpmc cmpxchg8b rsm
        ud2 ud1 ud0 sysenter sysexit syscall sysret swapgs prefetch prefetchnta prefetcht0
        prefetcht1 prefetcht2 sfence lfence mfence clflush pause
        fcomi fcomip fucomi fucomip fxsave fxrstor fxsave64 fxrstor64 ffreep
        emms movd movq packsswb packssdw packuswb paddb paddw paddd paddq paddsb paddsw paddusb
        paddusw pand pandn pcmpeqb pcmpeqw pcmpeqd pcmpgtb pcmpgtw pcmpgtd pmaddwd pmulhw pmullw
        por psllw pslld psllq psraw psrad psrlw psrld psrlq psubb psubw psubd psubq psubsb
        psubsw psubusb psubusw punpckhbw punpckhwd punpckhdq punpcklbw punpcklwd punpckldq pxor
        addps addss andnps andps cmpps cmpss comiss cvtpi2ps cvtps2pi cvtsi2ss cvttps2pi
        cvtss2si cvttss2si divps divss ldmxcsr maxps maxss minps minss movaps movhlps movhps
        movlhps movlps movmskps movss movups mulps mulss orps rcpps rcpss rsqrtps rsqrtss
        shufps sqrtps sqrtss stmxcsr subps subss ucomiss unpckhps unpcklps xorps pavgb pavgw
        pextrw pinsrw pmaxsw pmaxub pminsw pminub pmovmskb pmulhuw psadbw pshufw maskmovq
        movntq movntps
        addpd addsd andnpd andpd cmppd cmpsd comisd cvtdq2pd cvtdq2ps cvtpd2dq cvtpd2pi
        cvtpd2ps cvtpi2pd cvtps2dq cvtps2pd cvtsd2si cvtsd2ss cvtsi2sd cvtss2sd cvttpd2dq
        cvttpd2pi cvttps2dq cvttsd2si divpd divsd maskmovdqu maxpd maxsd minpd minsd movapd
        movdq2q movdqa movdqu movhpd movlpd movmskpd movntdq movnti movntpd movq2dq movsd
        movupd mulpd mulsd orpd pmuludq pshufd pshufhw pshuflw pslldq psrldq punpckhqdq
        punpcklqdq shufpd sqrtpd sqrtsd subpd subsd ucomisd unpckhpd unpcklpd xorpd
        """.split()
    )
    | {"cmov" + c for c in X86_64_CONDITIONS.split()}
    | {"fcmov" + c for c in "b e be u nb ne nbe nu".split()}
    # objdump spells the compare predicates into SSE's cmpps/cmpss/cmppd/cmpsd.
    | {f"cmp{p}{t}" for p in "eq lt le unord neq nlt nle ord".split()
       for t in ("ps", "ss", "pd", "sd")}
    # With a 64-bit operand objdump adds the size to a conversion's name.
    | {"cvtsi2ssq", "cvtsi2sdq", "cvtsi2ssl", "cvtsi2sdl"}
)
PREFIXES = {"rep", "repz", "repnz", "repe", "repne", "lock", "data16", "addr16", "addr32",
            "cs", "ds", "es", "ss", "fs", "gs", "bnd", "notrack", "rex", "rex.w"}


class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise SystemExit(f"{path}: not a PE image")
        (self.machine, sections, _, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", self.data, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", self.data, opt)[0]
        self.wide = magic == 0x20B
        (self.os_version, self.image_version,
         self.subsystem_version) = [struct.unpack_from("<HH", self.data, opt + 40 + 4 * i)
                                    for i in range(3)]
        self.subsystem = struct.unpack_from("<H", self.data, opt + 68)[0]
        directories = opt + (112 if self.wide else 96)
        count = struct.unpack_from("<I", self.data, directories - 4)[0]
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i)
                            for i in range(count)]
        self.sections = []
        self.flags = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, vaddr, rsize, raw = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            flags = struct.unpack_from("<I", self.data, table + 40 * i + 36)[0]
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), vaddr, vsize, raw, rsize))
            self.flags.append(flags)
        self.image_base = struct.unpack_from("<Q" if self.wide else "<I", self.data,
                                             opt + (24 if self.wide else 28))[0]

    def code_sections(self):
        """Every section the loader maps executable or the linker marked as
        code: the processor runs whatever lies there, whatever its name."""
        return [s for s, flags in zip(self.sections, self.flags)
                if flags & (SECTION_CODE | SECTION_EXECUTE)]

    def offset(self, rva):
        for _, vaddr, vsize, raw, rsize in self.sections:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raw + rva - vaddr
        raise ValueError(f"RVA {rva:#x} outside every section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    def imports(self):
        """{DLL name in upper case: [function names]}"""
        rva, size = self.directories[DIRECTORY_IMPORT]
        result = {}
        at = self.offset(rva)
        thunk_size, ordinal_bit = (8, 1 << 63) if self.wide else (4, 1 << 31)
        while True:
            lookup, _, _, name, address = struct.unpack_from("<IIIII", self.data, at)
            if name == 0:
                return result
            functions = result.setdefault(self.string(name).upper(), [])
            thunks = self.offset(lookup or address)
            while True:
                value = struct.unpack_from("<Q" if self.wide else "<I", self.data, thunks)[0]
                if value == 0:
                    break
                functions.append(f"#{value & 0xFFFF}" if value & ordinal_bit
                                 else self.string((value & 0x7FFFFFFF) + 2))
                thunks += thunk_size
            at += 20


def read_table():
    rows = {}
    with open(TABLE, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if not line.strip() or line.startswith("#"):
                continue
            fields = line.rstrip("\n").split("\t")
            if len(fields) != 7:
                raise SystemExit(f"{TABLE}:{number}: expected 7 tab-separated fields")
            dll, function, nt, win9x, win32s, use, source = fields
            if use not in ("import", "lookup") or win32s not in ("yes", "no"):
                raise SystemExit(f"{TABLE}:{number}: bad use or Win32s column")
            rows[function] = dict(dll=dll.upper() + ".DLL", nt=nt, win9x=win9x,
                                  win32s=win32s == "yes", use=use, source=source, line=number)
    return rows


def check_header(image, problems):
    expected = (4, 0) if image.machine == MACHINE_I386 else (5, 2)
    if image.subsystem != SUBSYSTEM_WINDOWS_GUI:
        problems.append(f"subsystem {image.subsystem}, not the Windows GUI")
    for label, version in (("subsystem", image.subsystem_version), ("OS", image.os_version)):
        if version != expected:
            problems.append(f"{label} version {version[0]}.{version[1]}, "
                            f"not {expected[0]}.{expected[1]}")
    reloc_rva, reloc_size = image.directories[DIRECTORY_BASERELOC]
    if image.machine == MACHINE_I386 and (reloc_size == 0 or
                                          image.characteristics & RELOCS_STRIPPED):
        problems.append("no base relocations: Win32s cannot load the image")
    if image.directories[DIRECTORY_TLS][1] != 0:
        problems.append("a TLS directory, which nothing in the program needs")


def nt_version(text):
    major, minor = text.split(".")
    return int(major), int(minor)


def check_imports(image, table, problems):
    imported = image.imports()
    for dll, functions in imported.items():
        if dll not in SYSTEM_DLLS:
            problems.append(f"imports {dll}, which not every Windows has")
        for function in functions:
            row = table.get(function)
            if row is None:
                problems.append(f"{dll} {function} is not in {os.path.basename(TABLE)}")
                continue
            if row["dll"] != dll:
                problems.append(f"{function} comes from {dll}, the table says {row['dll']}")
            if row["use"] != "import":
                problems.append(f"{function} is imported; the table says it is looked up")
            if image.machine == MACHINE_I386 and not row["win32s"]:
                problems.append(f"{function} is imported but Win32s lacks it: look it up")
    names = {f for functions in imported.values() for f in functions}
    for function, row in table.items():
        if nt_version(row["nt"]) > NT_LIMIT or row["win9x"] not in WIN9X_ALLOWED:
            problems.append(f"{function} needs Windows NT {row['nt']} / Windows {row['win9x']}")
        if row["use"] == "import" and function not in names:
            problems.append(f"{function} is in the table but not imported (line {row['line']})")
        if row["use"] == "lookup" and (function.encode() + b"\0") not in image.data:
            problems.append(f"{function} is looked up by name but its name is not in the image")


def code_end(image, text):
    """Where the code of .text ends: the linker puts the -1 ... 0 lists of static
    constructors and destructors after it, which are data."""
    _, vaddr, vsize, raw, _ = text
    width = 8 if image.wide else 4
    ones = (1 << (8 * width)) - 1
    words = [int.from_bytes(image.data[raw + i:raw + i + width], "little")
             for i in range(0, vsize - vsize % width, width)]
    end = len(words)
    for _ in range(2):  # destructors, then constructors
        if end == 0 or words[end - 1] != 0:
            raise SystemExit("no constructor and destructor lists at the end of .text")
        start = end - 1
        while start > 0 and words[start] != ones:
            start -= 1
        if words[start] != ones:
            raise SystemExit("constructor list without its -1")
        for pointer in words[start + 1:end - 1]:
            if not vaddr <= pointer - image.image_base < vaddr + vsize:
                raise SystemExit(f"constructor list entry {pointer:#x} outside .text")
        end = start
    return image.image_base + vaddr + end * width


def disassemble(image, path, objdump, start, stop):
    """objdump's lines for [start, stop): -D, so that a section marked
    executable but not as code is disassembled too."""
    return subprocess.run(
        [objdump, "-D", "-z", "-M", "intel", "--no-show-raw-insn",
         f"--start-address={start:#x}", f"--stop-address={stop:#x}", path],
        check=True, capture_output=True, text=True).stdout.splitlines()


def code_ranges(image):
    """(name, start, stop) of the code in every code section. Only the
    linker's .text, the first, ends in the constructor lists."""
    ranges = []
    first_text = True
    for section in image.code_sections():
        name, vaddr, vsize, _, rsize = section
        start = image.image_base + vaddr
        if name == ".text" and first_text:
            stop = code_end(image, section)
            first_text = False
        else:
            stop = start + min(vsize, rsize) if rsize else start + vsize
        ranges.append((name, start, stop))
    return ranges


def refusal(image, mnemonic, operands):
    """Why an instruction has no place in the image, or None."""
    if image.machine == MACHINE_I386:
        # A nop with an operand is the Pentium Pro's long nop (0F 1F).
        if (mnemonic not in I386 or re.search(r"\b[xyz]?mm\d", operands) or
                (mnemonic == "nop" and operands)):
            return "not a 386/387 instruction"
        if mnemonic.startswith("f") and mnemonic not in X87_SET_UP:
            return ("floating-point arithmetic, whose rounding would follow the x87 "
                    "precision control")
        return None
    if mnemonic not in X86_64 or re.search(r"\b[yz]mm\d|\bk[0-7]\b", operands):
        return "beyond the x86-64 baseline"
    return None


def check_instructions(image, path, objdump, problems):
    ranges = code_ranges(image)
    if not ranges:
        problems.append("no code section")
    count = 0
    for name, start, stop in ranges:
        for line in disassemble(image, path, objdump, start, stop):
            parts = line.split("\t")
            if len(parts) < 2 or not re.match(r"^\s*[0-9a-f]+:$", parts[0]):
                continue
            tokens = parts[1].split()
            while tokens and tokens[0] in PREFIXES:
                tokens = tokens[1:]
            if not tokens:
                continue
            count += 1
            mnemonic, operands = tokens[0], " ".join(tokens[1:])
            where = f"{name} {parts[0].strip()}"
            reason = ("bytes that are no instruction" if mnemonic == "(bad)"
                      else refusal(image, mnemonic, operands))
            if reason:
                problems.append(f"{where} {parts[1].strip()}: {reason}")
    if count == 0:
        problems.append("no instructions found in the code sections")
    return count


def main():
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    path, objdump = sys.argv[1], sys.argv[2]
    image = Image(path)
    if image.machine not in (MACHINE_I386, MACHINE_AMD64):
        raise SystemExit(f"{path}: machine {image.machine:#x} is neither i386 nor x86-64")
    problems = []
    check_header(image, problems)
    check_imports(image, read_table(), problems)
    count = check_instructions(image, path, objdump, problems)
    for problem in problems:
        print(f"{path}: {problem}", file=sys.stderr)
    if problems:
        return 1
    arch = "i386" if image.machine == MACHINE_I386 else "x86-64"
    functions = sum(len(f) for f in image.imports().values())
    print(f"{path}: {arch}, subsystem and OS {image.subsystem_version[0]}."
          f"{image.subsystem_version[1]}, {functions} imports as tabled, {count} instructions "
          f"within the {'386/387' if arch == 'i386' else 'x86-64 baseline'} set")
    print(f"{path}: {len(image.data)} bytes: headers {image.sections[0][3]}, " +
          ", ".join(f"{name} {vsize} ({rsize} in the file)"
                    for name, _, vsize, _, rsize in image.sections))
    return 0


if __name__ == "__main__":
    sys.exit(main())
