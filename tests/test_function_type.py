"""The module's functions look and behave like functions written in Python."""
import abc
import copy
import gc
import inspect
import pickle
import pydoc
import weakref

import pytest

import nuv_touch
from nuv_touch import DigitKeypad


def python_twin(function):
    """A Python function with the same qualname, parameters and defaults."""
    code = function.__code__
    names = code.co_varnames[:code.co_argcount]
    namespace = {}
    exec("def twin(%s): pass" % ", ".join(names), namespace)
    twin = namespace["twin"]
    twin.__defaults__ = function.__defaults__
    twin.__qualname__ = function.__qualname__
    return twin


def message_of(call, *args, **kwargs):
    with pytest.raises(TypeError) as caught:
        call(*args, **kwargs)
    return str(caught.value)


BAD_CALLS = [
    ((), {}),
    ((None,), {}),
    ((1, 2, 3, 4, 5, 6, 7, 8, 9), {}),
    ((1, 2), {"mode": 0}),
    ((1, 2, 3), {"nonsense": 1}),
    ((), {"self": 1, "parent": 2, "spurious": 3}),
    ((1,), {"parent": 2, "minimum": 1, "maximum": 2}),
    ((), {1: 2}),
]


@pytest.mark.parametrize("function", [DigitKeypad.__init__, DigitKeypad.OnDigit, DigitKeypad.get_value,
                                      nuv_touch.input_integer, nuv_touch.input_float])
@pytest.mark.parametrize("args, kwargs", BAD_CALLS)
def test_binding_errors_read_as_the_interpreters_own(function, args, kwargs):
    twin = python_twin(function)
    try:
        twin(*args, **kwargs)
    except TypeError as expected:
        assert message_of(lambda: function(*args, **kwargs)) == str(expected)


def test_descriptor_binds_like_a_function():
    assert DigitKeypad.GetValue is DigitKeypad.get_value
    assert DigitKeypad.SetValue is DigitKeypad.set_value
    assert DigitKeypad.__dict__["get_value"] is DigitKeypad.get_value

    class Plain:
        method = DigitKeypad.get_value

    bound = Plain().method
    assert inspect.ismethod(bound) and bound.__func__ is DigitKeypad.get_value
    assert Plain.method is DigitKeypad.get_value


def test_function_attributes():
    init = DigitKeypad.__init__
    assert init.__name__ == "__init__"
    assert init.__qualname__ == "DigitKeypad.__init__"
    assert init.__module__ == "nuv_touch"
    assert init.__doc__ is None
    assert init.__kwdefaults__ is None
    assert init.__defaults__ == (float("-inf"), float("inf"), None, 20, None)
    assert init.__annotations__ == {"message": "str"}
    assert init.__globals__ is vars(nuv_touch)
    assert list(nuv_touch.input_integer.__annotations__.items()) == [
        ("parent", "wx.WindowBase"), ("message", "str"), ("return", "_Optional[int]")]
    assert repr(init).startswith("<function DigitKeypad.__init__ at 0x")
    assert DigitKeypad.out_of_range.__annotations__ == {"return": "bool"}


def test_signature_reports_every_parameter():
    signature = inspect.signature(DigitKeypad.__init__)
    assert [(p.name, p.kind, p.default) for p in signature.parameters.values()] == [
        ("self", inspect.Parameter.POSITIONAL_OR_KEYWORD, inspect.Parameter.empty),
        ("parent", inspect.Parameter.POSITIONAL_OR_KEYWORD, inspect.Parameter.empty),
        ("mode", inspect.Parameter.POSITIONAL_OR_KEYWORD, inspect.Parameter.empty),
        ("minimum", inspect.Parameter.POSITIONAL_OR_KEYWORD, float("-inf")),
        ("maximum", inspect.Parameter.POSITIONAL_OR_KEYWORD, float("inf")),
        ("message", inspect.Parameter.POSITIONAL_OR_KEYWORD, None),
        ("font_size", inspect.Parameter.POSITIONAL_OR_KEYWORD, 20),
        ("show_size", inspect.Parameter.POSITIONAL_OR_KEYWORD, None),
    ]
    assert signature.parameters["message"].annotation == "str"
    assert str(inspect.signature(nuv_touch.input_float)) == (
        "(parent: 'wx.WindowBase', minimum=-inf, maximum=inf, message: 'str' = None) -> '_Optional[float]'")
    assert DigitKeypad.__init__.__code__.co_qualname == "DigitKeypad.__init__"
    assert "show_size=None" in pydoc.render_doc(DigitKeypad)


def test_writable_dict_lets_abstractmethod_mark_it():
    function = DigitKeypad.get_value
    try:
        assert abc.abstractmethod(function) is function
        assert function.__isabstractmethod__ is True
    finally:
        del function.__isabstractmethod__
    assert not hasattr(function, "__isabstractmethod__")


def test_names_are_strings_and_defaults_fixed():
    function = DigitKeypad.OnDot
    with pytest.raises(TypeError):
        function.__name__ = 5
    with pytest.raises(AttributeError):
        function.__defaults__ = ()
    with pytest.raises(TypeError):
        type(function)()


def test_weak_references_and_collection():
    function = DigitKeypad.OnDot
    ref = weakref.ref(function)
    assert ref() is function
    assert vars(nuv_touch) in gc.get_referents(function)


@pytest.mark.parametrize("value", [5, b"bytes", 2.5, type("Text", (str,), {})("x")])
def test_message_must_be_exactly_str_or_none(value):
    expected = "Argument 'message' has incorrect type (expected str, got %s)" % type(value).__name__
    assert message_of(nuv_touch.input_integer, None, message=value) == expected
    assert message_of(nuv_touch.DigitKeypad, None, 0, message=value) == expected


def test_copied_and_pickled_by_reference_as_python_functions():
    table = {"prompt": nuv_touch.input_integer, "method": DigitKeypad.GetValue}
    copied = copy.deepcopy(table)
    assert all(copied[k] is table[k] for k in table)
    assert all(pickle.loads(pickle.dumps(f)) is f for f in table.values())
    assert type(nuv_touch.input_integer).__module__ == "nuv_touch"
