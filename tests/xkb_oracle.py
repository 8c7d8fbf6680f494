"""What libxkbcommon itself says a layout's keys type, read through ctypes:
the tests' own account of a keyboard, apart from the code under test."""
import ctypes
import ctypes.util


class _RuleNames(ctypes.Structure):
    _fields_ = [(field, ctypes.c_char_p) for field in ("rules", "model", "layout", "variant", "options")]


def _library():
    lib = ctypes.CDLL(ctypes.util.find_library("xkbcommon") or "libxkbcommon.so.0")
    lib.xkb_context_new.restype = ctypes.c_void_p
    lib.xkb_context_new.argtypes = [ctypes.c_int]
    lib.xkb_keymap_new_from_names.restype = ctypes.c_void_p
    lib.xkb_keymap_new_from_names.argtypes = [ctypes.c_void_p, ctypes.POINTER(_RuleNames), ctypes.c_int]
    lib.xkb_keymap_unref.argtypes = [ctypes.c_void_p]
    lib.xkb_keymap_key_by_name.restype = ctypes.c_uint32
    lib.xkb_keymap_key_by_name.argtypes = [ctypes.c_void_p, ctypes.c_char_p]
    lib.xkb_keymap_key_get_syms_by_level.argtypes = [ctypes.c_void_p, ctypes.c_uint32, ctypes.c_uint32,
                                                     ctypes.c_uint32, ctypes.POINTER(ctypes.POINTER(ctypes.c_uint32))]
    lib.xkb_keysym_to_utf32.restype = ctypes.c_uint32
    lib.xkb_keysym_to_utf32.argtypes = [ctypes.c_uint32]
    return lib


_lib = None
_context = None


def characters(layout, variant, key_names, count=2):
    """{key name: the characters of that key ("AD01") at its first `count`
    levels}, None for a level without one or with a dead key."""
    global _lib, _context
    if _lib is None:
        _lib = _library()
        _context = _lib.xkb_context_new(0)
    names = _RuleNames(b"evdev", b"pc105", layout.encode(), variant.encode(), b"")
    keymap = _lib.xkb_keymap_new_from_names(_context, ctypes.byref(names), 0)
    assert keymap, "libxkbcommon cannot compile %s(%s)" % (layout, variant)
    try:
        return {name: [_character(keymap, _lib.xkb_keymap_key_by_name(keymap, name.encode()), level)
                       for level in range(count)] for name in key_names}
    finally:
        _lib.xkb_keymap_unref(keymap)


def _character(keymap, code, level):
    syms = ctypes.POINTER(ctypes.c_uint32)()
    count = _lib.xkb_keymap_key_get_syms_by_level(keymap, code, 0, level, ctypes.byref(syms))
    char = _lib.xkb_keysym_to_utf32(syms[0]) if count == 1 else 0
    return chr(char) if char >= 0x20 and not 0x7f <= char < 0xa0 else None
