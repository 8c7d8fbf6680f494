"""Operator panel of a machine tool, driven entirely by touch.

Run it on a touch screen (or any display) to use it:
    /usr/bin/python3 examples/operator_panel.py
With `--tour DIR` it plays a scripted operator instead: opens each keypad,
types, confirms, refuses a bad entry, and saves screenshots into DIR; at the
end it switches to German (catalog and keyboard) and takes a keypad and the
keyboard again. `--german` starts the panel in German.
"""
import argparse
import os
import sys

import wx
import wx.grid

import nuv_touch
import nuv_touchui

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tour import Tour, generic_message_box  # noqa: E402

BIG = 14  # point size of the panel's own text
MINUS = "\u2212"  # the label of the numeric keypad's minus key


class OperatorPanel(wx.Frame):
    def __init__(self):
        wx.Frame.__init__(self, None, title="Machine 3 - operator panel")
        self.SetFont(wx.Font(BIG, wx.FONTFAMILY_DEFAULT, wx.FONTSTYLE_NORMAL, wx.FONTWEIGHT_NORMAL))
        self.panel = wx.Panel(self)
        self.rows = wx.BoxSizer(wx.VERTICAL)
        self.panel.SetSizer(self.rows)
        self.columns = self.new_row()
        self.add_set_points()
        self.add_operator_access()
        self.add_fields()
        self.columns = self.new_row()
        self.add_text_fields()
        outer = wx.BoxSizer(wx.VERTICAL)
        outer.Add(self.panel, 1, wx.EXPAND)
        self.SetSizerAndFit(outer)

    def new_row(self):
        """A row of sections under the ones made so far."""
        row = wx.BoxSizer(wx.HORIZONTAL)
        self.rows.Add(row)
        return row

    def section(self, title):
        """A titled box in the next column; returns (box, sizer) to fill."""
        box = wx.StaticBox(self.panel, label=title)
        sizer = wx.StaticBoxSizer(box, wx.VERTICAL)
        self.columns.Add(sizer, 0, wx.ALL | wx.EXPAND, 10)
        return box, sizer

    def setting_row(self, parent, sizer, caption, on_tap):
        """A large button that opens a prompt, with the value it returned."""
        row = wx.BoxSizer(wx.HORIZONTAL)
        button = wx.Button(parent, label=caption, size=parent.FromDIP(wx.Size(260, 64)))
        value = wx.StaticText(parent, label="-", size=parent.FromDIP(wx.Size(160, -1)))
        button.Bind(wx.EVT_BUTTON, lambda event: value.SetLabel(on_tap()))
        row.Add(button, 0, wx.ALL, 6)
        row.Add(value, 0, wx.ALL | wx.ALIGN_CENTER_VERTICAL, 6)
        sizer.Add(row)
        return button, value

    # -- set points: the numeric prompts and the keypad used directly ----------

    def add_set_points(self):
        box, sizer = self.section("Set points")
        self.spindle_button, self.spindle_value = self.setting_row(
            box, sizer, "Spindle speed (rpm)", self.ask_spindle_speed)
        self.feed_button, self.feed_value = self.setting_row(
            box, sizer, "Feed rate (mm/min)", self.ask_feed_rate)
        self.offset_button, self.offset_value = self.setting_row(
            box, sizer, "Tool offset (um)", self.ask_tool_offset)

    def ask_spindle_speed(self):
        speed = nuv_touch.input_integer(self, 0, 24000)
        return "cancelled" if speed is None else "%d rpm" % speed

    def ask_feed_rate(self):
        rate = nuv_touch.input_float(self, 0.5, 250.0, "Feed rate, mm/min:")
        return "cancelled" if rate is None else "%g mm/min" % rate

    def ask_tool_offset(self):
        keypad = nuv_touch.DigitKeypad(self, nuv_touch.KEYPAD_MODE_INT, -50, 50, message="Tool offset, um:")
        try:
            if keypad.ShowModal() != wx.ID_OK:
                return "cancelled"
            return "%s um" % keypad.GetValue()
        finally:
            keypad.Destroy()

    # -- numeric fields: the panel's own controls, bound to the keypad ---------

    def add_fields(self):
        """Controls the operator taps to edit in place. Each binding is one
        line; the control keeps its proxy alive, the panel keeps none."""
        box, sizer = self.section("Job")
        grid = wx.FlexGridSizer(cols=2, vgap=8, hgap=12)
        size = box.FromDIP(wx.Size(160, 48))

        def field(caption, ctrl):
            grid.Add(wx.StaticText(box, label=caption), 0, wx.ALIGN_CENTER_VERTICAL)
            grid.Add(ctrl, 0, wx.EXPAND)
            return ctrl

        self.stock_length = field("Stock (mm)", wx.TextCtrl(box, value=" 120.5 ", size=size))
        self.part_count = field("Parts to make", wx.SpinCtrl(box, min=0, max=9999, initial=25, size=size))
        self.lot_label = field("Lot number", wx.StaticText(box, label="1042", size=size))
        nuv_touch.DigitKeypadProxy(self.stock_length, nuv_touch.KEYPAD_MODE_FLOAT, 10, 600)
        nuv_touch.DigitKeypadProxy(self.part_count, nuv_touch.KEYPAD_MODE_INT, 0, 9999)
        nuv_touch.DigitKeypadProxy(self.lot_label)
        sizer.Add(grid, 0, wx.ALL, 6)

        sizer.Add(wx.StaticText(box, label="Tool table (double-click a cell)"), 0, wx.ALL, 6)
        self.tool_table = wx.grid.Grid(box)
        self.tool_table.CreateGrid(3, 2)
        self.tool_table.SetColLabelValue(0, "Length (mm)")
        self.tool_table.SetColLabelValue(1, "Radius (mm)")
        for row, (length, radius) in enumerate((("85.0", "4.0"), ("92.5", "3.0"), ("110.0", "6.0"))):
            self.tool_table.SetRowLabelValue(row, "T%d" % (row + 1))
            self.tool_table.SetCellValue(row, 0, length)
            self.tool_table.SetCellValue(row, 1, radius)
            for col in (0, 1):
                self.tool_table.SetReadOnly(row, col)  # edited through the keypad only
        self.tool_table.AutoSize()
        # Three rows need no scrolling; on a small screen that squeezes the
        # table, scroll bars would get less room than GTK allows them.
        self.tool_table.ShowScrollbars(wx.SHOW_SB_NEVER, wx.SHOW_SB_NEVER)
        nuv_touch.DigitKeypadProxy(self.tool_table, nuv_touch.KEYPAD_MODE_FLOAT, 0, 500)
        sizer.Add(self.tool_table, 0, wx.ALL, 6)

    # -- operator access: the text, password and PIN prompts --------------------

    def add_operator_access(self):
        box, sizer = self.section("Operator access")
        self.batch_button, self.batch_value = self.setting_row(
            box, sizer, "Batch label", self.ask_batch_label)
        self.password_button, self.password_value = self.setting_row(
            box, sizer, "Service password", self.ask_service_password)
        self.pin_button, self.pin_value = self.setting_row(
            box, sizer, "Operator PIN", self.ask_operator_pin)

    # The prompts return the text exactly as typed (a str), or None when the
    # operator cancelled; the panel shows what came back.
    def ask_batch_label(self):
        return shown(nuv_touch.input_text(self, message="Batch label:"))

    def ask_service_password(self):
        return shown(nuv_touch.input_password(self, "Service password:"))

    def ask_operator_pin(self):
        return shown(nuv_touch.input_digit_password(self, "Operator PIN:"))

    # -- text fields bound to the keyboard: a login and a grid column ----------

    def add_text_fields(self):
        self.add_login()
        self.add_tool_notes()

    def add_login(self):
        box, sizer = self.section("Operator login")
        size = box.FromDIP(wx.Size(240, -1))
        self.user_name = wx.TextCtrl(box, size=size)
        self.password = wx.TextCtrl(box, size=size, style=wx.TE_PASSWORD)
        self.login_state = wx.StaticText(box, label="Not logged in")
        for caption, field in (("User name", self.user_name), ("Password", self.password)):
            sizer.Add(wx.StaticText(box, label=caption), 0, wx.LEFT | wx.RIGHT | wx.TOP, 6)
            sizer.Add(field, 0, wx.ALL, 6)
            field.Bind(wx.EVT_TEXT, self.on_login_changed)
            # A tap opens the keyboard on the field; the password field's
            # style makes it open masked.
            nuv_touch.AlphaKeypadProxy(field)
        sizer.Add(self.login_state, 0, wx.ALL, 6)

    def on_login_changed(self, event):
        name = self.user_name.GetValue().strip()
        ready = name and self.password.GetValue()
        self.login_state.SetLabel("Logged in: %s" % name if ready else "Not logged in")

    def add_tool_notes(self):
        box, sizer = self.section("Tool notes (double-click a cell)")
        self.tools = wx.grid.Grid(box)
        self.tools.CreateGrid(3, 1)
        self.tools.SetColLabelValue(0, "Description")
        self.tools.SetColSize(0, box.FromDIP(220))
        for row, text in enumerate(("End mill 6 mm", "Drill 8.5 mm", "")):
            self.tools.SetRowLabelValue(row, "T%d" % (row + 1))
            self.tools.SetCellValue(row, 0, text)
        self.tools.EnableEditing(False)  # a double tap edits through the keyboard
        self.tools.ShowScrollbars(wx.SHOW_SB_NEVER, wx.SHOW_SB_NEVER)  # as the tool table
        sizer.Add(self.tools, 0, wx.ALL, 6)
        nuv_touch.AlphaKeypadProxy(self.tools)


def shown(text):
    return "cancelled" if text is None else repr(text)


# -- the scripted tour ----------------------------------------------------------

def numeric_tour(tour):
    panel = tour.frame
    tour.shot(panel, "01-panel")

    tour.click(panel.spindle_button)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    yield from type_keys(tour, keypad, "1", "2", "0", "0")
    # The last 0 shot with the finger still down on it, next to the decimal
    # point an integer keypad disables.
    zero = tour.key(keypad, "0")
    tour.tap(zero)
    yield 200
    tour.shot(keypad, "02-integer-keypad")
    tour.lift(zero)
    yield from until(lambda: keypad.mValueField.GetValue() == "12000")
    tour.press(keypad, "OK")
    yield 300

    tour.click(panel.feed_button)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    yield from type_keys(tour, keypad, "9", "9", "9")
    tour.press(keypad, "OK")
    yield 400
    box = tour.open_dialog(wx.GenericMessageDialog)
    tour.shot(box, "03-out-of-range-refused")
    box.EndModal(wx.ID_OK)
    yield 200
    tour.press(keypad, "Clear")
    yield from type_keys(tour, keypad, "1", "2", ".", "5")
    yield 200
    tour.shot(keypad, "04-decimal-keypad")
    tour.press(keypad, "OK")
    yield 300

    tour.click(panel.offset_button)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    tour.press(keypad, "7")
    tour.press(keypad, MINUS)
    yield 200
    tour.shot(keypad, "05-keypad-direct")
    tour.press(keypad, "OK")
    yield 300
    tour.shot(panel, "06-panel-after")


def type_keys(tour, dialog, *labels):
    """Presses the keys one at a time, each handled before the next: wx does
    not keep the order of events posted to different keys."""
    for label in labels:
        # A key on a panel that a press before shows: on a busy machine wx
        # may take a while to get there.
        yield from until(lambda: tour.shows_key(dialog, label))
        tour.press(dialog, label)
        yield 60


def prompts_tour(tour):
    panel = tour.frame

    tour.click(panel.batch_button)
    yield 400
    keyboard = tour.open_dialog(nuv_touch.AlphaKeypad)
    yield from type_keys(tour, keyboard, "Caps On", "L", "O", "T", "Caps Off", "-", "7", "b")
    yield 200
    tour.shot(keyboard, "07-text-prompt")
    tour.press(keyboard, "OK")
    yield 300

    tour.click(panel.password_button)
    yield 400
    keyboard = tour.open_dialog(nuv_touch.AlphaKeypad)
    yield from type_keys(tour, keyboard, "s", "e", "r", "v", "i", "c", "e")
    yield 200
    tour.shot(keyboard, "08-password-prompt-masked")
    tour.press(keyboard, "OK")
    yield 300

    tour.click(panel.pin_button)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitPasswordKeypad)
    yield from type_keys(tour, keypad, "0", "0", "4", "2")
    yield 200
    tour.shot(keypad, "09-pin-prompt")
    tour.press(keypad, "OK")
    yield 300
    tour.shot(panel, "10-panel-after-prompts")


def fields_tour(tour):
    panel = tour.frame
    tour.tap(panel.stock_length)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    yield 200
    tour.shot(keypad, "11-field-opened-trimmed")
    tour.press(keypad, "Clear")
    yield from type_keys(tour, keypad, "1", "3", "5", ".", "2", "5")
    tour.press(keypad, "OK")
    yield 300

    tour.tap(panel.part_count)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    tour.press(keypad, "0")
    tour.press(keypad, "OK")
    yield 300

    tour.tap(panel.lot_label)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    tour.press(keypad, "7")
    tour.press(keypad, "Cancel")  # the label keeps its number
    yield 300

    tour.double_click_cell(panel.tool_table, 1, 0)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    tour.press(keypad, "Clear")
    yield from type_keys(tour, keypad, "9", "3", ".", "2")
    yield 200
    tour.shot(keypad, "12-grid-cell-keypad")
    tour.press(keypad, "OK")
    yield 300
    tour.shot(panel, "13-fields-after")
    expected = ("135.25", 250, "1042", "93.2")
    got = (panel.stock_length.GetValue(), panel.part_count.GetValue(), panel.lot_label.GetLabel(),
           panel.tool_table.GetCellValue(1, 0))
    if got != expected:
        raise AssertionError("fields hold %r, expected %r" % (got, expected))


def until(condition, limit_ms=3000):
    """Yields until condition() holds: wx may hold posted key presses back
    for a while after a screenshot."""
    waited = 0
    while not condition():
        if waited >= limit_ms:
            raise AssertionError("still waiting after %d ms" % limit_ms)
        yield 50
        waited += 50


def text_fields_tour(tour):
    panel = tour.frame

    tour.tap(panel.user_name)
    yield 400
    keyboard = tour.open_dialog(nuv_touch.AlphaKeypad)
    yield from type_keys(tour, keyboard, "Caps On", "A")
    yield 200
    tour.shot(keyboard, "14-keyboard-caps-lock")
    tour.press(keyboard, "Caps Off")
    yield from until(lambda: keyboard.ui_caps_off_0.IsShown())
    yield from type_keys(tour, keyboard, "n", "n", "a")
    tour.press(keyboard, "OK")
    yield 300

    tour.tap(panel.password)
    yield 400
    keyboard = tour.open_dialog(nuv_touch.AlphaKeypad)
    yield from type_keys(tour, keyboard, "s", "p", "i", "n", "d", "l", "e", "4", "2")
    yield 200
    tour.shot(keyboard, "15-keyboard-masked")
    tour.press(keyboard, "OK")
    yield 300

    tour.double_click_cell(panel.tools, 2, 0)
    yield 400
    keyboard = tour.open_dialog(nuv_touch.AlphaKeypad)
    yield from type_keys(tour, keyboard, "Caps On", "T", "A", "P", "Space", "M", "Caps Off",
                         "1", "0", "Space", "Shift", "(", "#")
    yield 200
    tour.shot(keyboard, "16-keyboard-shift")
    tour.press(keyboard, "Shift")
    yield from until(lambda: not keyboard.shift)
    yield from type_keys(tour, keyboard, "2", "Shift", ")", "Shift")
    tour.press(keyboard, "OK")
    yield 300
    tour.shot(panel, "17-panel-text-fields")
    entered = (panel.user_name.GetValue(), panel.password.GetValue(), panel.tools.GetCellValue(2, 0))
    if entered != ("Anna", "spindle42", "TAP M10 (#2)"):
        raise AssertionError("text fields hold %r" % (entered,))


# A prompt longer than any keypad shows whole: it wraps, and is cut short
# rather than pushing keys off a small screen.
LONG_PROMPT = ("Feed rate of the finishing pass on the second fixture, in millimetres per minute, "
               "as written on the job sheet; the machine refuses values outside the range below "
               "and asks again. Check the tool before you confirm.")


def screen_tour(tour):
    """Each keypad over the panel, with screenshots of the whole screen: run
    on a small display to see that every keypad stays inside it."""
    panel = tour.frame
    tour.shot_screen("01-panel")
    steps = (
        (lambda: tour.click(panel.spindle_button), nuv_touch.DigitKeypad, ("1", "2", "0", "0", "0"),
         "02-integer-keypad"),
        (lambda: wx.CallAfter(nuv_touch.input_float, panel, -10 ** 15, 10 ** 15, LONG_PROMPT),
         nuv_touch.DigitKeypad, ("2", "5", "0", ".", "5"), "03-long-message-keypad"),
        (lambda: tour.click(panel.pin_button), nuv_touch.DigitPasswordKeypad, ("0", "0", "4", "2"),
         "04-pin-keypad"),
        (lambda: tour.click(panel.batch_button), nuv_touch.AlphaKeypad, ("Caps On", "L", "O", "T", "Caps Off"),
         "05-keyboard"),
        (lambda: wx.CallAfter(nuv_touch.input_text, panel, False, LONG_PROMPT), nuv_touch.AlphaKeypad,
         ("Shift", "#", "Shift", "7"), "06-keyboard-long-message"),
        (lambda: tour.double_click_cell(panel.tool_table, 1, 0), nuv_touch.DigitKeypad, ("Clear", "9", "3"),
         "07-grid-cell-keypad"),
        # The widest keyboard: sixteen keys across, or its letter rows
        # whole on a narrow screen; e held offers its accents.
        (lambda: (speak(wx.LANGUAGE_FRENCH, "French"),
                  wx.CallAfter(nuv_touch.input_text, panel, message="Libell\u00e9 du lot :")),
         nuv_touch.AlphaKeypad, ("t", ("e", "\u00e9")), "08-french-keyboard-e-held"),
        # A Chinese batch name typed by pinyin: 钢板 and 批次 chosen, the
        # next word's letters still composing.
        (lambda: (speak(wx.LANGUAGE_CHINESE_SIMPLIFIED, "Chinese"),
                  wx.CallAfter(nuv_touch.input_text, panel, message="批次名称：")),
         nuv_touch.AlphaKeypad, tuple("gangban") + ("钢板",) + tuple("pici") + ("批次",) + tuple("yihao"),
         "09-chinese-keyboard"),
        # Any layout of xkeyboard-config: a Russian batch name, and an
        # Arabic one, written right to left.
        (lambda: (speak_english(), nuv_touchui.set_keyboard_layout("ru"),
                  wx.CallAfter(nuv_touch.input_text, panel, message="Партия:")),
         nuv_touch.AlphaKeypad, tuple("партия"), "10-russian-keyboard"),
        (lambda: (nuv_touchui.set_keyboard_layout("ara"),
                  wx.CallAfter(nuv_touch.input_text, panel, message="الدفعة:")),
         nuv_touch.AlphaKeypad, tuple("دفعة"), "11-arabic-keyboard"),
        # Keyboards that compose, following the catalog's language: a Korean
        # batch name in jamo, 배치 (the second syllable still composing), and
        # a Japanese one in romaji, 製品 chosen and ばんごう offering 番号.
        (lambda: (speak(wx.LANGUAGE_KOREAN, "Korean"), nuv_touchui.set_keyboard_layout(None),
                  wx.CallAfter(nuv_touch.input_text, panel, message="배치 이름:")),
         nuv_touch.AlphaKeypad, ("ㅂ", "ㅐ", "ㅊ", "ㅣ"), "12-korean-keyboard"),
        (lambda: (speak(wx.LANGUAGE_JAPANESE, "Japanese"),
                  wx.CallAfter(nuv_touch.input_text, panel, message="ロット名：")),
         nuv_touch.AlphaKeypad, tuple("seihin") + ("製品",) + tuple("bangou"), "13-japanese-keyboard"),
    )
    for open_it, kind, labels, name in steps:
        open_it()
        yield 400
        keypad = tour.open_dialog(kind)
        *typed, last = labels
        yield from type_keys(tour, keypad, *typed)
        if isinstance(last, tuple):  # held, for the shot
            yield from hold_letter(tour, keypad, *last)
        else:
            yield from type_keys(tour, keypad, last)
        yield 200
        tour.check_inside_screen(keypad)
        tour.shot_screen(name)
        if isinstance(last, tuple):
            tour.lift(held_variant(keypad, last[1]))
            yield from until(lambda: keypad.get_value().endswith(last[1]))
        tour.press(keypad, wx.GetTranslation("Cancel"))
        yield 300
    speak_english()
    nuv_touchui.set_keyboard_layout(None)


def hold_letter(tour, keyboard, letter, variant):
    """Holds the key of `letter` until it offers `variant` above it."""
    tour.tap(tour.key(keyboard, letter))
    yield from until(lambda: held_variant(keyboard, variant) is not None)


def held_variant(keyboard, label):
    """The variant of this label a held key offers, or None."""
    return next((key for key in keyboard.keys()
                 if key.GetName() == "held" and key.GetLabel() == label), None)


def keypad_tour(tour):
    """One keypad with a key held down: the shot to see a theme by."""
    panel = tour.frame
    tour.click(panel.spindle_button)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    yield from type_keys(tour, keypad, "4", "2")
    zero = tour.key(keypad, "0")
    tour.tap(zero)
    yield 200
    tour.shot(keypad, "01-keypad")
    tour.lift(zero)
    yield 100
    tour.press(keypad, "Cancel")
    yield 300


def speak(language, name):
    """What an application does for its operators' language: load the
    keypads' catalog (here without a system locale, which a machine may
    lack). The keyboard follows the catalog's language by itself."""
    catalogs = os.path.join(os.path.dirname(nuv_touch.__file__), "nuv_touch_locale")
    wx.FileTranslationsLoader.AddCatalogLookupPathPrefix(catalogs)
    translations = wx.Translations()
    translations.SetLanguage(language)
    if not translations.AddCatalog("nuv_touch"):
        raise RuntimeError("no %s catalog under %s (build the module first)" % (name, catalogs))
    wx.Translations.Set(translations)


def speak_english():
    """Back to the keypads' own English captions: no catalog."""
    wx.Translations.Set(wx.Translations())


def speak_german():
    """German, with the German keyboard chosen explicitly, as an application
    does that shows one language whatever the catalogs say. With
    `wx.Locale(wx.LANGUAGE_GERMAN)` and `AddCatalog("nuv_touch")` the keyboard
    would follow by itself too."""
    speak(wx.LANGUAGE_GERMAN, "German")
    nuv_touchui.set_keyboard_layout("de")


def german_tour(tour):
    panel = tour.frame
    speak_german()

    tour.click(panel.spindle_button)
    yield 400
    keypad = tour.open_dialog(nuv_touch.DigitKeypad)
    yield from type_keys(tour, keypad, "1", "5", "0", "0")
    yield 200
    tour.shot(keypad, "18-german-keypad")
    tour.press(keypad, "OK")
    yield 300

    tour.tap(panel.user_name)
    yield 400
    keyboard = tour.open_dialog(nuv_touch.AlphaKeypad)
    tour.press(keyboard, "L\u00f6schen")
    # The space key shows "Leertaste"; its label stays "Space".
    yield from type_keys(tour, keyboard, "Gro\u00df ein", "J", "Gro\u00df aus", "\u00fc", "r", "g", "e", "n",
                         "Space", "Gro\u00df ein", "M", "Gro\u00df aus", "\u00fc", "l", "l", "e", "r")
    yield 200
    tour.shot(keyboard, "19-german-keyboard")
    tour.press(keyboard, "OK")
    yield 300
    if panel.user_name.GetValue() != "J\u00fcrgen M\u00fcller":
        raise AssertionError("user name holds %r" % panel.user_name.GetValue())


def full_tour(tour):
    yield from numeric_tour(tour)
    yield from prompts_tour(tour)
    yield from fields_tour(tour)
    yield from text_fields_tour(tour)
    yield from german_tour(tour)


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--tour", metavar="DIR", help="play the scripted tour and save screenshots in DIR")
    parser.add_argument("--screen-tour", action="store_true",
                        help="with --tour: open each keypad and shoot the whole screen instead")
    parser.add_argument("--keypad-tour", action="store_true",
                        help="with --tour: shoot one keypad only (to see a theme, GTK_THEME=Adwaita:dark)")
    parser.add_argument("--german", action="store_true", help="keypads and keyboard in German")
    args = parser.parse_args(argv)

    app = wx.App()
    if args.german:
        speak_german()
    frame = OperatorPanel()
    frame.Show()
    tour = None
    if args.tour:
        # The tour sees and closes error boxes only in wx's own message dialog.
        wx.MessageBox = generic_message_box
        tour = Tour(frame, args.tour)
        tour.run(screen_tour if args.screen_tour else keypad_tour if args.keypad_tour else full_tour)
    app.MainLoop()
    if tour is not None:
        if tour.failed is not None:
            print("tour failed: %r" % (tour.failed,), file=sys.stderr)
            return 1
        print("tour done: %d screenshots" % len(tour.shots))
    return 0


if __name__ == "__main__":
    sys.exit(main())
