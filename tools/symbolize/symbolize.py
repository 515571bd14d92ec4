#!/usr/bin/env python3
"""Turns an uploaded crash dump into a readable crash: the exception, the faulting module and
offset, and the crashing thread's stack as function, file and line.

usage: symbolize.py DUMP SYMBOLS_DIR [SYMBOLS_DIR...]
       symbolize.py --rva EXE FUNCTION OUT writes the address of FUNCTION in EXE, relative to its
                                           image base, in hexadecimal to OUT (for tests that aim a
                                           crash at a function)

DUMP is the minidump as the collector saves it (the "upload_file_minidump" part). Each module of
the dump is matched to an unstripped executable in the symbols folders by what the dump records of
it: the PE time stamp and the image size. scripts/release keeps the unstripped installer of every
release under those, as symbols/<name>/<STAMP><SIZE>/<name> (the shipped file's time stamp and
image size; give the symbols folder); otherwise any PE file in the folders whose own time stamp
and image size match is used (a test build's program).
Addresses are turned into names by the mingw-w64 addr2line of the module's machine (function,
file and line where the file has line tables, as the test builds do), else by the nearest code
symbol of its symbol table (function and offset: the release installer is built without line
tables).

The first frame is the exception context's instruction pointer: certain. The frames after it are
found by scanning the crashing thread's stack memory from the stack pointer up for values that
point into a module's code: each is a possible return address, not a proven frame (optimised code
keeps no frame chain), and is marked "(scanned)".
"""
import os
import struct
import subprocess
import sys

THREAD_LIST, MODULE_LIST, MEMORY_LIST, EXCEPTION, SYSTEM_INFO, MEMORY64_LIST = 3, 4, 5, 6, 7, 9
X86, AMD64 = 0, 9
MAX_SCANNED = 24


class Dump:
    def __init__(self, data):
        if data[:4] != b"MDMP":
            raise ValueError("not a minidump (no MDMP signature)")
        self.data = data
        count, directory = struct.unpack_from("<II", data, 8)
        self.streams = {}
        for i in range(count):
            kind, size, rva = struct.unpack_from("<III", data, directory + 12 * i)
            self.streams.setdefault(kind, (rva, size))

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def string(self, rva):
        length = self.u32(rva)
        return self.data[rva + 4:rva + 4 + length].decode("utf-16-le", "replace")

    def arch(self):
        rva, _ = self.streams[SYSTEM_INFO]
        return struct.unpack_from("<H", self.data, rva)[0]

    def modules(self):
        rva, _ = self.streams[MODULE_LIST]
        result = []
        for i in range(self.u32(rva)):
            at = rva + 4 + 108 * i
            base, size, _, stamp, name_rva = struct.unpack_from("<QIIII", self.data, at)
            result.append({"base": base, "size": size, "stamp": stamp, "name": self.string(name_rva)})
        return result

    def exception(self):
        rva, _ = self.streams[EXCEPTION]
        thread_id = self.u32(rva)
        code, _, _, address = struct.unpack_from("<IIQQ", self.data, rva + 8)
        context_size, context_rva = struct.unpack_from("<II", self.data, rva + 8 + 152)
        return thread_id, code, address, self.data[context_rva:context_rva + context_size]

    def memory(self, address, length):
        """Bytes of the dump's memory at address (up to length), or b""."""
        if MEMORY_LIST in self.streams:
            rva, _ = self.streams[MEMORY_LIST]
            for i in range(self.u32(rva)):
                start, size, data_rva = struct.unpack_from("<QII", self.data, rva + 4 + 16 * i)
                if start <= address < start + size:
                    skip = address - start
                    return self.data[data_rva + skip:data_rva + min(size, skip + length)]
        if MEMORY64_LIST in self.streams:
            rva, _ = self.streams[MEMORY64_LIST]
            count, base_rva = struct.unpack_from("<QQ", self.data, rva)
            for i in range(count):
                start, size = struct.unpack_from("<QQ", self.data, rva + 16 + 16 * i)
                if start <= address < start + size:
                    skip = address - start
                    return self.data[base_rva + skip:base_rva + min(size, skip + length)]
                base_rva += size
        return b""


def pe_identity(path):
    """(TimeDateStamp, SizeOfImage, ImageBase, machine) of a PE file, or None."""
    try:
        with open(path, "rb") as f:
            head = f.read(4096)
        pe = struct.unpack_from("<I", head, 60)[0]
        if head[pe:pe + 4] != b"PE\0\0":
            return None
        machine, _, stamp = struct.unpack_from("<HHI", head, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", head, optional)[0]
        image_base = (struct.unpack_from("<Q", head, optional + 24)[0] if magic == 0x20B
                      else struct.unpack_from("<I", head, optional + 28)[0])
        size = struct.unpack_from("<I", head, optional + 56)[0]
        return stamp, size, image_base, machine
    except (OSError, struct.error):
        return None


def find_symbols(folders, module):
    name = os.path.basename(module["name"].replace("\\", "/"))
    for folder in folders:
        # A release's symbols/ folder: <name>/<STAMP><SIZE>/<name>, named by the shipped file.
        stored = os.path.join(folder, name, f"{module['stamp']:08X}{module['size']:x}", name)
        identity = pe_identity(stored) if os.path.isfile(stored) else None
        if identity and identity[0] == module["stamp"]:
            return stored, identity
    for folder in folders:
        for root, _, files in os.walk(folder):
            for name in files:
                if not name.lower().endswith((".exe", ".dll")):
                    continue
                path = os.path.join(root, name)
                identity = pe_identity(path)
                if identity and identity[0] == module["stamp"] and identity[1] == module["size"]:
                    return path, identity
    return None


def tool(machine, name):
    return ("x86_64-w64-mingw32-" if machine == 0x8664 else "i686-w64-mingw32-") + name


_functions = {}


def nearest_function(path, machine, address):
    """The code symbol at or below address from the symbol table (for files without line tables,
    such as the release installer, which is built without debugging information)."""
    if path not in _functions:
        listing = subprocess.run([tool(machine, "nm"), "-C", "--defined-only", path], capture_output=True,
                                 text=True).stdout
        symbols = []
        for line in listing.splitlines():
            parts = line.split(" ", 2)
            if len(parts) == 3 and parts[1] in ("T", "t") and not parts[2].startswith("."):
                symbols.append((int(parts[0], 16), parts[2]))
        _functions[path] = sorted(symbols)
    best = None
    for start, name in _functions[path]:
        if start > address:
            break
        best = (start, name)
    return f"{best[1]}+0x{address - best[0]:x}" if best else "??"


def addr2line(path, machine, address):
    out = subprocess.run([tool(machine, "addr2line"), "-f", "-C", "-i", "-e", path, hex(address)],
                         capture_output=True, text=True)
    lines = out.stdout.splitlines()
    # Pairs of function and file:line, innermost (inlined) first.
    frames = [(lines[i], lines[i + 1] if i + 1 < len(lines) else "??:0") for i in range(0, len(lines), 2)]
    if not frames or frames[0][0] == "??":
        frames = [(nearest_function(path, machine, address), "??:0")]
    return frames


def main(dump_path, folders):
    with open(dump_path, "rb") as f:
        dump = Dump(f.read())
    arch = dump.arch()
    thread_id, code, address, context = dump.exception()
    if arch == X86:
        ip, sp, width = struct.unpack_from("<I", context, 0xB8)[0], struct.unpack_from("<I", context, 0xC4)[0], 4
    elif arch == AMD64:
        ip, sp, width = struct.unpack_from("<Q", context, 0xF8)[0], struct.unpack_from("<Q", context, 0x98)[0], 8
    else:
        sys.exit(f"symbolize: processor architecture {arch} is not x86 or AMD64")
    modules = dump.modules()
    symbols = {}

    def describe(value):
        for module in modules:
            if module["base"] <= value < module["base"] + module["size"]:
                key = module["name"]
                if key not in symbols:
                    symbols[key] = find_symbols(folders, module)
                offset = value - module["base"]
                where = f"{os.path.basename(module['name'].replace(chr(92), '/'))}+0x{offset:x}"
                found = symbols[key]
                if not found:
                    return where, None
                path, (_, _, image_base, machine) = found
                return where, addr2line(path, machine, image_base + offset)
        return None, None

    print(f"exception 0x{code:08X} at 0x{address:x} on thread {thread_id}")
    where, names = describe(ip)
    print(f"faulting module: {where or 'none (the address is in no module)'}")
    print("stack of the crashing thread:")
    frame = 0

    def show(value, where, names, how):
        nonlocal frame
        if names:
            for depth, (function, line) in enumerate(names):
                note = "inlined into the next line" if depth + 1 < len(names) else how
                print(f"  #{frame:<2} {where:<28} {function}  {line}  ({note})")
        else:
            print(f"  #{frame:<2} {where or hex(value):<28} (no symbols)  ({how})")
        frame += 1

    show(ip, where, names, "certain: the exception context")
    stack = dump.memory(sp, 64 * 1024)
    scanned = 0
    for i in range(0, len(stack) - width + 1, width):
        value = int.from_bytes(stack[i:i + width], "little")
        where, names = describe(value)
        if where is None or names is None or names[0][0] == "??":
            continue
        show(value, where, names, "scanned")
        scanned += 1
        if scanned == MAX_SCANNED:
            break
    if not stack:
        print("  (the dump holds no stack memory of the thread)")
    return 0


def function_rva(path, function, out):
    identity = pe_identity(path)
    if not identity:
        sys.exit(f"symbolize: {path} is not a PE file")
    listing = subprocess.run([tool(identity[3], "nm"), "-C", path], capture_output=True, text=True, check=True).stdout
    for line in listing.splitlines():
        address, kind, name = (line.split(" ", 2) + ["", ""])[:3]
        # 32-bit stdcall functions carry their argument bytes: "...ThreadMain(void*)@4".
        if kind in ("T", "t") and (name == function or name.startswith(function + "@")):
            with open(out, "w") as f:
                f.write(f"{int(address, 16) - identity[2]:x}\n")
            return 0
    sys.exit(f"symbolize: {function} is not in {path}")


if __name__ == "__main__":
    if len(sys.argv) == 5 and sys.argv[1] == "--rva":
        sys.exit(function_rva(sys.argv[2], sys.argv[3], sys.argv[4]))
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    sys.exit(main(sys.argv[1], sys.argv[2:]))
