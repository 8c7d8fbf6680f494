"""The type stubs touch/nuv_touch.pyi describe the module as it is built:
stubtest checks them against the live module, and the stub, inspect.signature
and help() show the same names, parameters, defaults and annotations.
stubtest checks engines/nuv_engines.pyi too (pybind11's methods have no
signature for inspect to read)."""
import ast
import inspect
import math
import os
import pydoc
import re
import subprocess
import sys

import pytest

import nuv_touch
from conftest import BUILD_DIR, LAYOUTS_DIR, ROOT, scaled

STUB = ROOT / "touch" / "nuv_touch.pyi"
ENGINES_STUB = ROOT / "engines" / "nuv_engines.pyi"
STUBTEST = ROOT / "tests" / "stubtest"

# What every class has, besides what its definition lists.
CLASS_MACHINERY = {"__module__", "__qualname__", "__doc__", "__dict__", "__weakref__",
                   "__abstractmethods__", "_abc_impl"}


def test_stubtest_finds_no_difference(tmp_path):
    env = dict(os.environ, MYPYPATH=os.pathsep.join([str(STUB.parent), str(ENGINES_STUB.parent)]),
               PYTHONPATH=os.pathsep.join([str(BUILD_DIR), str(LAYOUTS_DIR)]))
    done = subprocess.run(
        [sys.executable, "-m", "mypy.stubtest", "--mypy-config-file", str(STUBTEST / "mypy.ini"),
         "--allowlist", str(STUBTEST / "allowlist.txt"), "nuv_touch", "nuv_engines"],
        env=env, cwd=tmp_path, capture_output=True, text=True, timeout=scaled(300))
    assert done.returncode == 0, done.stdout + done.stderr


# --- the stub, read as data ---------------------------------------------------

def read_stub():
    """{class name: {member: (kind, node or alias target[, setter node])}} and
    {function name: node}."""
    tree = ast.parse(STUB.read_text(encoding="utf-8"))
    classes, functions = {}, {}
    for node in tree.body:
        if isinstance(node, ast.FunctionDef):
            functions[node.name] = node
        elif isinstance(node, ast.ClassDef):
            members = classes[node.name] = {}
            for item in node.body:
                if isinstance(item, ast.FunctionDef):
                    decorators = [ast.unparse(d) for d in item.decorator_list]
                    if decorators == ["property"]:
                        members[item.name] = ("property", item, None)
                    elif decorators == [f"{item.name}.setter"]:
                        members[item.name] = ("property", members[item.name][1], item)
                    elif decorators == ["staticmethod"]:
                        members[item.name] = ("static", item)
                    elif decorators == ["_abstractmethod"]:
                        members[item.name] = ("abstract", item)
                    else:
                        assert not decorators, (node.name, item.name, decorators)
                        members[item.name] = ("method", item)
                elif isinstance(item, ast.Assign):
                    (target,) = item.targets
                    members[target.id] = ("alias", item.value.id)
    return classes, functions


STUB_CLASSES, STUB_FUNCTIONS = read_stub()

RUNTIME_CLASSES = {name: value for name, value in vars(nuv_touch).items()
                   if isinstance(value, type) and value.__module__ == "nuv_touch"}
RUNTIME_FUNCTIONS = {name: value for name, value in vars(nuv_touch).items()
                     if callable(value) and not isinstance(value, type)
                     and getattr(value, "__module__", None) == "nuv_touch"}


def runtime_kind(cls, name):
    value = vars(cls)[name]
    if isinstance(value, property):
        return "property"
    if isinstance(value, staticmethod):
        return "static"
    if getattr(value, "__isabstractmethod__", False):
        return "abstract"
    return "method"


def callables():
    """(label, runtime function, stub node) for every function, method,
    static method and property accessor the stub describes."""
    for name, node in STUB_FUNCTIONS.items():
        yield name, RUNTIME_FUNCTIONS.get(name), node
    for cls_name, members in STUB_CLASSES.items():
        cls = RUNTIME_CLASSES.get(cls_name)
        for name, (kind, *nodes) in members.items():
            label = f"{cls_name}.{name}"
            value = vars(cls).get(name) if cls is not None else None
            if kind == "property":
                yield f"{label} (getter)", getattr(value, "fget", None), nodes[0]
                yield f"{label} (setter)", getattr(value, "fset", None), nodes[1]
            elif kind == "static":
                yield label, getattr(value, "__func__", None), nodes[0]
            elif kind in ("method", "abstract"):
                yield label, value, nodes[0]


CALLABLES = list(callables())


# --- names and kinds -----------------------------------------------------------

def test_stub_lists_exactly_the_classes_and_functions_of_the_module():
    assert set(STUB_CLASSES) == set(RUNTIME_CLASSES)
    assert set(STUB_FUNCTIONS) == set(RUNTIME_FUNCTIONS)


@pytest.mark.parametrize("cls_name", sorted(STUB_CLASSES))
def test_stub_lists_exactly_the_members_of_each_class(cls_name):
    cls = RUNTIME_CLASSES[cls_name]
    members = STUB_CLASSES[cls_name]
    assert set(members) == set(vars(cls)) - CLASS_MACHINERY
    for name, (kind, *rest) in members.items():
        if kind == "alias":
            assert vars(cls)[name] is vars(cls)[rest[0]], name
        else:
            assert runtime_kind(cls, name) == kind, name


# --- signatures ----------------------------------------------------------------

def stub_parameters(node):
    arguments = node.args
    assert not (arguments.posonlyargs or arguments.kwonlyargs or arguments.vararg or arguments.kwarg)
    defaults = [None] * (len(arguments.args) - len(arguments.defaults)) + list(arguments.defaults)
    return [(a.arg, d, ast.unparse(a.annotation) if a.annotation else None)
            for a, d in zip(arguments.args, defaults)]


def default_agrees(stub_default, runtime_default):
    if stub_default is None:
        return runtime_default is inspect.Parameter.empty
    if isinstance(stub_default, ast.Constant) and stub_default.value is Ellipsis:
        # Only what has no literal is left open: the infinite bounds.
        return isinstance(runtime_default, float) and math.isinf(runtime_default)
    value = ast.literal_eval(stub_default)
    return type(value) is type(runtime_default) and value == runtime_default


def annotation_agrees(stub_text, runtime_text, runtime_default):
    """The stub may annotate what the module leaves open, and may add None to
    a documented type where the module takes None; an enforced str or int
    takes None only where its default is None."""
    if runtime_text is None or stub_text == runtime_text:
        return True
    if stub_text == f"_Optional[{runtime_text}]":
        return runtime_text not in ("str", "int") or runtime_default is None
    return False


@pytest.mark.parametrize("label, function, node", CALLABLES, ids=[c[0] for c in CALLABLES])
def test_signature_agrees_with_the_stub(label, function, node):
    assert function is not None, f"{label} is missing from the module"
    signature = inspect.signature(function)
    runtime = list(signature.parameters.values())
    stub = stub_parameters(node)
    assert [p.name for p in runtime] == [s[0] for s in stub]
    annotations = function.__annotations__
    for parameter, (name, default, annotation) in zip(runtime, stub):
        assert parameter.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD, name
        assert default_agrees(default, parameter.default), (name, ast.unparse(default) if default else None,
                                                            parameter.default)
        assert annotation_agrees(annotation, annotations.get(name), parameter.default), (name, annotation,
                                                                                      annotations.get(name))
    if "return" in annotations:
        assert ast.unparse(node.returns) == annotations["return"]


# --- help() ----------------------------------------------------------------------

def help_text(obj):
    """help()'s text, each signature on one line: from 3.13 on, pydoc puts
    each parameter of a long one on a line of its own."""
    text = pydoc.render_doc(obj, renderer=pydoc.plaintext)
    text = re.sub(r"\(\n[ |]*", "(", text)
    text = re.sub(r",\n[ |]*", ", ", text)
    return re.sub(r"\n[ |]*\)", ")", text)


def test_help_on_the_module_shows_each_signature():
    text = help_text(nuv_touch)
    for name, function in RUNTIME_FUNCTIONS.items():
        assert f"{name}{inspect.signature(function)}" in text, name
    for cls_name, cls in RUNTIME_CLASSES.items():
        # pydoc leaves out what a leading underscore marks as private.
        visible = pydoc.visiblename(cls_name, obj=cls)
        assert (f"class {cls_name}(" in text) == visible, cls_name


@pytest.mark.parametrize("cls_name", sorted(STUB_CLASSES))
def test_help_on_each_class_shows_each_signature(cls_name):
    cls = RUNTIME_CLASSES[cls_name]
    text = help_text(cls)
    signature = str(inspect.signature(cls))
    # pydoc leaves out a class's signature when it takes no arguments.
    assert f"{cls_name}{signature}" in text or signature == "()"
    for name, (kind, *rest) in STUB_CLASSES[cls_name].items():
        if kind == "property" or not pydoc.visiblename(name, obj=vars(cls)[name]):
            continue
        function = vars(cls)[rest[0] if kind == "alias" else name]
        function = getattr(function, "__func__", function)
        shown = f"{name} = {rest[0]}" if kind == "alias" else name
        assert f"{shown}{inspect.signature(function)}" in text, name

