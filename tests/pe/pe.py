"""What the checks need from a built program, read with pefile: header
fields, imports, resources and the version block. Only the resource formats
pefile leaves as raw bytes (dialog and menu templates, icon groups, bitmaps)
are parsed by the checks themselves."""
import pefile

DIRECTORY_BASERELOC, DIRECTORY_TLS = 5, 9


class PeFile:
    def __init__(self, path):
        self.pe = pefile.PE(path)
        header, optional = self.pe.FILE_HEADER, self.pe.OPTIONAL_HEADER
        self.machine, self.magic = header.Machine, optional.Magic
        self.subsystem, self.dll_characteristics = optional.Subsystem, optional.DllCharacteristics
        self.major_subsystem = optional.MajorSubsystemVersion
        self.minor_subsystem = optional.MinorSubsystemVersion
        self.section_names = [s.Name.rstrip(b"\0").decode("latin-1") for s in self.pe.sections]

    def directory_size(self, index):
        return self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[index].Size

    def imports(self):
        """{dll name in lower case: [function names, or #ordinal]}"""
        return {entry.dll.decode("latin-1").lower():
                [imp.name.decode("latin-1") if imp.name else f"#{imp.ordinal}" for imp in entry.imports]
                for entry in getattr(self.pe, "DIRECTORY_ENTRY_IMPORT", [])}

    def resources(self):
        """{(type, name, language): bytes}; ids as ints, names as strings."""
        found = {}

        def label(entry):
            return str(entry.name) if entry.name is not None else entry.id

        def walk(directory, path):
            for entry in directory.entries:
                if hasattr(entry, "directory"):
                    walk(entry.directory, path + [label(entry)])
                else:
                    data = entry.data.struct
                    found[tuple(path + [label(entry)])] = self.pe.get_data(data.OffsetToData, data.Size)

        if hasattr(self.pe, "DIRECTORY_ENTRY_RESOURCE"):
            walk(self.pe.DIRECTORY_ENTRY_RESOURCE, [])
        return found

    def version(self):
        """(VS_FIXEDFILEINFO as a pefile structure, {string name: value}), or None."""
        if not getattr(self.pe, "VS_FIXEDFILEINFO", None):
            return None
        strings = {}
        for info in self.pe.FileInfo[0] if self.pe.FileInfo else []:
            for table in getattr(info, "StringTable", []):
                strings.update({k.decode("latin-1"): v.decode("latin-1") for k, v in table.entries.items()})
        return self.pe.VS_FIXEDFILEINFO[0], strings
