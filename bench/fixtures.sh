# The benchmarks' fixture trees under $fixtures, built once (about 1.2 GiB, gitignored):
# a 1 GiB file, 20,000 small files in 200 folders, 100,000 empty files in 100 folders.
# Sourced by the benchmark scripts, which set $fixtures first.

make_fixtures() {
    mkdir -p "$fixtures"
    if [ ! -f "$fixtures/big.done" ]; then
        echo "fixtures: one 1 GiB file"
        rm -rf "$fixtures/big" && mkdir -p "$fixtures/big"
        head -c 1073741824 /dev/urandom >"$fixtures/big/game.pak"
        touch "$fixtures/big.done"
    fi
    if [ ! -f "$fixtures/small.done" ]; then
        echo "fixtures: 20,000 small files in 200 folders"
        rm -rf "$fixtures/small"
        python3 - "$fixtures/small" <<'PY'
import os, random, sys
random.seed(7)
root = sys.argv[1]
for d in range(200):
    folder = os.path.join(root, f"folder{d:03}")
    os.makedirs(folder)
    for f in range(100):
        with open(os.path.join(folder, f"file{f:03}.dat"), "wb") as out:
            out.write(os.urandom(random.randint(512, 8192)))
PY
        touch "$fixtures/small.done"
    fi
    if [ ! -f "$fixtures/empty.done" ]; then
        echo "fixtures: 100,000 empty files in 100 folders"
        rm -rf "$fixtures/empty"
        python3 - "$fixtures/empty" <<'PY'
import os, sys
root = sys.argv[1]
for d in range(100):
    folder = os.path.join(root, f"folder{d:03}")
    os.makedirs(folder)
    for f in range(1000):
        open(os.path.join(folder, f"empty{f:04}"), "wb").close()
PY
        touch "$fixtures/empty.done"
    fi
}
