"""Subinterpreters on every Python the suite runs on.

run_string(code) runs `code` in a new subinterpreter that shares the
interpreter lock with the main one and returns how it failed, as
"ExceptionName: message", or None when it ran through. Python 3.11 and 3.12
have `_xxsubinterpreters`, whose run_string raises on failure (and whose
create() makes an interpreter of its own lock on 3.12 unless told not to);
3.13 has `_interpreters`, whose run_string returns the failure and whose
create() takes the configuration ("legacy": the shared lock).
"""
try:
    import _interpreters as _api
except ImportError:
    import _xxsubinterpreters as _api


def run_string(code):
    interpreter = _api.create("legacy") if hasattr(_api, "new_config") else _api.create(isolated=False)
    try:
        try:
            failure = _api.run_string(interpreter, code)
        except Exception as error:  # RunFailedError("<class 'ImportError'>: ...")
            text = str(error)
            if text.startswith("<class '"):
                name, _, message = text[len("<class '"):].partition("'>: ")
                text = "%s: %s" % (name.rpartition(".")[2], message)
            return text
        if failure is None:
            return None
        return "%s: %s" % (failure.type.__name__, failure.msg)
    finally:
        _api.destroy(interpreter)
