#!/usr/bin/env python3
"""The Python module beside its peers, in one run: tintara.scan against the pipeline's own C++
run on the same preview, type="massimo" against scikit-image's block_reduce on the same array,
and the time `import tintara` takes.

    bench/bench_python.py BUILD_DIR     (make bench runs it on build-bench)
"""
import json
import os
import statistics
import subprocess
import sys
import time
import timeit
from pathlib import Path

build = Path(sys.argv[1] if len(sys.argv) > 1 else "build-bench").resolve()
sys.path.insert(0, str(build / "python"))
import numpy as np  # noqa: E402

import tintara  # noqa: E402

folder = Path("/tmp/tintara-bench/python")
folder.mkdir(parents=True, exist_ok=True)
picture = folder / "plasma-1000.png"
if not picture.exists():
    convert = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"
    subprocess.run([convert, "-seed", "7", "-size", "1000x1000", "plasma:", str(picture)],
                   check=True)


def median_us(call, number, repeat=9):
    return statistics.median(timeit.repeat(call, number=number, repeat=repeat)) / number * 1e6


# The C++ run of the same preview, medians of its repetitions.
report = subprocess.run(
    [str(build / "bench/tintara_bench_pipeline"), "--benchmark_format=json",
     "--benchmark_repetitions=9", "--benchmark_report_aggregates_only=true"],
    env=dict(os.environ, TINTARA_BENCH_PICTURE=str(picture)), check=True,
    capture_output=True, text=True).stdout
cpp = {b["run_name"]: b["real_time"] for b in json.loads(report)["benchmarks"]
       if b["aggregate_name"] == "median"}

preview = tintara.load(picture)
print(f"preview {preview.shape[1]}x{preview.shape[0]}")
print(f"{'settings':32} {'C++ us':>9} {'Python us':>10} {'ratio':>6}")
for name, settings in [("type:0/threshold:0", {}), ("type:1/threshold:0", {"type": "massimo"}),
                       ("type:0/threshold:1", {"threshold": True})]:
    ours = median_us(lambda: tintara.scan(preview, **settings), 200)
    peer = cpp[f"BM_PipelineRun/{name}"]
    print(f"{name:32} {peer:9.1f} {ours:10.1f} {ours / peer:6.2f}")

try:
    from skimage.measure import block_reduce
except ImportError:
    block_reduce = None
if block_reduce is not None:
    array = np.ascontiguousarray(preview)
    ours = median_us(lambda: tintara.scan(array, type="massimo").red, 100)
    peer = median_us(lambda: block_reduce(array, (3, 3, 1), np.max), 20)
    print(f"massimo on {array.shape}: tintara.scan {ours:.1f} us, block_reduce {peer:.1f} us, "
          f"{peer / ours:.1f} times as fast")
else:
    print("block_reduce: scikit-image is not installed (scripts/install-deps.sh --bench)")

# Threads: the scan runs without the GIL, so two cores take twice the scans of one.
import concurrent.futures  # noqa: E402

array = np.ascontiguousarray(preview)
for workers in (1, 2, 4):
    with concurrent.futures.ThreadPoolExecutor(workers) as pool:
        def batch():
            list(pool.map(lambda _: tintara.scan(array, rate=3), range(200)))
        took = statistics.median(timeit.repeat(batch, number=1, repeat=5))
    print(f"{workers} thread(s): {200 / took:.0f} scans a second")

# A fresh interpreter each time: with nothing else imported, then after numpy.
env = dict(os.environ, PYTHONPATH=str(build / "python"))


def fresh(code):
    times = []
    for _ in range(15):
        start = time.perf_counter()
        subprocess.run([sys.executable, "-c", code], env=env, check=True)
        times.append(time.perf_counter() - start)
    return statistics.median(times) * 1e3


bare = fresh("pass")
alone = fresh("import tintara")
numpy_only = fresh("import numpy")
both = fresh("import numpy, tintara")
print(f"import tintara: {alone - bare:.1f} ms alone, {both - numpy_only:.1f} ms after numpy "
      f"(numpy itself {numpy_only - bare:.1f} ms)")
