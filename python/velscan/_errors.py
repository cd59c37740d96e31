"""Codes of the C interface as exceptions."""

import numbers
import os

from ._library import ERR_BUFFER_TOO_SMALL, OK, lib


class Error(Exception):
    """A velscan call failed: .code (negative), .text (what the code means),
    .detail (what exactly failed, e.g. the step and the value)."""

    def __init__(self, code, text, detail=""):
        self.code = code
        self.text = text
        self.detail = detail
        super().__init__(f"{text} ({code})" + (f": {detail}" if detail else ""))


Error.__module__ = "velscan"


def check(code):
    """Raises Error for a failure code; returns None on success."""
    if code != OK:
        detail = lib.velscan_last_error_message().decode("utf-8", "replace")
        raise Error(code, lib.velscan_strerror(code).decode("utf-8", "replace"), detail)


def encode_text(value, what, allow_none=False):
    """A str argument as bytes for C; TypeError for anything else."""
    if value is None and allow_none:
        return None
    if not isinstance(value, str):
        raise TypeError(f"{what} must be a str" + (" or None" if allow_none else "") +
                        f", not {type(value).__name__}")
    if "\0" in value:
        raise ValueError(f"{what} must not contain NUL characters")
    return value.encode("utf-8")


def encode_path(path):
    """A str or path-like file name as bytes for C."""
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise TypeError(f"path must be a str or path-like object, not {type(path).__name__}")
    path = os.fsencode(path)
    if b"\0" in path:
        raise ValueError("path must not contain NUL characters")
    return path


def checked_int(value, what, low, high):
    """An integer argument within low..high; TypeError or ValueError otherwise."""
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    if not low <= value <= high:
        raise ValueError(f"{what} must be between {low} and {high}, not {value}")
    return int(value)


def read_text(function, *arguments):
    """Calls a text-out function of the C interface: asks for the size, then
    fetches (again, should the text have grown in between)."""
    import ctypes

    needed = ctypes.c_size_t(0)
    code = function(*arguments, None, 0, ctypes.byref(needed))
    while code == ERR_BUFFER_TOO_SMALL:
        buffer = ctypes.create_string_buffer(needed.value)
        code = function(*arguments, buffer, len(buffer), ctypes.byref(needed))
        if code == OK:
            return buffer.value.decode("utf-8", "replace")
    check(code)
    return ""  # only a success on the size query itself, which the C side never gives
