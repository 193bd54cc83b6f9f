"""Edits from Python: each one undoable step that undo takes back to every matrix bit for bit
and redo gives again; attribute values read back as keys interpolate; picks, renders and saves
against what the vantorel binary reports and writes."""
import re

import numpy as np
import pytest

import vantorel
from conftest import cli, example, read_png, same_bits, scene_file


def set_item(scene):
    scene["Arm"]["STRETCHMAX"] = 110
    return scene.history[-1]


EDITS = [
    ("number", "two_points_arm.xml", lambda s: s["Arm"].set("STRETCHMAX", 110), "Set STRETCHMAX of Arm"),
    ("item", "two_points_arm.xml", set_item, "Set STRETCHMAX of Arm"),
    ("key", "two_points_arm.xml", lambda s: s["Hand"].set("POSITION.X", 5, frame=10), "Set POSITION.X of Hand"),
    ("option", "two_points_arm.xml", lambda s: s["Arm"].set("PRIMARYPORT", "LEFT"), "Set PRIMARYPORT of Arm"),
    ("flag", "limit_forearm.xml", lambda s: s["Limit"].set("UNIFORMSCALE", False), "Set UNIFORMSCALE of Limit"),
    ("numpyNumber", "spring_tail.xml", lambda s: s["Tip"].set("TENSIONX", np.float32(20)), "Set TENSIONX of Tip"),
    ("link", "two_points_arm.xml", lambda s: s.link("Shoulder", "Sleeve", 0), "Link Shoulder to Sleeve"),
    ("unlink", "two_points_arm.xml", lambda s: s.unlink("Arm", 1), "Unlink Arm input 1"),
    ("disable", "two_points_arm.xml", lambda s: s.disable("Arm"), "Disable Arm"),
    ("bake", "static_bake.xml", lambda s: s.bake("Hold", "all", 10), "Bake Transformation onto Constraint"),
    ("bakeKeys", "arm_rig.xml", lambda s: s.bake_keys("Elbow", "1-48", replace=True).step, "Bake Keys"),
    ("drag", "switch_gate.xml", lambda s: s.drag("Switch", (226, 342), (226, 100)), "Change Switch Module"),
    ("dragPivot", "two_points_arm.xml", lambda s: s.drag_pivot("Hand", (751, 323), (700, 200), frame=16), "Move Peg"),
]


@pytest.mark.parametrize("edit", EDITS, ids=[e[0] for e in EDITS])
def test_an_edit_is_one_step_that_undo_takes_back_and_redo_gives_again_bit_for_bit(edit):
    _, scene_name, run, step = edit
    scene = vantorel.load(example(scene_name))
    before = scene.eval()
    assert run(scene) == step
    assert scene.history == [step] and scene.modified
    after = scene.eval()
    assert after.shape != before.shape or not same_bits(after, before), "the edit changed nothing"
    assert scene.undo() == step and scene.redo_name == step
    assert same_bits(scene.eval(), before)
    assert not scene.modified and scene.history == []
    assert scene.redo() == step
    assert same_bits(scene.eval(), after)
    assert scene.undo() == step and scene.undo() is None


# Keys at frames 1 (0) and 25 (90, linear), a constant key at 30 (10) held to 40 (20).
KEYED = scene_file("python_keyed.xml")


@pytest.mark.parametrize(
    "frame, value",
    [(1, 0.0), (13, 45.0), (25, 90.0), (27.5, 50.0), (30, 10.0), (39.9, 10.0), (40, 20.0), (-5, 0.0), (60, 20.0)],
)
def test_values_read_at_a_frame_follow_the_keys(frame, value):
    a = vantorel.load(KEYED)["A"]
    assert a.get("ROTATION.ANGLEZ", frame) == pytest.approx(value, abs=1e-12)


def test_values_come_as_python_holds_them_and_set_takes_them_back():
    limit = vantorel.load(example("limit_forearm.xml"))["Limit"]
    assert isinstance(limit["ROT"], float) and isinstance(limit["PARENTNAME"], str) and limit["UNIFORMSCALE"] is True
    assert limit["FLATTENTYPE"] in [o.keyword for o in limit.attribute("FLATTENTYPE").options]
    assert limit["POS"][:2] == (limit["POS.X"], limit["POS.Y"])
    limit.set("FLATTENTYPE", "PROJECT3D")
    limit["UNIFORMSCALE"] = False
    assert limit["FLATTENTYPE"] == "PROJECT3D" and limit["UNIFORMSCALE"] is False


def test_an_edit_of_an_animated_value_keys_the_current_frame_and_keeps_the_others():
    scene = vantorel.load(KEYED)
    a, scene.frame = scene["A"], 13
    a["ROTATION.ANGLEZ"] = 100
    keys = a.attribute("ROTATION.ANGLEZ").keys
    assert [(k.frame, k.value) for k in keys] == [(1, 0), (13, 100), (25, 90), (30, 10), (40, 20)]
    a["POSITION.X"] = 4  # not animated: its value, no key
    assert a.attribute("POSITION.X").keys == [] and a["POSITION.X"] == 4


def test_baked_keys_give_the_nodes_matrices_over_the_range():
    scene = vantorel.load(example("spring_tail.xml"))
    r = scene.bake_keys("Tip", range(1, 49))
    assert r.peg == "Tip-baked" and r.exact and r.residual < 1e-9
    assert scene["Tip-baked"].type == "Peg"
    a = scene.eval(nodes=["Tip", "Tip-baked"])
    np.testing.assert_allclose(a[:, 1], a[:, 0], atol=1e-9)
    scene.undo()
    assert "Tip-baked" not in scene
    with pytest.raises(KeyError):
        scene.node("Tip-baked")


def test_a_pick_reports_what_the_binary_prints(arm):
    _, printed, _ = cli("pick", example("two_points_arm.xml"), "--frame", "16", "--at", "751,323")
    p = arm.pick(751, 323, frame=16)
    assert printed == (
        f"picked: {p.node} ({p.type}), handle {p.handle}, on the control of {p.control_node} ({p.control_type})\n"
        f'main input of {p.main_input_of}: {p.main_input_port} "{p.main_input_port_name}" ({p.main_input_source})\n'
    )
    assert arm.selection == [] and arm.history == []
    assert arm.pick(751, 323, frame=16, select=True).node == "Hand" and arm.selection == ["Hand"]
    background = arm.pick(5, 5)
    assert background.node is None and background.handle == -1


@pytest.mark.parametrize("options, flags", [({}, []), ({"view": "top", "onion": 3, "labels": True},
                                                        ["--view", "top", "--onion", "3", "--labels"]),
                                           ({"caption": False}, ["--no-caption"])])
def test_render_writes_the_file_the_binary_writes_and_image_holds_its_pixels(tmp_path, options, flags):
    scene = example("spring_tail.xml")
    cli("render", scene, "--frame", "20", "--size", "160x90", *flags, "-o", tmp_path / "cli.png")
    s = vantorel.load(scene)
    s.render(tmp_path / "module.png", frame=20, size=(160, 90), **options)
    assert (tmp_path / "module.png").read_bytes() == (tmp_path / "cli.png").read_bytes()
    image = s.image(frame=20, size=(160, 90), **options)
    assert image.shape == (90, 160, 4) and image.dtype == np.uint8
    assert same_bits(image, read_png(tmp_path / "cli.png"))
    s.render(tmp_path / "module.svg", frame=20, size=(160, 90), **options)
    assert (tmp_path / "module.svg").read_text().startswith("<?xml")


def test_a_saved_scene_reads_back_to_the_same_matrices_and_is_no_longer_modified(arm, tmp_path):
    arm["Arm"]["STRETCHMAX"] = 120
    arm.link("Shoulder", "Sleeve")
    path = tmp_path / "arm.xml"
    arm.save(path)
    assert arm.path == str(path) and not arm.modified and not arm.changed_on_disk
    assert same_bits(vantorel.load(path).eval(), arm.eval())
    arm.undo()
    assert arm.modified


@pytest.mark.parametrize("flags, options", [
    ([], {}),
    (["--hierarchy", "--no-markers", "--fps", "30", "--frames", "5-20", "--node", "Elbow", "--node", "Hand"],
     {"hierarchy": True, "markers": False, "fps": 30, "frames": "5-20", "nodes": ["Elbow", "Hand"]}),
])
def test_export_writes_the_file_the_binary_writes_with_its_residuals(tmp_path, flags, options):
    _, printed, _ = cli("export", example("arm_rig.xml"), *flags, "-o", tmp_path / "cli.glb")
    r = vantorel.load(example("arm_rig.xml")).export(tmp_path / "module.glb", **options)
    assert (tmp_path / "module.glb").read_bytes() == (tmp_path / "cli.glb").read_bytes()
    lines = printed.splitlines()[1:]
    assert len(lines) == len(r.nodes) == len(r.residuals)
    for line, res in zip(lines, r.residuals):
        node, value, frame, index = re.match(r'node "(.+)": largest residual (\S+) at frame (-?\d+) \(m(\d+)\)', line).groups()
        assert (node, float(value), int(frame), int(index)) == (res.node, res.residual, res.frame, res.value)
        assert res.exact == ("cannot express" not in line)
