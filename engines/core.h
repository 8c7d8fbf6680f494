// What every engine of nuv_engines shares.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>
#include <pybind11/pybind11.h>

namespace py = pybind11;
