"""Rewrites a generated block of README.md: the lines between
<!-- NAME:begin --> and <!-- NAME:end -->."""
import re
import sys


def replace_block(readme_path, name, lines):
    readme = open(readme_path).read()
    block = f"<!-- {name}:begin -->\n" + "\n".join(lines) + f"\n<!-- {name}:end -->"
    readme, count = re.subn(f"<!-- {name}:begin -->.*?<!-- {name}:end -->", lambda _: block, readme,
                            flags=re.S)
    if count != 1:
        sys.exit(f"{readme_path} has no {name} markers")
    open(readme_path, "w").write(readme)
