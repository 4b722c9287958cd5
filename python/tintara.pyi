"""Tintara's scan: numpy arrays in, red, green and blue block planes out, and the
files `tintara --batch` writes."""

import os
from typing import Literal, Mapping, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

__version__: str
METHODS: Tuple[str, ...]
LOCAL_METHODS: Tuple[str, ...]

Channel = Literal["red", "green", "blue"]
Type = Literal["media", "massimo", "minimo", "massimo-minimo", "nessuno"]
Band = Tuple[int, int]
Rate = Union[int, Tuple[int, int]]
Path = Union[str, bytes, os.PathLike]
Image = npt.NDArray[np.uint8]

class PictureError(OSError):
    """A picture that cannot be loaded, with the reason the window gives."""

class RecipeError(ValueError):
    """A recipe that cannot be used: damaged, of another program or of a newer format."""

class Preview:
    """Where an array from load() came from: that array's base."""
    @property
    def path(self) -> str: ...
    @property
    def picture_size(self) -> Tuple[int, int]: ...
    @property
    def size(self) -> int: ...

class Planes:
    """What a scan or a reduction made of an image."""
    @property
    def red(self) -> Optional[Image]: ...
    @property
    def green(self) -> Optional[Image]: ...
    @property
    def blue(self) -> Optional[Image]: ...
    @property
    def reduced(self) -> Optional[Image]: ...
    @property
    def bands(self) -> Optional[dict[str, Band]]: ...
    @property
    def automatic(self) -> dict[str, dict[str, Optional[Union[str, int]]]]: ...
    @property
    def local(self) -> dict[str, dict[str, object]]: ...
    @property
    def measurements(self) -> dict[str, Union[str, int, float, None]]: ...
    @property
    def recipe(self) -> dict[str, str]: ...
    def save(
        self, folder: Path, *, zoom: Optional[Channel] = None, stem: Optional[Path] = None
    ) -> list[str]: ...

class Recipe:
    """The settings that make planes, as recipe files and saved planes hold them."""
    def __init__(
        self,
        *,
        size: int = 500,
        rate: Rate = 3,
        type: Type = "media",
        threshold: Union[None, bool, Band, Mapping[str, Band]] = None,
        auto: Union[None, str, Mapping[str, Optional[str]]] = None,
        overlap: bool = False,
        reduction: bool = False,
        local: Union[None, str, Mapping[str, Optional[str]]] = None,
        radius: int = 15,
        params: Tuple[float, float] = (0, 0),
        white: bool = True,
    ) -> None: ...
    @staticmethod
    def load(path: Path) -> Recipe: ...
    def run(self, path_or_image: Union[Path, Image]) -> Planes: ...
    @property
    def entries(self) -> dict[str, str]: ...
    @property
    def arguments(self) -> list[str]: ...
    @property
    def size(self) -> int: ...
    @property
    def rate(self) -> Tuple[int, int]: ...
    @property
    def type(self) -> str: ...
    @property
    def threshold(self) -> Optional[dict[str, Band]]: ...
    @property
    def auto(self) -> dict[str, str]: ...
    @property
    def overlap(self) -> bool: ...
    @property
    def local(self) -> dict[str, dict[str, object]]: ...
    @property
    def reduction(self) -> bool: ...

def load(path: Path, size: int = 500) -> Image:
    """The picture as the window shows it, fitted into a square of `size`."""

def scan(
    image: Image,
    rate: Rate = 3,
    type: Type = "media",
    threshold: Union[None, bool, Band, Mapping[str, Band]] = None,
    auto: Union[None, str, Mapping[str, Optional[str]]] = None,
    overlap: bool = False,
    local: Union[None, str, Mapping[str, Optional[str]]] = None,
    radius: int = 15,
    params: Tuple[float, float] = (0, 0),
    white: bool = True,
) -> Planes:
    """Splits an image block by block into red, green and blue planes."""

def reduce(image: Image, rate: int = 3) -> Planes:
    """The pixel reduction: one pixel every `rate` pixels both ways."""

def threshold(
    values_or_histogram: Union[Image, npt.ArrayLike], method: str
) -> Optional[int]:
    """An automatic method's threshold of values or of 256 counts."""
