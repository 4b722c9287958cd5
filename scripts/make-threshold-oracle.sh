#!/usr/bin/env bash
# Rewrites tests/data/thresholds/imagej.tsv: ImageJ's answer for each of the sixteen automatic
# thresholds on 600 block histograms (random shapes as scans give them, and edge cases), which
# the core's test holds ours against. Needs Java and ImageJ, installed with apt-get if missing;
# the tests themselves need neither.
#   scripts/make-threshold-oracle.sh [SEED]
set -euo pipefail
cd "$(dirname "$0")/.."
seed="${1:-20261210}"

if ! command -v javac >/dev/null || [ ! -e /usr/share/java/ij.jar ] ||
    ! /usr/bin/python3 -c "import numpy" 2>/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        imagej default-jdk-headless python3-numpy
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One histogram a line: a name, a multiple m, then 256 counts, which m multiplies.
/usr/bin/python3 - "$seed" >"$work/histograms.txt" <<'EOF'
import sys
import numpy as np

rng = np.random.default_rng(int(sys.argv[1]))
rows = []

def add(name, counts, m=1):
    counts = np.asarray(counts, dtype=np.int64)
    k = np.arange(256)
    # Within every 32-bit sum ImageJ forms; a multiple m of the counts may go past them.
    assert counts.shape == (256,) and counts.min() >= 0
    assert (k * k * counts).max() < 2**31 and (k * counts).sum() < 2**31, name
    assert (counts * m).sum() < 2**31, name
    rows.append((name, counts, m))

def of_values(values):
    return np.bincount(np.clip(np.ceil(values), 0, 255).astype(int), minlength=256)

def at(pairs):
    c = np.zeros(256, dtype=np.int64)
    for k, n in pairs:
        c[k] += n
    return c

# Random shapes, as the blocks of a scan give them: two and three Gaussians, a skewed gamma, a
# low peak with a thin tail (maximum minus minimum), and a sea of flat blocks with a spread.
def gaussians(k):
    n = int(rng.integers(200, 40000))
    weights = rng.dirichlet(np.ones(k))
    parts = [rng.normal(rng.uniform(0, 255), rng.uniform(2, 40), int(n * w) + 1) for w in weights]
    return np.concatenate(parts)

for i in range(150):
    add(f"two Gaussians {i}", of_values(gaussians(2)))
for i in range(100):
    add(f"three Gaussians {i}", of_values(gaussians(3)))
for i in range(80):
    n = int(rng.integers(200, 40000))
    v = rng.gamma(rng.uniform(0.8, 6), rng.uniform(4, 30), n) + rng.uniform(0, 80)
    add(f"gamma {i}", of_values(v if rng.random() < 0.5 else 255 - v))
for i in range(80):
    n = int(rng.integers(200, 40000))
    low = np.abs(rng.normal(0, rng.uniform(0.5, 6), n))
    tail = rng.exponential(rng.uniform(10, 60), int(n * rng.uniform(0.01, 0.3)))
    add(f"low peak with a thin tail {i}", of_values(np.concatenate([low, tail])))
for i in range(60):
    n = int(rng.integers(2000, 40000))
    flat = np.zeros(int(n * rng.uniform(0.3, 0.9)))
    spread = rng.normal(rng.uniform(10, 120), rng.uniform(5, 40), n - len(flat))
    add(f"flat blocks and a spread {i}", of_values(np.concatenate([flat, spread])))
for i in range(30):
    k = int(rng.integers(2, 12))
    where = rng.choice(256, k, replace=False)
    add(f"few values {i}", at(zip(where, rng.integers(1, 500, k))))

# Edge cases.
add("empty", np.zeros(256))
for v in (0, 1, 90, 254, 255):
    add(f"one value at {v}", at([(v, 40)]))
add("all at 0, many", at([(0, 1_000_000)]))
for a, b in ((0, 255), (0, 1), (254, 255), (100, 101), (50, 200), (10, 11), (0, 100), (100, 255)):
    add(f"two values {a} and {b}", at([(a, 30), (b, 10)]))
    add(f"two values {a} and {b}, equal", at([(a, 25), (b, 25)]))
add("two equal peaks", at([(50, 100), (200, 100)]))
add("three values", at([(10, 1), (20, 1), (200, 2)]))
add("falling", at([(100, 2), (101, 1), (102, 1)]))
add("rising", at([(100, 1), (101, 1), (102, 2)]))
add("valley", at([(100, 4), (101, 1), (102, 1), (103, 4)]))
add("ends left out", at([(0, 1000), (40, 10), (60, 10), (255, 500)]))
add("flat", np.full(256, 3))
add("flat, one each", np.ones(256))
for step in (2, 4, 7, 17, 64):
    comb = np.zeros(256, dtype=np.int64)
    comb[::step] = rng.integers(1, 300, len(comb[::step]))
    add(f"comb every {step}", comb)
    comb[::step] = 100
    add(f"even comb every {step}", comb)
falling = np.array([(100 - k) ** 2 if k < 100 else 0 for k in range(256)])
add("one peak falling to the right", falling)
add("one peak falling to the left", falling[::-1])
# Histograms past 32-bit sums: a full-resolution scan gives hundreds of millions of blocks, and
# a flat picture one huge bin. Each is a small histogram times a power of two m, so that where
# ImageJ's 32-bit sums overflow on it (IsoData, Huang, MinError), its answer on the small one
# stands for the exact one: scaled by a power of two, every sum and share rounds alike.
def small(k):
    while True:
        c = of_values(gaussians(k))
        c = np.floor(c * (rng.uniform(1000, 6000) / c.sum())).astype(np.int64)
        if (c > 0).sum() >= 2:
            return c
for i in range(10):
    c = small(2)
    c[int(rng.integers(0, 256))] += int(rng.integers(8000, 15000))
    add(f"one huge bin {i}", c, int(rng.choice([2**3, 2**10, 2**13])))
for i in range(14):
    add(f"counts in the millions {i}", small(int(rng.integers(1, 4))),
        int(rng.choice([2**10, 2**13, 2**16])))
add("millions, flat", np.full(256, 20), 2**18)
# Small multiples, within 32 bits: the same answers as on the small histograms show that the
# methods do not depend on the scale of the counts.
for i in range(10):
    add(f"three times {i}", small(2), 3)

for name, counts, m in rows:
    print(f"{name}\t{m}\t" + " ".join(str(int(n)) for n in counts))
print(len(rows), "histograms", file=sys.stderr)
EOF

# AutoThresholder on each, its log taken apart from its answer: Intermodes and Minimum log that
# they found no threshold and answer 0, which is no threshold.
cat >"$work/Oracle.java" <<'EOF'
import ij.process.AutoThresholder;
import java.io.*;
import java.nio.charset.StandardCharsets;

public class Oracle {
    public static void main(String[] args) throws Exception {
        BufferedReader in = new BufferedReader(new InputStreamReader(System.in, StandardCharsets.UTF_8));
        PrintStream out = new PrintStream(new FileOutputStream(FileDescriptor.out), true, "UTF-8");
        String[] ours = {"Default", "Huang", "Intermodes", "IsoData", "Li", "MaxEntropy", "Mean",
            "MinError", "Minimum", "Moments", "Otsu", "Percentile", "RenyiEntropy", "Shanbhag",
            "Triangle", "Yen"};
        AutoThresholder.Method[] methods = new AutoThresholder.Method[ours.length];
        for (int i = 0; i < ours.length; ++i) methods[i] = AutoThresholder.Method.valueOf(ours[i]);
        out.println("# ImageJ " + ij.IJ.getFullVersion() + ": AutoThresholder.getThreshold(Method, int[]) on"
                + " each histogram, by scripts/make-threshold-oracle.sh " + args[0] + ".");
        out.println("# none: one occupied value or fewer, or ImageJ logs that it found no threshold or fails.");
        StringBuilder header = new StringBuilder("name\tcounts");
        for (AutoThresholder.Method m : methods) header.append('\t').append(m.name());
        out.println(header);
        for (String line; (line = in.readLine()) != null;) {
            String[] cut = line.split("\t");
            int multiple = Integer.parseInt(cut[1]);
            String[] words = cut[2].split(" ");
            int[] small = new int[256], counts = new int[256];
            int occupied = 0;
            StringBuilder written = new StringBuilder();
            for (int k = 0; k < 256; ++k) {
                small[k] = Integer.parseInt(words[k]);
                counts[k] = small[k] * multiple;
                if (counts[k] > 0) ++occupied;
                written.append(k == 0 ? "" : " ").append(counts[k]);
            }
            StringBuilder row = new StringBuilder(cut[0]).append('\t').append(written);
            for (AutoThresholder.Method m : methods) {
                String raw = answer(m, counts, occupied, cut[0], out);
                // Triangle weighs counts against bins, and the smoothing of Intermodes and Minimum
                // rounds differently at another scale: those three answer on the counts as they are.
                boolean scaled = m == AutoThresholder.Method.Triangle
                    || m == AutoThresholder.Method.Intermodes || m == AutoThresholder.Method.Minimum;
                String exact = multiple == 1 || scaled ? raw : answer(m, small, occupied, cut[0], out);
                if (!raw.equals(exact))
                    System.err.println(m.name() + " on " + cut[0] + ": " + raw + " where exact sums give " + exact);
                row.append('\t').append(exact);
            }
            out.println(row);
        }
    }

    static String answer(AutoThresholder.Method m, int[] counts, int occupied, String name, PrintStream out)
            throws Exception {
                ByteArrayOutputStream said = new ByteArrayOutputStream();
                System.setOut(new PrintStream(said, true, "UTF-8"));
                int t = 0;
                boolean failed = false;
                try {
                    t = new AutoThresholder().getThreshold(m, counts.clone());
                } catch (RuntimeException e) {
                    failed = true; // an index out of bounds: ImageJ answers nothing at all
                    System.err.println(m.name() + " on " + name + ": " + e);
                }
                System.setOut(out);
                boolean found = occupied >= 2 && !failed
                    && !said.toString("UTF-8").toLowerCase().contains("not found");
                return found ? Integer.toString(t) : "none";
    }
}
EOF
javac -nowarn -cp /usr/share/java/ij.jar -d "$work" "$work/Oracle.java"
mkdir -p tests/data/thresholds
java -Djava.awt.headless=true -cp "/usr/share/java/ij.jar:$work" Oracle "$seed" \
    <"$work/histograms.txt" >tests/data/thresholds/imagej.tsv
wc -l tests/data/thresholds/imagej.tsv
