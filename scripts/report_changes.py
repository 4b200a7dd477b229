"""What changed on the sample system between two snapshots of the rig's
(files on drive C: with their checksums, and registry keys)."""


def section(title, items):
    print(f"{title}: {len(items)}")
    for item in sorted(items, key=str.lower):
        print(f"  {item}")


def report(before, after):
    (files0, keys0), (files1, keys1) = before, after
    name = lambda path: "C:\\" + path.replace("/", "\\")
    section("Files removed", {name(f) for f in files0.keys() - files1.keys()})
    section("Files changed", {name(f) for f in files0.keys() & files1.keys() if files0[f] != files1[f]})
    section("Files created", {name(f) for f in files1.keys() - files0.keys()})
    section("Registry keys removed", set(keys0) - set(keys1))
    section("Registry keys created", set(keys1) - set(keys0))
