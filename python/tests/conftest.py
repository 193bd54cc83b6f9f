"""What the module's tests share: where the sources, examples and the vantorel binary are,
the binary run as a user runs it, bit-for-bit array comparison, and a small PNG reader so
that images can be checked against the files the binary writes."""
import os
import pathlib
import struct
import subprocess
import sys
import zlib

import numpy as np
import pytest

SOURCE = pathlib.Path(os.environ.get("VANTOREL_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BUILD = SOURCE / "build" / "default"
EXAMPLES = SOURCE / "examples"
SCENES = SOURCE / "tests" / "scenes"
BINARY = pathlib.Path(os.environ.get("VANTOREL_BINARY", BUILD / "bin" / "vantorel"))
EXAMPLE_NAMES = sorted(p.name for p in EXAMPLES.glob("*.xml"))

# Run by hand (python3 -m pytest python/tests), the module is the default build's.
if "PYTHONPATH" not in os.environ:
    sys.path.insert(0, str(BUILD / "python"))
os.environ.setdefault("QT_QPA_PLATFORM", "offscreen")

import vantorel  # noqa: E402


def example(name):
    return str(EXAMPLES / name)


def scene_file(name):
    return str(SCENES / name)


def cli(*args, check=True):
    """The binary's result: (exit status, stdout, stderr)."""
    r = subprocess.run([str(BINARY), *map(str, args)], capture_output=True, text=True, timeout=300)
    if check and r.returncode != 0:
        raise AssertionError(f"vantorel {' '.join(map(str, args))}: {r.returncode}\n{r.stderr}")
    return r.returncode, r.stdout, r.stderr


def cli_npy(scene, folder, *extra):
    out = pathlib.Path(folder) / "out.npy"
    cli("eval", scene, "--format", "npy", "-o", out, *extra)
    return np.load(out)


def same_bits(a, b):
    """Equal dtype, shape and every byte (so -0 differs from 0 and NaN equals itself)."""
    a, b = np.ascontiguousarray(a), np.ascontiguousarray(b)
    return a.dtype == b.dtype and a.shape == b.shape and a.tobytes() == b.tobytes()


def read_png(path):
    """An 8-bit RGB or RGBA PNG as a uint8 array (height, width, 4)."""
    data = pathlib.Path(path).read_bytes()
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour in (2, 6) and interlace == 0, "only 8-bit RGB(A) PNGs"
        idat += body if kind == b"IDAT" else b""
        pos += 12 + length
    n = 4 if colour == 6 else 3
    raw = np.frombuffer(zlib.decompress(idat), np.uint8).reshape(height, 1 + width * n)
    rows = np.zeros((height + 1, n + width * n), np.int32)  # zeros above the first row and left of each
    for y in range(height):
        kind, line, up, out = raw[y, 0], raw[y, 1:].astype(np.int32), rows[y], rows[y + 1]
        if kind in (0, 2):  # none, up
            out[n:] = (line + (up[n:] if kind == 2 else 0)) & 255
            continue
        for x in range(width * n):  # sub, average and Paeth need the byte before, one after another
            a, b, c = out[x], up[x + n], up[x]
            pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
            paeth = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
            out[x + n] = (line[x] + (a if kind == 1 else (a + b) // 2 if kind == 3 else paeth)) & 255
    pixels = rows[1:, n:].astype(np.uint8).reshape(height, width, n)
    return pixels if n == 4 else np.concatenate([pixels, np.full((height, width, 1), 255, np.uint8)], axis=2)


@pytest.fixture
def arm():
    """The two-points arm: Shoulder and Hand animated, Arm between them, Sleeve below."""
    return vantorel.load(example("two_points_arm.xml"))
