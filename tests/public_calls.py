"""Every public callable of nuv_touch and nuv_engines, and a valid call of
each.

The leak checks and the fuzz tests go through this table, so that both cover
the same surface; `module_callables()` lists what the module really has, and
test_refleaks fails when a callable of the module is missing here.

A `Bench` makes what the calls need (keypads, controls, proxies) on a test
frame and destroys it all when closed. `CALLS[name](bench)` gives a `Call`:
the callable, its valid arguments by parameter name, and for a call that
opens a modal keypad the step that ends it.
"""
import collections
import inspect

import wx
import wx.grid

import nuv_engines
import nuv_touch
from conftest import click, pump

FUNCTION_TYPE = type(nuv_touch.input_integer)


def module_callables():
    """Names of the module's function objects: "input_text",
    "DigitKeypad.OnDigit", "_GridWrapper.row.fset", ..."""
    names = set()
    for name, value in vars(nuv_touch).items():
        if isinstance(value, FUNCTION_TYPE):
            names.add(name)
        elif isinstance(value, type) and value.__module__ == "nuv_touch":
            for attr, member in vars(value).items():
                if isinstance(member, staticmethod):
                    member = member.__func__
                if isinstance(member, property):
                    names.update("%s.%s.%s" % (name, attr, part) for part in ("fget", "fset")
                                 if isinstance(getattr(member, part), FUNCTION_TYPE))
                elif isinstance(member, FUNCTION_TYPE):
                    names.add("%s.%s" % (name, attr))
    return names | engine_callables()


def engine_callables():
    """Names of the engines' methods: "Composition.type_letter", ..."""
    return {"%s.%s" % (name, attr) for name, value in vars(nuv_engines).items() if isinstance(value, type)
            for attr, member in vars(value).items()
            if callable(member) and (attr == "__init__" or not attr.startswith("_"))}


def find_key(window, label):
    """The button labelled `label` anywhere in `window`."""
    for key in window.keys():
        if key.GetLabel() == label:
            return key
    raise LookupError(label)


def key_event(dialog, label):
    """The command event a press of the key labelled `label` sends."""
    button = find_key(dialog, label)
    event = wx.CommandEvent(wx.wxEVT_BUTTON, button.GetId())
    event.SetEventObject(button)
    return event


def finish(dialog):
    """Ends a keypad's modal loop: its OK key, and when the keypad refuses
    the entry (a numeric keypad out of range), its Cancel key."""
    click(find_key(dialog, "OK"))
    pump()
    if dialog.IsModal():
        click(find_key(dialog, "Cancel"))


def cancel(dialog):
    click(find_key(dialog, "Cancel"))


class Bench:
    """What the calls work on, made on `frame` and destroyed by close()."""

    def __init__(self, frame):
        self.frame = frame
        self.windows = []

    def keep(self, window):
        if isinstance(window, wx.Window):
            self.windows.append(window)
        return window

    def close(self):
        for window in reversed(self.windows):
            if window:
                window.Destroy()
        self.windows.clear()
        pump()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # Receivers. A numeric keypad whose EndModal only records, so that its
    # confirm can run outside a modal loop.
    def digit_keypad(self, mode=0):
        dialog = self.keep(nuv_touch.DigitKeypad(self.frame, mode))
        dialog.ended = []
        dialog.EndModal = dialog.ended.append
        return dialog

    def pin_keypad(self):
        dialog = self.keep(nuv_touch.DigitPasswordKeypad(self.frame))
        dialog.ended = []
        dialog.EndModal = dialog.ended.append
        return dialog

    def alpha_keypad(self, **options):
        return self.keep(nuv_touch.AlphaKeypad(self.frame, **options))

    def text_ctrl(self, text=" 42 ", style=0):
        return self.keep(wx.TextCtrl(self.frame, value=text, style=style))

    def grid(self):
        grid = self.keep(wx.grid.Grid(self.frame))
        grid.CreateGrid(4, 3)
        grid.SetCellValue(2, 1, "17")
        return grid

    def grid_event(self, grid, row=2, col=1):
        return wx.grid.GridEvent(grid.GetId(), wx.grid.wxEVT_GRID_CELL_LEFT_DCLICK, grid, row=row, col=col)

    def tap_event(self, ctrl):
        event = wx.MouseEvent(wx.wxEVT_LEFT_DOWN)
        event.SetEventObject(ctrl)
        return event


class Call(collections.namedtuple("Call", "target args modal")):
    """`target(**args)` is a valid call; `modal`, when not None, is the step
    that ends the modal loop the call opens."""

    def parameters(self):
        """The names of the parameters a caller passes (without self)."""
        target = self.target.__init__ if isinstance(self.target, type) else self.target
        try:
            names = list(inspect.signature(target).parameters)
        except ValueError:  # an engine's method (pybind11's) has no signature to read: its arguments
            return list(self.args)
        return names[1:] if isinstance(self.target, type) else names


def _accessor(owner, name, part):
    """obj.name (part "fget") or obj.name = value (part "fset") as a call."""
    if part == "fget":
        return lambda: getattr(owner, name)
    return lambda value: setattr(owner, name, value)


def _property_call(make_owner, name, part, value=None):
    def call(bench):
        owner = make_owner(bench)
        return Call(_accessor(owner, name, part), {} if part == "fget" else {"value": value}, None)
    return call


def _digit(method, **args):
    return lambda b: Call(getattr(b.digit_keypad(), method), args, None)


def _digit_event(method, label="1"):
    def call(b):
        dialog = b.digit_keypad(mode=1)
        return Call(getattr(dialog, method), {"event": key_event(dialog, label)}, None)
    return call


def _pin(method, label="1"):
    def call(b):
        dialog = b.pin_keypad()
        return Call(getattr(dialog, method), {"event": key_event(dialog, label)}, None)
    return call


def _alpha(method, label="a", **options):
    def call(b):
        dialog = b.alpha_keypad(**options)
        return Call(getattr(dialog, method), {"event": key_event(dialog, label)}, None)
    return call


def _digit_proxy(b, grid=False):
    ctrl = b.grid() if grid else b.text_ctrl()
    return nuv_touch.DigitKeypadProxy(ctrl, nuv_touch.KEYPAD_MODE_INT, 0, 100)


def _alpha_proxy(b, grid=False):
    ctrl = b.grid() if grid else b.text_ctrl(style=wx.TE_PASSWORD)
    return nuv_touch.AlphaKeypadProxy(ctrl)


def _handler(make_proxy, grid):
    def call(b):
        proxy = make_proxy(b, grid)
        ctrl = proxy._ctrl._ctrl
        event = b.grid_event(ctrl) if grid else b.tap_event(ctrl)
        return Call(proxy.event_handler, {"event": event}, finish)
    return call


def _on_enter(text, mode=0):
    def call(b):
        dialog = b.digit_keypad(mode)
        dialog.SetValue(text)
        return Call(dialog.on_enter, {"event": key_event(dialog, "OK")}, None)
    return call


def _change_color(b):
    dialog = b.alpha_keypad()
    return Call(nuv_touch.AlphaKeypad._AlphaKeypad__change_color, {"button": dialog.ui_shift_0, "value": True}, None)


def _composition(b, letters="nihao"):
    composition = nuv_engines.Composition()
    for letter in letters:
        composition.type_letter(letter)
    return composition


def _choose_again(index):
    """Composition.choose on letters typed afresh: a choice uses them up."""
    return _composition(None).choose(index)


# Each composer with keys that give it candidates where it has them.
COMPOSERS = {"Composition": "nihao", "HangulComposition": "gksrmf", "ZhuyinComposition": "5j/ ",
             "KanaComposition": "kanji", "CangjieComposition": "yk"}


def _composer(name, keys=None):
    composer = getattr(nuv_engines, name)()
    for key in COMPOSERS[name] if keys is None else keys:
        composer.type_key(key)
    return composer


def _composer_calls(name):
    """The composer protocol's calls on the composer `name`."""
    def on(method, **arguments):
        return lambda b: Call(getattr(_composer(name), method), arguments, None)

    def choose_again(index):
        composer = _composer(name)
        return composer.choose(index) if composer.candidate_count() else composer.commit()
    return {
        name + ".__init__": lambda b: Call(getattr(nuv_engines, name), {}, None),
        name + ".type_key": on("type_key", key="a"),
        name + ".erase": on("erase"),
        name + ".preedit": on("preedit"),
        name + ".candidate_count": on("candidate_count"),
        name + ".candidates": on("candidates", start=0, count=3),
        name + ".choose": lambda b: Call(choose_again, {"index": 0}, None),
        name + ".commit": on("commit"),
        name + ".reset": on("reset"),
        name + ".empty": on("empty"),
    }


def _ctrl_wrapper(b):
    return nuv_touch._CtrlWrapper(b.text_ctrl())


def _grid_wrapper(b):
    return nuv_touch._GridWrapper(b.grid())


CALLS = {
    # Module functions.
    "input_integer": lambda b: Call(nuv_touch.input_integer, {"parent": b.frame, "minimum": 0, "maximum": 100,
                                                              "message": "Speed"}, finish),
    "input_float": lambda b: Call(nuv_touch.input_float, {"parent": b.frame, "minimum": -1.5, "maximum": 1e9,
                                                          "message": None}, finish),
    "input_text": lambda b: Call(nuv_touch.input_text, {"parent": b.frame, "password_mode": False,
                                                        "message": "Name"}, finish),
    "input_password": lambda b: Call(nuv_touch.input_password, {"parent": b.frame, "message": ""}, finish),
    "input_digit_password": lambda b: Call(nuv_touch.input_digit_password, {"parent": b.frame, "message": "PIN"},
                                           finish),

    # The numeric keypad.
    "DigitKeypad.__init__": lambda b: Call(nuv_touch.DigitKeypad, {
        "parent": b.frame, "mode": 0, "minimum": -5, "maximum": 5.5, "message": "m", "font_size": 12,
        "show_size": None}, None),
    "DigitKeypad.out_of_range": _digit("out_of_range", value=7),
    "DigitKeypad.OnDigit": _digit_event("OnDigit", "7"),
    "DigitKeypad.OnClearAll": _digit_event("OnClearAll"),
    "DigitKeypad.OnDot": _digit_event("OnDot", "."),
    "DigitKeypad.OnNegative": _digit_event("OnNegative"),
    "DigitKeypad.OnPositive": _digit_event("OnPositive"),
    "DigitKeypad.get_value": _digit("get_value"),
    "DigitKeypad.GetValue": _digit("GetValue"),
    "DigitKeypad.set_value": _digit("set_value", value="12"),
    "DigitKeypad.SetValue": _digit("SetValue", value="12"),
    "DigitKeypad.on_enter": _on_enter("12"),

    # The PIN keypad.
    "DigitPasswordKeypad.__init__": lambda b: Call(nuv_touch.DigitPasswordKeypad, {
        "parent": b.frame, "message": "PIN", "font_size": 14, "show_size": 30}, None),
    "DigitPasswordKeypad.on_digit": _pin("on_digit", "4"),
    "DigitPasswordKeypad.on_clear": _pin("on_clear", "Clear"),
    "DigitPasswordKeypad.on_confirm": _pin("on_confirm", "OK"),
    "DigitPasswordKeypad.get_value": lambda b: Call(b.pin_keypad().get_value, {}, None),

    # The control adapters.
    "_CtrlWrapperBase.__init__": lambda b: Call(nuv_touch._CtrlWrapper, {"ctrl": b.text_ctrl()}, None),
    "_CtrlWrapperBase.get_string": lambda b: Call(nuv_touch._CtrlWrapperBase.get_string,
                                                  {"self": _ctrl_wrapper(b)}, None),
    "_CtrlWrapperBase.set_string": lambda b: Call(nuv_touch._CtrlWrapperBase.set_string,
                                                  {"self": _ctrl_wrapper(b), "value": "3"}, None),
    "_CtrlWrapperBase.get_parent": lambda b: Call(_ctrl_wrapper(b).get_parent, {}, None),
    "_CtrlWrapper.__init__": lambda b: Call(nuv_touch._CtrlWrapper, {"ctrl": b.text_ctrl()}, None),
    "_CtrlWrapper.get_string": lambda b: Call(_ctrl_wrapper(b).get_string, {}, None),
    "_CtrlWrapper.set_string": lambda b: Call(_ctrl_wrapper(b).set_string, {"value": "8"}, None),
    "_GridWrapper.__init__": lambda b: Call(nuv_touch._GridWrapper, {"ctrl": b.grid()}, None),
    "_GridWrapper.row.fget": _property_call(_grid_wrapper, "row", "fget"),
    "_GridWrapper.row.fset": _property_call(_grid_wrapper, "row", "fset", 2),
    "_GridWrapper.column.fget": _property_call(_grid_wrapper, "column", "fget"),
    "_GridWrapper.column.fset": _property_call(_grid_wrapper, "column", "fset", 1),
    "_GridWrapper.get_string": lambda b: Call(_grid_wrapper(b).get_string, {}, None),
    "_GridWrapper.set_string": lambda b: Call(_grid_wrapper(b).set_string, {"value": "9"}, None),

    # The numeric field binding.
    "DigitKeypadProxy.__init__": lambda b: Call(nuv_touch.DigitKeypadProxy, {
        "ctrl": b.text_ctrl(), "mode": 1, "minimum": 0, "maximum": 10, "event": None, "font_size": 16}, None),
    "DigitKeypadProxy.minimum.fget": _property_call(_digit_proxy, "minimum", "fget"),
    "DigitKeypadProxy.minimum.fset": _property_call(_digit_proxy, "minimum", "fset", 3),
    "DigitKeypadProxy.maximum.fget": _property_call(_digit_proxy, "maximum", "fget"),
    "DigitKeypadProxy.maximum.fset": _property_call(_digit_proxy, "maximum", "fset", 30.5),
    "DigitKeypadProxy.event_handler": _handler(_digit_proxy, grid=False),
    "DigitKeypadProxy.get_value": lambda b: Call(_digit_proxy(b).get_value, {}, None),
    "DigitKeypadProxy.set_value": lambda b: Call(_digit_proxy(b).set_value, {"value": 12}, None),

    # The alphanumeric keyboard.
    "AlphaKeypad.__init__": lambda b: Call(nuv_touch.AlphaKeypad, {
        "parent": b.frame, "widget": None, "password_mode": None, "message": "Name"}, None),
    "AlphaKeypad._AlphaKeypad__change_color": _change_color,
    "AlphaKeypad.on_clear": _alpha("on_clear", "Clear"),
    "AlphaKeypad.out_": lambda b: Call(b.alpha_keypad().out_, {"put": "xy"}, None),
    "AlphaKeypad._AlphaKeypad__on_shift": lambda b: Call(b.alpha_keypad()._AlphaKeypad__on_shift, {"on": True},
                                                         None),
    "AlphaKeypad.on_shift": _alpha("on_shift", "Shift"),
    "AlphaKeypad._AlphaKeypad__on_caps": lambda b: Call(b.alpha_keypad()._AlphaKeypad__on_caps, {"on": True},
                                                        None),
    "AlphaKeypad.on_caps_on": _alpha("on_caps_on", "Caps On"),
    "AlphaKeypad.on_caps_off": _alpha("on_caps_off", "Caps Off"),
    "AlphaKeypad.on_character": _alpha("on_character", "q"),
    "AlphaKeypad.on_backspace": _alpha("on_backspace", "Backspace"),
    "AlphaKeypad.set_value": lambda b: Call(b.alpha_keypad().set_value, {"value": "abc"}, None),
    "AlphaKeypad.get_value": lambda b: Call(b.alpha_keypad(password_mode=True).get_value, {}, None),

    # The text field binding.
    "AlphaKeypadProxy.__init__": lambda b: Call(nuv_touch.AlphaKeypadProxy, {
        "ctrl": b.grid(), "password_mode": None, "event": None}, None),
    "AlphaKeypadProxy.event_handler": _handler(_alpha_proxy, grid=False),
    "AlphaKeypadProxy.get_value": lambda b: Call(_alpha_proxy(b).get_value, {}, None),
    "AlphaKeypadProxy.set_value": lambda b: Call(_alpha_proxy(b).set_value, {"value": 3.5}, None),

    # Pinyin composition.
    "Composition.__init__": lambda b: Call(nuv_engines.Composition, {}, None),
    "Composition.type_letter": lambda b: Call(_composition(b).type_letter, {"letter": "o"}, None),
    "Composition.erase_letter": lambda b: Call(_composition(b).erase_letter, {}, None),
    "Composition.clear": lambda b: Call(_composition(b).clear, {}, None),
    "Composition.letters": lambda b: Call(_composition(b).letters, {}, None),
    "Composition.spelling": lambda b: Call(_composition(b).spelling, {}, None),
    "Composition.candidate_count": lambda b: Call(_composition(b).candidate_count, {}, None),
    "Composition.candidates": lambda b: Call(_composition(b).candidates, {"start": 1, "count": 3}, None),
    "Composition.choose": lambda b: Call(_choose_again, {"index": 1}, None),
    # The composer protocol, the same on every engine.
    **{call: make for name in COMPOSERS for call, make in _composer_calls(name).items()
       if call != "Composition.__init__" and call != "Composition.choose"},
}

# Handlers of the proxies bound to a grid cell: the same callables, the
# other adapter.
GRID_HANDLERS = {
    "DigitKeypadProxy.event_handler": _handler(_digit_proxy, grid=True),
    "AlphaKeypadProxy.event_handler": _handler(_alpha_proxy, grid=True),
}


def available(names):
    """The names whose owner the modules (as built) have."""
    return sorted(n for n in names if any(hasattr(m, n.split(".")[0]) for m in (nuv_touch, nuv_engines)))


def run(call, **override):
    """Makes the call with `override` in place of some arguments; a modal
    loop it opens is ended by `call.modal` (or cancelled when the dialog is
    refused or a step fails). Exceptions propagate."""
    from conftest import run_modal
    args = dict(call.args)
    args.update(override)
    if call.modal is None:
        return call.target(**args)
    return run_modal(lambda: call.target(**args), call.modal)
