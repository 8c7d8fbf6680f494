// nuv_engines: what the on-screen keyboards read and compose with, apart
// from the keypads: the keyboards of xkeyboard-config.
#include "xkb_keymap.h"

PYBIND11_MODULE(nuv_engines, module) {
    module.doc() = "Input engines of the on-screen keyboards.";
    nuv::engines::bind_xkb(module);
}
