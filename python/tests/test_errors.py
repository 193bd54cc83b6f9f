"""Refusals: a bad scene file is a SceneError with its place and the command line's message;
bad arguments are ValueError, TypeError or KeyError, and a refused call leaves the scene as it
was (every matrix, the history, the modified flag, the files)."""
import pathlib

import numpy as np
import pytest

import vantorel
from conftest import cli, example, same_bits

def in_scene(*lines):
    return '<scene version="1" frames="1-10">\n' + "".join(f"  {line}\n" for line in lines) + "</scene>\n"


PEG_A = '<node type="Peg" name="A"/>'
# Each: the file's text, and the line and column of the element at fault (None: the XML
# reader's own place, taken from the command line's message).
BAD_FILES = {
    "value": (in_scene('<node type="Peg" name="A">', '  <attr keyword="SKEW" value="x"/>', "</node>"), (3, 5)),
    "keyword": (in_scene('<node type="Peg" name="A">', '  <attr keyword="NOPE" value="1"/>', "</node>"), (3, 5)),
    "type": (in_scene('<node type="Nope" name="A"/>'), (2, 3)),
    "link": (in_scene(PEG_A, '<link from="A" to="B" toPort="0"/>'), (3, 3)),
    "twice": (in_scene(PEG_A, PEG_A), (3, 3)),
    "xml": (in_scene('<node type="Peg" name="A">'), None),
}


@pytest.mark.parametrize("case", sorted(BAD_FILES))
def test_a_bad_file_is_a_scene_error_with_its_place_and_the_command_lines_message(case, tmp_path):
    text, place = BAD_FILES[case]
    path = tmp_path / f"{case}.xml"
    path.write_text(text)
    _, _, stderr = cli("check", path, check=False)
    with pytest.raises(vantorel.SceneError) as caught:
        vantorel.load(path)
    e = caught.value
    assert stderr == f"vantorel: {e}\n"
    assert isinstance(e, ValueError)
    assert e.file == str(path) and str(e) == f"{e.file}:{e.line}:{e.column}: {e.reason}"
    if place:
        assert (e.line, e.column) == place
    with pytest.raises(vantorel.SceneError) as again:
        vantorel.loads(text, label="text.xml")
    assert str(again.value) == str(e).replace(str(path), "text.xml")


def test_a_file_that_cannot_be_opened_has_no_place(tmp_path):
    missing = tmp_path / "missing.xml"
    _, _, stderr = cli("check", missing, check=False)
    with pytest.raises(vantorel.SceneError) as caught:
        vantorel.load(missing)
    assert (caught.value.line, caught.value.column) == (0, 0)
    assert stderr == f"vantorel: {caught.value}\n"


def test_bad_host_options_are_value_errors(tmp_path):
    with pytest.raises(ValueError, match="no folder"):
        vantorel.load(example("arm_rig.xml"), plugins=str(tmp_path / "none"))
    prefs = tmp_path / "prefs.txt"
    prefs.write_text("this is not a preference\n")
    with pytest.raises(ValueError):
        vantorel.load(example("arm_rig.xml"), prefs=str(prefs))


# Each call on a fresh two-points arm (or the scene named), and the exception it must raise.
BAD_CALLS = [
    ("unknownNode", lambda s, d: s.node("Nope"), KeyError),
    ("evalUnknownNode", lambda s, d: s.eval(nodes=["Arm", "Nope"]), KeyError),
    ("reversedFrames", lambda s, d: s.eval("5-1"), ValueError),
    ("fractionalFrame", lambda s, d: s.eval([1, 1.5]), ValueError),
    ("frameNotANumber", lambda s, d: s.eval(["1"]), TypeError),
    ("framesOfNothing", lambda s, d: s.eval(object()), TypeError),
    ("nodeNotAName", lambda s, d: s.peg_values(nodes=[3]), TypeError),
    ("progressNotCallable", lambda s, d: s.eval(progress=3), TypeError),
    ("unknownKeyword", lambda s, d: s["Arm"].set("NOPE", 1), KeyError),
    ("textForNumber", lambda s, d: s["Arm"].set("STRETCHMAX", "abc"), ValueError),
    ("nanForNumber", lambda s, d: s["Arm"].set("STRETCHMAX", float("nan")), ValueError),
    ("unknownOption", lambda s, d: s["Arm"].set("FLATTENTYPE", "SIDEWAYS"), ValueError),
    ("listForValue", lambda s, d: s["Arm"].set("STRETCHMAX", [1]), TypeError),
    ("compoundValue", lambda s, d: s["Hand"].set("POSITION", 1), ValueError),
    ("keyOnUnanimatable", lambda s, d: s["Hand"].set("PIVOT.X", 1, frame=3), ValueError),
    ("nanFrame", lambda s, d: s["Arm"].get("STRETCHMAX", frame=float("nan")), ValueError),
    ("nanCurrentFrame", lambda s, d: setattr(s, "frame", float("nan")), ValueError),
    ("missingPort", lambda s, d: s.link("Shoulder", "Arm", 9), ValueError),
    ("cycle", lambda s, d: s.link("Arm", "Shoulder", 0), ValueError),
    ("unlinkUnlinked", lambda s, d: s.unlink("Shoulder", 0), ValueError),
    ("noBakeButton", lambda s, d: s.bake("Arm"), ValueError),
    ("bakeMode", lambda s, d: s.bake("Arm", mode="most"), ValueError),
    ("bakeReversed", lambda s, d: s.bake_keys("Arm", "10-5"), ValueError),
    ("bakeNameTaken", lambda s, d: s.bake_keys("Arm", "1-5", name="Hand"), ValueError),
    ("bakeBlankName", lambda s, d: s.bake_keys("Arm", "1-5", name=" "), ValueError),
    ("pickOutside", lambda s, d: s.pick(5000, 10), ValueError),
    ("pickView", lambda s, d: s.pick(10, 10, view="front"), ValueError),
    ("pickEmptySize", lambda s, d: s.pick(10, 10, size=(0, 5)), ValueError),
    ("pickNotAChooser", lambda s, d: s.pick(10, 10, node="Shoulder"), ValueError),
    ("dragNoControl", lambda s, d: s.drag("Shoulder", (0, 0), (1, 1)), ValueError),
    ("dragBadPoint", lambda s, d: s.drag("Arm", (0,), (1, 1)), ValueError),
    ("dragPivotNotAPeg", lambda s, d: s.drag_pivot("Arm", (751, 323), (700, 200)), ValueError),
    ("renderFormat", lambda s, d: s.render(d / "out.jpg"), ValueError),
    ("renderOnion", lambda s, d: s.render(d / "out.png", onion=-1), ValueError),
    ("renderOnionNode", lambda s, d: s.render(d / "out.png", onion=2, onion_nodes=["Nope"]), KeyError),
    ("exportFormat", lambda s, d: s.export(d / "out.obj"), ValueError),
    ("exportFps", lambda s, d: s.export(d / "out.glb", fps=0), ValueError),
    ("exportNoNodes", lambda s, d: s.export(d / "out.glb", nodes=[]), ValueError),
    ("exportNoMatrix", lambda s, d: s.export(d / "out.glb", nodes="Switch"), ValueError, "switch_gate.xml"),
    ("saveNowhere", lambda s, d: s.save(d / "missing" / "arm.xml"), ValueError),
    ("buttonValue", lambda s, d: s["Hold"].get("bakeAttr"), ValueError, "static_bake.xml"),
    ("bakeNoSwitch", lambda s, d: s.bake_keys("Switch", "1-5"), ValueError, "switch_gate.xml"),
]


@pytest.mark.parametrize("row", BAD_CALLS, ids=[r[0] for r in BAD_CALLS])
def test_a_bad_call_raises_and_changes_nothing(row, tmp_path):
    call, error = row[1], row[2]
    scene = vantorel.load(example(row[3] if len(row) > 3 else "two_points_arm.xml"))
    scene.frame = 12
    before = scene.eval()
    with pytest.raises(error):
        call(scene, tmp_path)
    assert same_bits(scene.eval(), before)
    assert scene.history == [] and not scene.modified and scene.frame == 12
    assert list(tmp_path.iterdir()) == [], "a file was left behind"


def test_a_node_whose_node_is_gone_says_so(arm):
    arm.bake_keys("Arm", "1-5")
    baked = arm["Arm-baked"]
    arm.undo()
    assert repr(baked) == "<vantorel.Node 'Arm-baked' (gone)>"
    with pytest.raises(KeyError):
        baked.type
    with pytest.raises(KeyError):
        "STRETCHMAX" in baked
    arm.redo()
    assert baked.type == "Peg"
