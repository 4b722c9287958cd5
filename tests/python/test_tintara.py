import filecmp
import json
import os
import re
import subprocess
import threading
from pathlib import Path

import numpy as np
import pytest

import tintara

HERE = Path(__file__).resolve().parent
SOURCE = HERE.parent.parent

# Each row: the picture, the batch's options, and the same settings as load() and scan() take
# them, with save()'s zoom.
ROWS = [
    ("opaque.png", [], dict(size=500), {}, None),
    ("transparent.png", ["--size", "300", "--rate-x", "4", "--rate-y", "9", "--type", "massimo",
                         "--threshold", "--red", "100:200", "--overlap", "--zoom", "g"],
     dict(size=300), dict(rate=(4, 9), type="massimo", threshold={"red": (100, 200)},
                          overlap=True), "green"),
    ("palette.png", ["--size", "200", "--rate", "5", "--type", "minimo", "--threshold", "--auto",
                     "Otsu", "--zoom", "r"],
     dict(size=200), dict(rate=5, type="minimo", auto="Otsu"), "red"),
    ("grey.png", ["--size", "400", "--type", "massimo-minimo", "--threshold", "--auto-red", "Li",
                  "--auto-blue", "Huang", "--blue", "20:240"],
     dict(size=400), dict(type="massimo-minimo", threshold={"blue": (20, 240)},
                          auto={"red": "Li", "blue": "Huang"}), None),
    ("thin.png", ["--rate", "30", "--threshold"], dict(), dict(rate=30, threshold=True), None),
    ("flat.png", ["--size", "300", "--reduction", "--rate", "6"], dict(size=300), None, None),
    ("rose.jpg", ["--rate-x", "7", "--rate-y", "3", "--overlap", "--zoom", "b"], dict(),
     dict(rate=(7, 3), overlap=True), "blue"),
    ("rose.jpg", ["--type", "massimo-minimo", "--local", "Niblack", "--local-blue", "Sauvola",
                  "--local-radius", "5", "--local-param1", "0.3", "--local-dark"], dict(),
     dict(type="massimo-minimo", local={"red": "niblack", "green": "Niblack", "blue": "Sauvola"},
          radius=5, params=(0.3, 0), white=False), None),
]


def batch(program, picture, options, out):
    subprocess.run([program, "--batch", "--jobs", "1", *options, "--out", str(out), str(picture)],
                   check=True, stdout=subprocess.DEVNULL)
    return sorted(p.name for p in out.iterdir())


@pytest.mark.parametrize("name,options,loading,settings,zoom", ROWS)
def test_save_writes_the_files_the_batch_writes(pictures, program, tmp_path, name, options,
                                                loading, settings, zoom):
    made = batch(program, pictures / name, options, tmp_path / "batch")
    image = tintara.load(pictures / name, **loading)
    planes = tintara.reduce(image, 6) if settings is None else tintara.scan(image, **settings)
    saved = planes.save(tmp_path / "python", zoom=zoom)
    assert sorted(Path(p).name for p in saved) == made
    for file in made:
        assert filecmp.cmp(tmp_path / "batch" / file, tmp_path / "python" / file, shallow=False), file
    # A saved plane's recipe replays on its picture.
    again = tintara.Recipe.load(saved[0]).run(pictures / name)
    assert sorted(Path(p).name for p in again.save(tmp_path / "again", zoom=zoom)) == made
    assert filecmp.cmp(tmp_path / "batch" / made[0], tmp_path / "again" / made[0], shallow=False)


def reference(image, rx, ry, kind, overlap, bands):
    """A plain block reduction: the image padded with white to whole blocks."""
    h, w = image.shape[:2]
    nx, ny = -(-w // rx), -(-h // ry)
    extra = 1 if overlap else 0
    padded = np.full((ny * ry + extra, nx * rx + extra, 3), 255, np.int64)
    padded[:h, :w] = image[..., :3]
    stack = np.stack([padded[dy:dy + ny * ry:ry, dx:dx + nx * rx:rx]
                      for dy in range(ry + extra) for dx in range(rx + extra)])
    value = {"media": stack.mean(axis=0), "massimo": stack.max(axis=0),
             "minimo": stack.min(axis=0),
             "massimo-minimo": stack.max(axis=0) - stack.min(axis=0)}[kind]
    if bands is None:
        return np.round(value).astype(np.uint8)
    lo = np.array([b[0] for b in bands])
    hi = np.array([b[1] for b in bands])
    return np.where((lo < value) & (value <= hi), 255, 0).astype(np.uint8)


def test_scan_matches_a_plain_block_reduction():
    rng = np.random.default_rng(20261210)
    for trial in range(40):
        h, w = rng.integers(1, 120, 2)
        image = rng.integers(0, 256, (h, w, int(rng.choice([3, 4]))), dtype=np.uint8)
        if trial % 3 == 0:
            # Smooth pictures, where bands cut through neighbours rather than noise.
            image = np.clip(image // 8 + np.arange(w)[None, :, None] * 2, 0, 255).astype(np.uint8)
        rx, ry = (int(v) for v in rng.integers(3, 31, 2))
        kind = str(rng.choice(["media", "massimo", "minimo", "massimo-minimo"]))
        overlap = bool(rng.integers(2))
        bands = None
        if trial % 2:
            lo = rng.integers(0, 256, 3)
            bands = [(int(l), int(rng.integers(l, 256))) for l in lo]
        threshold = None if bands is None else dict(zip(("red", "green", "blue"), bands))
        planes = tintara.scan(image, rate=(rx, ry), type=kind, threshold=threshold,
                              overlap=overlap)
        expected = reference(image, rx, ry, kind, overlap, bands)
        got = np.dstack([planes.red, planes.green, planes.blue])
        assert np.array_equal(got, expected), (trial, h, w, rx, ry, kind, overlap, bands)
        # Any strides, negative ones included, read as numpy indexes them.
        for view in (image[::-1], image[:, ::-2], image[..., ::-1][..., :3]):
            strided = tintara.scan(view, rate=(rx, ry), type=kind, overlap=overlap)
            assert np.array_equal(strided.green,
                                  reference(np.ascontiguousarray(view), rx, ry, kind, overlap,
                                            None)[..., 1])
    # The pixel reduction keeps one pixel every n both ways.
    image = rng.integers(0, 256, (47, 61, 3), dtype=np.uint8)
    for n in (3, 5, 30):
        assert np.array_equal(tintara.reduce(image, n).reduced, image[::n, ::n])


def test_a_loaded_preview_scans_as_changed(pictures):
    preview = tintara.load(pictures / "rose.jpg", size=300)
    preview[40:90, 10:200] = (250, 5, 120)
    planes = tintara.scan(preview, rate=(7, 4), type="massimo-minimo")
    # Blocks wholly inside the preview read its pixels as they now are; the last ones also read
    # the window around it, which a plain array has not.
    h, w = preview.shape[:2]
    inside = (h // 4, w // 7)
    expected = reference(np.ascontiguousarray(preview), 7, 4, "massimo-minimo", False, None)
    got = np.dstack([planes.red, planes.green, planes.blue])
    assert np.array_equal(got[:inside[0], :inside[1]], expected[:inside[0], :inside[1]])
    assert planes.red[12, 5] == 0 and planes.blue.shape == expected.shape[:2]


def test_thresholds_are_imagejs():
    rows = [line.rstrip("\n").split("\t")
            for line in (SOURCE / "tests/data/thresholds/imagej.tsv").open()
            if not line.startswith("#")]
    header, rows = rows[0], rows[1:]
    for row in rows[::25]:
        counts = np.array([int(c) for c in row[1].split()], np.int64)
        for method, expected in zip(header[2:], row[2:]):
            got = tintara.threshold(counts, method)
            assert got == (None if expected == "none" else int(expected)), (row[0], method)
    # Values give their histogram's threshold.
    values = np.repeat(np.arange(256, dtype=np.uint8), counts.astype(np.int64))
    assert tintara.threshold(values.reshape(1, -1), "Otsu") == tintara.threshold(counts, "otsu")
    assert set(tintara.METHODS) == set(header[2:])


def damaged_recipe(tmp_path, cut=False):
    entries = dict(tintara.Recipe(rate=5).entries, Rates="99x3")
    text = json.dumps(entries)
    path = tmp_path / "bad.tintara.json"
    path.write_text(text[:len(text) // 2] if cut else text)
    return path


image = np.zeros((20, 20, 3), np.uint8)
BAD = [
    (lambda tmp: tintara.scan(image.astype(np.float64)), TypeError, "uint8"),
    (lambda tmp: tintara.scan(image.tolist()), TypeError, "numpy array"),
    (lambda tmp: tintara.scan(image[..., 0]), ValueError, "shape"),
    (lambda tmp: tintara.scan(image[..., :2]), ValueError, "shape"),
    (lambda tmp: tintara.scan(image[None]), ValueError, "shape"),
    (lambda tmp: tintara.scan(image[:0]), ValueError, "no pixels"),
    (lambda tmp: tintara.scan(image, threshold={"red": (0, 256)}), ValueError, "0 <= LO <= HI <= 255"),
    (lambda tmp: tintara.scan(image, threshold={"red": (200, 100)}), ValueError, "LO <= HI"),
    (lambda tmp: tintara.scan(image, threshold={"alpha": (1, 2)}), ValueError, "channels"),
    (lambda tmp: tintara.scan(image, auto="Bogus"), ValueError, "no method"),
    (lambda tmp: tintara.scan(image, auto="Otsu", local={"red": "Mean"}), ValueError, "not both"),
    (lambda tmp: tintara.threshold(image, "Bogus"), ValueError, "no method"),
    (lambda tmp: tintara.threshold(np.zeros(256, np.float32), "Otsu"), TypeError, "counts"),
    (lambda tmp: tintara.threshold(-np.ones(256, np.int64), "Otsu"), ValueError, "counts"),
    (lambda tmp: tintara.scan(image, rate=2), ValueError, "3 to 30"),
    (lambda tmp: tintara.scan(image, rate=(3, 31)), ValueError, "3 to 30"),
    (lambda tmp: tintara.scan(image, rate="3"), TypeError, "whole number"),
    (lambda tmp: tintara.reduce(image, (3, 4)), TypeError, "one whole number"),
    (lambda tmp: tintara.scan(image, type="bogus"), ValueError, "type"),
    (lambda tmp: tintara.scan(np.zeros((1, 200000, 3), np.uint8)), ValueError, "32767"),
    (lambda tmp: tintara.load(tmp / "missing.png"), tintara.PictureError, "missing.png"),
    (lambda tmp: tintara.load(tmp, size=250), ValueError, "size"),
    (lambda tmp: tintara.Recipe.load(tmp / "missing.json"), FileNotFoundError, "missing"),
    (lambda tmp: tintara.Recipe.load(damaged_recipe(tmp)), tintara.RecipeError, "Rates"),
    (lambda tmp: tintara.Recipe.load(damaged_recipe(tmp, cut=True)), tintara.RecipeError, "damaged"),
    (lambda tmp: tintara.scan(image).save(tmp / "file.png" / "under"), OSError, "folder"),
]


@pytest.mark.parametrize("call,error,words", BAD)
def test_bad_input_raises_and_writes_nothing(tmp_path, call, error, words):
    (tmp_path / "file.png").write_bytes(b"not a folder")
    with pytest.raises(error, match=re.escape(words)):
        call(tmp_path)
    assert [p.name for p in tmp_path.iterdir()] in (["file.png"], ["file.png", "bad.tintara.json"],
                                                   ["bad.tintara.json", "file.png"])


def test_hostile_pictures_are_refused_with_a_reason():
    for path in sorted((SOURCE / "tests/data/bad").iterdir()):
        try:
            image = tintara.load(path, size=200)
        except tintara.PictureError as e:
            assert str(e), path
        else:
            tintara.scan(image, threshold=True)


def test_a_failed_save_leaves_nothing(pictures, tmp_path):
    planes = tintara.scan(tintara.load(pictures / "opaque.png"))
    folder = tmp_path / "out"
    folder.mkdir()
    # The green plane's name is taken by a folder: red was written, and goes again.
    (folder / "opaque-green-media-3x3.png").mkdir()
    with pytest.raises(OSError):
        planes.save(folder)
    assert [p.name for p in folder.iterdir()] == ["opaque-green-media-3x3.png"]


def test_threads_scan_as_one_thread_does(pictures):
    preview = tintara.load(pictures / "rose.jpg")
    rng = np.random.default_rng(4)
    array = rng.integers(0, 256, (700, 900, 3), dtype=np.uint8)
    settings = [dict(rate=r, type=t, threshold=th, overlap=o)
                for r, t, th, o in [(3, "media", None, False), (5, "massimo", True, True),
                                    ((4, 11), "massimo-minimo", (30, 200), False),
                                    (7, "minimo", None, True)]]

    def planes(i):
        image = preview if i % 2 else array
        p = tintara.scan(image, **settings[i % 4])
        return np.dstack([p.red, p.green, p.blue])

    alone = [planes(i) for i in range(8)]
    together = [None] * 8

    def work(k):
        for i in range(k, 8, 4):
            for _ in range(5):
                together[i] = planes(i)

    threads = [threading.Thread(target=work, args=(k,)) for k in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for a, b in zip(alone, together):
        assert np.array_equal(a, b)


def test_the_readmes_example_runs(pictures, tmp_path, monkeypatch):
    readme = (SOURCE / "README.md").read_text()
    section = readme.split("## From Python", 1)[1]
    example = section.split("```python\n", 1)[1].split("```", 1)[0]
    (tmp_path / "photos").mkdir()
    (tmp_path / "photos" / "cells.png").write_bytes((pictures / "opaque.png").read_bytes())
    monkeypatch.chdir(tmp_path)
    exec(compile(example, "README.md", "exec"), {})
    assert sorted(p.name for p in (tmp_path / "planes").iterdir())
