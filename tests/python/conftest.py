import os
import subprocess

import pytest

# ImageMagick's own convert: another one may come first on PATH.
CONVERT = "/usr/bin/convert" if os.path.exists("/usr/bin/convert") else "convert"

# The pictures the byte-for-byte rows are made of, made with ImageMagick at test time.
PICTURES = {
    "opaque.png": ["-seed", "1", "-size", "640x480", "plasma:"],
    "transparent.png": ["-seed", "2", "-size", "300x400", "plasma:", "(", "-size", "300x400",
                        "gradient:", ")", "-alpha", "off", "-compose", "copy_opacity",
                        "-composite"],
    "palette.png": ["-seed", "3", "-size", "123x77", "plasma:", "-colors", "16"],
    "grey.png": ["-seed", "4", "-size", "90x200", "plasma:", "-colorspace", "gray"],
    "thin.png": ["-size", "1x333", "gradient:"],
    "flat.png": ["-size", "50x50", "xc:#808040"],
    "rose.jpg": ["rose:", "-resize", "400x300"],
}


@pytest.fixture(scope="session")
def pictures(tmp_path_factory):
    folder = tmp_path_factory.mktemp("pictures")
    for name, recipe in PICTURES.items():
        target = ("PNG8:" if name == "palette.png" else "") + str(folder / name)
        subprocess.run([CONVERT, *recipe, target], check=True)
    return folder


@pytest.fixture(scope="session")
def program():
    return os.environ["TINTARA"]
