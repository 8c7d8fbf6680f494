"""What the module shows to Python: its names in binding order, the classes
with bases, metaclasses and docstrings, and every signature, default and
annotation, against the live module; and what the engines' module shows."""

import inspect

import pytest

import nuv_engines
import nuv_touch

# Where the imported names come from is checked with the module frame.
BINDINGS = [
    "wx", "_grid", "AlphaKeypadUI", "DigitKeypadUI", "_DigitPasswordKeypad", "window_fit_layout",
    "_abstractmethod", "_ABC", "_Optional", "KEYPAD_MODE_INT", "KEYPAD_MODE_FLOAT",
    "DigitKeypad", "DigitPasswordKeypad", "_CtrlWrapperBase", "_CtrlWrapper", "_GridWrapper",
    "DigitKeypadProxy", "AlphaKeypad", "AlphaKeypadProxy",
    "input_text", "input_password", "input_digit_password", "input_integer", "input_float",
]


# Members of a class, in the order its body defines them. A signature is the
# text inspect gives for it: annotations are source texts, so they show quoted.
def method(signature):
    return ("method", signature)


def abstract(signature):
    return ("abstract", signature)


def static(signature):
    return ("static", signature)


def prop(getter, setter):
    return ("property", getter, setter)


def alias(of):
    return ("alias", of)


EVENT = method("(self, event)")

CLASSES = [
    ("DigitKeypad", "DigitKeypadUI", None, [
        ("__init__", method("(self, parent, mode, minimum=-inf, maximum=inf, message: 'str' = None, "
                            "font_size=20, show_size=None)")),
        ("out_of_range", method("(self, value) -> 'bool'")),
        ("OnDigit", EVENT), ("OnClearAll", EVENT), ("OnDot", EVENT), ("OnNegative", EVENT),
        ("OnPositive", EVENT),
        ("get_value", method("(self)")),
        ("set_value", method("(self, value)")),
        ("on_enter", EVENT),
        ("GetValue", alias("get_value")),
        ("SetValue", alias("set_value")),
    ]),
    ("DigitPasswordKeypad", "_DigitPasswordKeypad", None, [
        ("__init__", method("(self, parent, message: '_Optional[str]' = None, font_size: 'int' = 20, "
                            "show_size: 'int' = None)")),
        ("on_digit", method("(self, event: 'wx.Event')")),
        ("on_clear", EVENT), ("on_confirm", EVENT),
        ("get_value", method("(self) -> 'str'")),
    ]),
    ("_CtrlWrapperBase", "_ABC", None, [
        ("__init__", method("(self, ctrl)")),
        ("get_string", abstract("(self)")),
        ("set_string", abstract("(self, value)")),
        ("get_parent", method("(self)")),
    ]),
    ("_CtrlWrapper", "_CtrlWrapperBase", "\n\tTextCtrl、StaticText 等控件的封装类。\n\t", [
        ("__init__", method("(self, ctrl)")),
        ("get_string", method("(self)")),
        ("set_string", method("(self, value)")),
    ]),
    ("_GridWrapper", "_CtrlWrapperBase", None, [
        ("__init__", method("(self, ctrl)")),
        ("row", prop("(self)", "(self, value: 'int')")),
        ("column", prop("(self)", "(self, value: 'int')")),
        ("get_string", method("(self)")),
        ("set_string", method("(self, value)")),
    ]),
    ("DigitKeypadProxy", None, None, [
        ("__init__", method("(self, ctrl, mode=0, minimum=-inf, maximum=inf, event=None, font_size=20)")),
        ("minimum", prop("(self) -> 'float'", "(self, value: 'float')")),
        ("maximum", prop("(self) -> 'float'", "(self, value: 'float')")),
        ("event_handler", EVENT),
        ("get_value", method("(self)")),
        ("set_value", method("(self, value)")),
    ]),
    ("AlphaKeypad", "AlphaKeypadUI", None, [
        ("__init__", method("(self, parent, widget=None, password_mode=None, message: 'str' = '')")),
        ("_AlphaKeypad__change_color", static("(button: 'wx.Button', value)")),
        ("on_clear", EVENT),
        ("out_", method("(self, put)")),
        ("_AlphaKeypad__on_shift", method("(self, on: 'bool')")),
        ("on_shift", EVENT),
        ("_AlphaKeypad__on_caps", method("(self, on: 'bool')")),
        ("on_caps_on", EVENT), ("on_caps_off", EVENT), ("on_character", EVENT), ("on_backspace", EVENT),
        ("set_value", method("(self, value)")),
        ("get_value", method("(self)")),
    ]),
    ("AlphaKeypadProxy", None, None, [
        ("__init__", method("(self, ctrl, password_mode=None, event=None)")),
        ("event_handler", EVENT),
        ("get_value", method("(self)")),
        ("set_value", method("(self, value)")),
    ]),
]

FUNCTIONS = [
    ("input_text", "(parent: 'wx.WindowBase', password_mode: 'bool' = False, message: 'str' = '')"),
    ("input_password", "(parent: 'wx.WindowBase', message: 'str' = '')"),
    ("input_digit_password", "(parent: 'wx.WindowBase', message: '_Optional[str]' = None) -> '_Optional[str]'"),
    ("input_integer", "(parent: 'wx.WindowBase', minimum=-inf, maximum=inf, message: 'str' = None) "
                      "-> '_Optional[int]'"),
    ("input_float", "(parent: 'wx.WindowBase', minimum=-inf, maximum=inf, message: 'str' = None) "
                    "-> '_Optional[float]'"),
]

# What a class statement and the metaclasses put into a class namespace.
IMPLICIT = {"__module__", "__qualname__", "__doc__", "__dict__", "__weakref__", "__abstractmethods__",
            "_abc_impl"}


def public_names(namespace):
    return [n for n in namespace if not (n.startswith("__") and n.endswith("__"))]


def test_module_binds_its_names_in_order():
    assert public_names(vars(nuv_touch)) == BINDINGS


def test_classes_and_functions_are_created_in_order():
    made = [n for n in public_names(vars(nuv_touch)) if isinstance(getattr(nuv_touch, n), type)
            and getattr(nuv_touch, n).__module__ == "nuv_touch"]
    assert made == [name for name, *_ in CLASSES]
    assert nuv_touch._CtrlWrapperBase.__subclasses__() == [nuv_touch._CtrlWrapper, nuv_touch._GridWrapper]
    functions = [n for n in public_names(vars(nuv_touch)) if n.startswith("input_")]
    assert functions == [name for name, _ in FUNCTIONS]


def check_function(function, name, qualname, signature):
    assert type(function).__name__ != "builtin_function_or_method"
    assert (function.__name__, function.__qualname__, function.__module__, function.__doc__) == (
        name, qualname, "nuv_touch", None)
    assert str(inspect.signature(function)) == signature, qualname
    parameters = inspect.signature(function).parameters.values()
    assert {p.kind for p in parameters} <= {inspect.Parameter.POSITIONAL_OR_KEYWORD}
    assert all(type(text) is str for text in function.__annotations__.values())


@pytest.mark.parametrize("name, signature", FUNCTIONS, ids=[f[0] for f in FUNCTIONS])
def test_function_signature(name, signature):
    check_function(getattr(nuv_touch, name), name, name, signature)


@pytest.mark.parametrize("name, base, doc, members", CLASSES, ids=[c[0] for c in CLASSES])
def test_class_surface(name, base, doc, members):
    cls = getattr(nuv_touch, name)
    base_cls = object if base is None else getattr(nuv_touch, base)
    assert cls.__bases__ == (base_cls,)
    assert type(cls) is type(base_cls)
    assert (cls.__name__, cls.__qualname__, cls.__module__, cls.__doc__) == (name, name, "nuv_touch", doc)
    assert [n for n in vars(cls) if n not in IMPLICIT] == [member for member, _ in members]

    for member, (kind, *detail) in members:
        value = vars(cls)[member]
        plain = "__" + member.split("__", 1)[1] if member.startswith("_%s__" % name) else member
        qualname = "%s.%s" % (name, plain)
        if kind == "alias":
            assert value is vars(cls)[detail[0]], member
        elif kind == "static":
            assert type(value) is staticmethod, member
            check_function(value.__func__, plain, qualname, detail[0])
        elif kind == "property":
            assert type(value) is property, member
            check_function(value.fget, plain, qualname, detail[0])
            check_function(value.fset, plain, qualname, detail[1])
        else:
            check_function(value, plain, qualname, detail[0])
            assert getattr(value, "__isabstractmethod__", False) == (kind == "abstract"), member


# The engines' module is plain pybind11: its names and methods, not the
# keypads' Python-like function objects.
PROTOCOL = ["__init__", "type_key", "erase", "preedit", "candidate_count", "candidates", "choose", "commit",
            "reset", "empty"]
ENGINES = {
    "_pinyin_dictionaries": None,
    "Composition": PROTOCOL + ["type_letter", "erase_letter", "clear", "letters", "spelling", "_letters"],
    "xkb_keymap": None, "xkb_compose": None, "xkb_data_root": None, "XKB_STATES": None,
    "_hangul_library": None,
    "HangulComposition": PROTOCOL,
    "_chewing_library": None,
    "_chewing_data": None,
    "ZhuyinComposition": PROTOCOL,
    "_anthy_library": None,
    "_anthy_dictionary": None,
    "KanaComposition": PROTOCOL,
    "_m17n_library": None,
    "_cangjie_method": None,
    "CangjieComposition": PROTOCOL,
}


def test_engines_module_binds_its_names_in_order():
    assert public_names(vars(nuv_engines)) == list(ENGINES)
    for name, members in ENGINES.items():
        if members is None:
            continue
        composer = getattr(nuv_engines, name)
        # pybind11 2.13 gives every class a `_pybind11_conduit_v1_` of its own.
        own = [n for n in vars(composer)
               if (n == "__init__" or not n.startswith("__")) and not n.startswith("_pybind11")]
        assert own == members, name
        assert composer.__module__ == "nuv_engines"
    composition = nuv_engines.Composition
    assert (composition.__module__, composition.__doc__) == ("nuv_engines", (
        "Pinyin being composed: the letters typed, their candidates, best first, and the choice of one.\n\n"
        "The pinyin engine opens at the first composition (FileNotFoundError without its dictionary). "
        "Choosing a candidate returns its text and keeps the letters it leaves, with candidates of their own."))
    assert all(type(place) is str for place in nuv_engines._pinyin_dictionaries)
