"""Scene.eval and Scene.peg_values against the vantorel binary, bit for bit, on every example;
the row-major layout against a matrix worked out by hand; frame and node selections against
the whole array; progress, interruption and several threads."""
import concurrent.futures

import numpy as np
import pytest

import vantorel
from conftest import EXAMPLE_NAMES, cli_npy, example, same_bits, scene_file


@pytest.mark.parametrize("name", EXAMPLE_NAMES)
def test_eval_holds_what_the_binary_writes_bit_for_bit(name, tmp_path):
    scene = vantorel.load(example(name))
    a = scene.eval()
    first, last = scene.frames
    assert a.shape == (last - first + 1, len(scene.nodes), 4, 4) and a.dtype == np.float64
    columns = a.transpose(0, 1, 3, 2).reshape(a.shape[0], a.shape[1], 16)
    assert same_bits(columns, cli_npy(example(name), tmp_path))


@pytest.mark.parametrize("name", EXAMPLE_NAMES)
def test_peg_values_hold_what_the_binary_writes_bit_for_bit(name, tmp_path):
    values = vantorel.load(example(name)).peg_values()
    assert same_bits(values, cli_npy(example(name), tmp_path, "--values", "peg"))
    assert values.dtype.names == ("tx", "ty", "tz", "rx", "ry", "rz", "sx", "sy", "sz", "skew")


# A peg turned 90 degrees and moved by (2, 3) scene units, drawing units half and a quarter of
# those: it carries x onto y, then moves by (1, 0.75).
TURNED = scene_file("python_turned.xml")


def test_each_matrix_is_row_major_so_that_it_maps_points_from_the_left():
    a = vantorel.load(TURNED).eval(1, "A")[0, 0]
    np.testing.assert_allclose(a @ (1, 0, 0, 1), (1, 1.75, 0, 1), atol=1e-15)
    np.testing.assert_allclose(a[:3, 3], (1, 0.75, 0), atol=1e-15)
    # B moves 4 scene units (2 drawing units) over frames 1 to 3.
    b = vantorel.load(TURNED).eval(nodes="B")[:, 0, 0, 3]
    np.testing.assert_allclose(b, (0, 1, 2), atol=1e-15)


@pytest.mark.parametrize(
    "frames, nodes, rows, columns",
    [
        (None, None, [0, 1, 2], [0, 1]),
        (2, None, [1], [0, 1]),
        ("2-3", "B", [1, 2], [1]),
        ("3", ["B", "A"], [2], [1, 0]),
        (range(1, 3), ("A",), [0, 1], [0]),
        ([3, 1, 3], None, [2, 0, 2], [0, 1]),
        (np.array([2, 3]), None, [1, 2], [0, 1]),
        (np.arange(1.0, 3.0), None, [0, 1], [0, 1]),
        ([], None, [], [0, 1]),
        (None, [], [0, 1, 2], []),
    ],
)
def test_frames_and_nodes_choose_rows_and_columns_of_the_whole(frames, nodes, rows, columns):
    scene = vantorel.load(TURNED)
    whole = scene.eval()
    chosen = scene.eval(frames, nodes)
    assert same_bits(chosen, whole[rows][:, columns])


def test_matrix_of_one_node_is_its_slice_of_eval_and_frames_asked_never_move_the_current_one(arm):
    a = arm.eval([10], "Arm")[0, 0]
    assert same_bits(arm.matrix("Arm", 10), a) and same_bits(arm["Arm"].matrix(10), a)
    arm.frame = 10
    assert same_bits(arm["Arm"].matrix(), a)
    arm.eval("1-48"), arm.peg_values(30)
    arm["Arm"].get("STRETCHMAX", frame=40)
    assert arm.frame == 10


def test_progress_hears_every_frame_in_order_and_an_error_in_it_stops_the_evaluation(arm):
    heard, before = [], arm.eval()
    arm.eval(progress=lambda done, total: heard.append((done, total)))
    assert heard[-1] == (48, 48) and [d for d, _ in heard] == sorted(d for d, _ in heard)

    def stop(done, total):
        raise RuntimeError("stop here")

    with pytest.raises(RuntimeError, match="stop here"):
        arm.eval(progress=stop)
    with pytest.raises(RuntimeError, match="inside another scene call"):
        arm.eval(progress=lambda done, total: arm.frames)
    assert same_bits(arm.eval(), before)


def test_threads_evaluating_at_once_get_what_one_thread_gets():
    scenes = [vantorel.load(example(n)) for n in ("spring_tail.xml", "limit_forearm.xml")]
    expected = [s.eval() for s in scenes]
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        runs = list(pool.map(lambda i: [scenes[i % 2].eval() for _ in range(5)], range(4)))
    assert all(same_bits(a, expected[i % 2]) for i, run in enumerate(runs) for a in run)


@pytest.mark.parametrize("name", ["spring_tail.xml", "arm_rig.xml"])
def test_jobs_give_what_one_thread_gives_bit_for_bit(name):
    # Three hundred frames, so that three threads each get the hundred they need to start.
    scene, apart = vantorel.load(example(name)), vantorel.load(example(name))
    frames = range(1, 301)
    assert same_bits(scene.eval(frames, jobs=3), apart.eval(frames))
    assert same_bits(scene.peg_values(frames, jobs=3), apart.peg_values(frames))


@pytest.mark.parametrize("jobs", [0, -3, 257])
def test_jobs_outside_their_range_are_refused_by_name(arm, jobs):
    said = f"jobs must be a whole number of threads from 1 to 256, not {jobs}"
    with pytest.raises(ValueError, match=said):
        arm.eval(jobs=jobs)
