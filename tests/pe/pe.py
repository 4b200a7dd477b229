"""Reads what the tests need from a 32-bit PE file: header fields, imports, resources."""
import struct


class PeFile:
    def __init__(self, path):
        self.data = open(path, "rb").read()
        d = self.data
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: not a PE file")
        self.machine, nsections, _, _, _, optsize, self.characteristics = struct.unpack_from(
            "<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        (self.major_os, self.minor_os, _, _, self.major_subsystem,
         self.minor_subsystem) = struct.unpack_from("<HHHHHH", d, opt + 40)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", d, opt + 68)
        ndirs = struct.unpack_from("<I", d, opt + 92)[0]
        self.dirs = [struct.unpack_from("<II", d, opt + 96 + 8 * i) for i in range(ndirs)]
        self.sections = []
        sec = opt + optsize
        for i in range(nsections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", d, sec + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for _, va, size, rawptr in self.sections:
            if va <= rva < va + size:
                return rawptr + rva - va
        raise ValueError(f"RVA {rva:#x} outside every section")

    def cstring(self, rva):
        o = self.offset(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("latin-1")

    def imports(self):
        """{dll name in lower case: [function names]}"""
        result = {}
        rva, size = self.dirs[1]
        if size == 0:
            return result
        o = self.offset(rva)
        while True:
            lookup, _, _, name, thunks = struct.unpack_from("<IIIII", self.data, o)
            if name == 0:
                return result
            names = []
            t = self.offset(lookup or thunks)
            while True:
                entry = struct.unpack_from("<I", self.data, t)[0]
                if entry == 0:
                    break
                names.append(f"#{entry & 0xFFFF}" if entry & 0x80000000 else self.cstring(entry + 2))
                t += 4
            result[self.cstring(name).lower()] = names
            o += 20

    def resources(self):
        """{(type, name, language): bytes}; ids as ints, names as strings."""
        rva, size = self.dirs[2]
        if size == 0:
            return {}
        base = self.offset(rva)
        found = {}

        def label(entry_name):
            if entry_name & 0x80000000:
                o = base + (entry_name & 0x7FFFFFFF)
                n = struct.unpack_from("<H", self.data, o)[0]
                return self.data[o + 2:o + 2 + 2 * n].decode("utf-16-le")
            return entry_name

        def walk(o, path):
            named, ids = struct.unpack_from("<HH", self.data, o + 12)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, o + 16 + 8 * i)
                if target & 0x80000000:
                    walk(base + (target & 0x7FFFFFFF), path + [label(name)])
                else:
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + target)
                    at = self.offset(data_rva)
                    found[tuple(path + [label(name)])] = self.data[at:at + data_size]

        walk(base, [])
        return found
