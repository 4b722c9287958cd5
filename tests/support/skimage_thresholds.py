#!/usr/bin/python3
# scikit-image's automatic thresholds, for the histograms read as JSON on standard input (a list
# of 256-count lists): for each, an object from method name to threshold t (the band is
# values > t, so t is scikit-image's threshold rounded down), or null where it has none.
import json
import math
import sys
import warnings

import numpy as np
from skimage import filters

warnings.filterwarnings("ignore")
METHODS = {
    "IsoData": filters.threshold_isodata,
    "Li": filters.threshold_li,
    "Mean": filters.threshold_mean,
    "Minimum": filters.threshold_minimum,
    "Otsu": filters.threshold_otsu,
    "Triangle": filters.threshold_triangle,
    "Yen": filters.threshold_yen,
}
answers = []
for counts in json.load(sys.stdin):
    # An image whose values are the histogram's samples.
    image = np.repeat(np.arange(256), counts).astype(np.uint8)
    row = {}
    for name, method in METHODS.items():
        try:
            row[name] = math.floor(float(method(image)))
        except Exception:
            row[name] = None
    answers.append(row)
json.dump(answers, sys.stdout)
